#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

// A file dialog object set up before each use, like the main window's SaveDialog and OpenDialog.
// Test seam: a test queues the next answer (a path or a cancel) and reads back what was shown;
// with nothing queued the real dialog appears, named "SaveDialog" or "OpenDialog".
class TFileDialog {
public:
    // HideReadOnly, PathMustExist and ShareAware describe what Qt's dialog does anyway.
    enum Option {
        OverwritePrompt = 0x01,
        HideReadOnly = 0x02,
        PathMustExist = 0x04,
        FileMustExist = 0x08,
        ShareAware = 0x10,
        EnableSizing = 0x20,
    };
    Q_DECLARE_FLAGS(TOptions, Option)

    QString DefaultExt;  // without the dot; added to a chosen name that has no extension
    QString FileName;    // proposed before Execute, chosen after it
    QString Filter;      // "Title|*.ext|Title2|*.ext2;*.ext3"
    int FilterIndex = 1; // from 1, as chosen after Execute
    QString Title;
    TOptions Options;

    // Sets what each use sets anew: the first filter entry is selected.
    void Prepare(const QString& defaultExt, const QString& fileName, const QString& filter,
                 const QString& title);
    // Modal; true with FileName set when the user chose a file.
    bool Execute();

    // "Title|*.a;*.b" as Qt's name filters "Title (*.a *.b)"; "*.*" means every file.
    static QStringList NameFilters(const QString& filter);

    struct TShown {
        QString Title;
        QString Filter;
        QString FileName;
    };
    static void SetNextFileName(const QString& path);
    static void SetNextCancel();
    static QList<TShown> Shown();
    static void Reset();

protected:
    TFileDialog(bool save, QString objectName) : m_save(save), m_objectName(std::move(objectName)) {}

private:
    bool m_save;
    QString m_objectName;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TFileDialog::TOptions)

// Asks before overwriting and needs an existing folder.
class TSaveDialog : public TFileDialog {
public:
    TSaveDialog();
};

// Needs an existing file in an existing folder.
class TOpenDialog : public TFileDialog {
public:
    TOpenDialog();
};
