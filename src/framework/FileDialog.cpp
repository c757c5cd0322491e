#include "FileDialog.h"

#include "MessageBox.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct TestSeam {
    QList<std::optional<QString>> Answers; // nullopt: cancel
    QList<TFileDialog::TShown> Shown;
};

TestSeam& Seam() {
    static TestSeam seam;
    return seam;
}

// Qt's dialog adds the default suffix only to a name without one; a queued answer gets the same.
QString WithDefaultExt(const QString& path, const QString& ext) {
    if (ext.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    return path + u'.' + ext;
}

// Qt's dialog takes a name in a folder that does not exist; with PathMustExist it stays open instead.
class TPathCheckingDialog : public QFileDialog {
public:
    TPathCheckingDialog(QWidget* parent, const QString& title, bool pathMustExist)
        : QFileDialog(parent, title), m_pathMustExist(pathMustExist) {}

    void accept() override {
        const QString chosen = selectedFiles().value(0);
        const QFileInfo folder(QFileInfo(chosen).absolutePath());
        if (m_pathMustExist && !chosen.isEmpty() && !folder.isDir()) {
            TMessageBox::Show(TMessageBox::Error, windowTitle(),
                              u"Папка \"%1\" не существует.\nПроверьте путь."_s.arg(folder.filePath()),
                              TMessageBox::Ok, TMessageBox::Ok);
            return;
        }
        QFileDialog::accept();
    }

private:
    bool m_pathMustExist;
};

} // namespace

TSaveDialog::TSaveDialog() : TFileDialog(true, u"SaveDialog"_s) {
    Options = OverwritePrompt | HideReadOnly | PathMustExist | EnableSizing;
}

TOpenDialog::TOpenDialog() : TFileDialog(false, u"OpenDialog"_s) {
    Options = HideReadOnly | PathMustExist | FileMustExist | ShareAware | EnableSizing;
}

void TFileDialog::Prepare(const QString& defaultExt, const QString& fileName, const QString& filter,
                          const QString& title) {
    DefaultExt = defaultExt;
    FileName = fileName;
    Filter = filter;
    FilterIndex = 1;
    Title = title;
}

QStringList TFileDialog::NameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == u"*.*") pattern = u"*"_s;
        }
        filters.append(u"%1 (%2)"_s.arg(parts[i], patterns.join(u' ')));
    }
    return filters;
}

bool TFileDialog::Execute() {
    Seam().Shown.append({Title, Filter, FileName});
    if (!Seam().Answers.isEmpty()) {
        const std::optional<QString> answer = Seam().Answers.takeFirst();
        if (!answer) return false;
        FileName = WithDefaultExt(*answer, DefaultExt);
        return true;
    }

    TPathCheckingDialog dialog(QApplication::activeWindow(), Title, Options.testFlag(PathMustExist));
    dialog.setObjectName(m_objectName);
    dialog.setAcceptMode(m_save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(Options.testFlag(FileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !Options.testFlag(OverwritePrompt));
    dialog.setSizeGripEnabled(Options.testFlag(EnableSizing));
    dialog.setDefaultSuffix(DefaultExt);
    const QStringList filters = NameFilters(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(FilterIndex - 1, filters.first()));
    }
    if (!FileName.isEmpty()) dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    FileName = dialog.selectedFiles().constFirst();
    FilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (FilterIndex == 0) FilterIndex = 1;
    return true;
}

void TFileDialog::SetNextFileName(const QString& path) {
    Seam().Answers.append(path);
}

void TFileDialog::SetNextCancel() {
    Seam().Answers.append(std::nullopt);
}

QList<TFileDialog::TShown> TFileDialog::Shown() {
    return Seam().Shown;
}

void TFileDialog::Reset() {
    Seam().Answers.clear();
    Seam().Shown.clear();
}
