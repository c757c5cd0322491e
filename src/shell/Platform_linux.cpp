#include "Platform.h"

#include "DesktopEntry.h"
#include "ExternalProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QUrl>

#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {

QString DataHome() {
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured)) return configured;
    return QDir::homePath() + u"/.local/share"_s;
}

enum class TWrite { Failed, Unchanged, Written };

TWrite WriteIfChanged(const QString& path, const QByteArray& content) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) return TWrite::Unchanged;
    if (!QDir().mkpath(QFileInfo(path).path())) return TWrite::Failed;
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                         file.write(content) == content.size() && file.commit();
    return written ? TWrite::Written : TWrite::Failed;
}

// A text as one quoted argument of a desktop entry's Exec key: the Exec rules escape " ` $ \ inside
// the quotes, the string rules of the file then double every backslash, and % starts field codes.
QString QuotedExecArgument(const QString& text) {
    QString quoted;
    for (QChar c : text) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u"\\"_s, u"\\\\"_s);
    quoted.replace(u"%"_s, u"%%"_s);
    return u'"' + quoted + u'"';
}

bool HasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

// What xdg-open's exit code means for the user.
Platform::THandOff OpenOutcome(int exitCode) {
    switch (exitCode) {
    case 0:
        return {};
    case 2:
        return {Platform::THandOff::Failed, u"файл не найден"_s};
    case 3:
        return {Platform::THandOff::Failed, u"на компьютере нет программы, открывающей такие файлы"_s};
    case 4:
        return {Platform::THandOff::Failed, u"программа, открывающая такие файлы, сообщила об ошибке"_s};
    case -1:
        return {Platform::THandOff::Failed, u"не удалось запустить программу xdg-open (пакет xdg-utils)"_s};
    default:
        return {Platform::THandOff::Failed, u"программа xdg-open завершилась с кодом %1"_s.arg(exitCode)};
    }
}

bool IsLibreOffice(const QString& desktopId, const QStringList& command) {
    if (desktopId.contains(u"libreoffice"_s, Qt::CaseInsensitive)) return true;
    const QString program = command.isEmpty() ? QString() : QFileInfo(command.first()).fileName();
    return program == u"libreoffice"_s || program == u"soffice"_s || program == u"localc"_s;
}

// LibreOffice's text import: tab-separated, double quotes around text, Windows-1251 (its encoding
// number 34), from the first line, Russian number forms (language 1049).
const QString kLibreOfficeTabText = u"--infilter=Text - txt - csv (StarCalc):9,34,34,1,,1049"_s;

} // namespace

namespace Platform {

void TuneAllocator() {
    // glibc maps a block of more than 128 KB afresh (raising the limit only to the biggest block freed
    // so far) and unmaps it when freed, so each use pays for faulting its pages in again.
    constexpr int kMapped = 32 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kMapped);
    mallopt(M_TRIM_THRESHOLD, 2 * kMapped);
}

bool IsInstalled(const QString& executableDir) {
    return QFileInfo::exists(executableDir + u"/../share/applications/"_s + DesktopId + u".desktop"_s);
}

bool RegisterOrderFileType(const QString& programPath, const QString& home) {
    // A line break would end the Exec line and could add keys of its own.
    if (HasControlCharacter(programPath) || HasControlCharacter(home)) return false;

    const QString dataHome = DataHome();
    const QString mime = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         u"<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                         u"  <mime-type type=\"%1\">\n"
                         u"    <comment>Файл заказа</comment>\n"
                         u"    <glob pattern=\"*.zkz\"/>\n"
                         u"  </mime-type>\n"
                         u"</mime-info>\n"_s.arg(OrderMimeType);
    const QString command = home.isEmpty() ? QuotedExecArgument(programPath)
                                           : u"env "_s + QuotedExecArgument(u"TEVLAR_HOME="_s + home) + u' ' +
                                                 QuotedExecArgument(programPath);
    const QString desktop = u"[Desktop Entry]\n"
                            u"Type=Application\n"
                            u"Name=Тевлар\n"
                            u"Comment=Файл заказа\n"
                            u"Exec=%1 %f\n"
                            u"MimeType=%2;\n"
                            u"NoDisplay=true\n"
                            u"Terminal=false\n"_s.arg(command, OrderMimeType);
    const TWrite mimeWrite =
        WriteIfChanged(dataHome + u"/mime/packages/"_s + DesktopId + u".xml"_s, mime.toUtf8());
    const TWrite desktopWrite =
        WriteIfChanged(dataHome + u"/applications/"_s + DesktopId + u".desktop"_s, desktop.toUtf8());

    // The desktop reads its caches, not these files: rebuild what changed, without waiting.
    const auto ignore = [](int) {};
    if (mimeWrite == TWrite::Written) RunExternal(u"update-mime-database"_s, {dataHome + u"/mime"_s}, ignore);
    if (desktopWrite == TWrite::Written)
        RunExternal(u"update-desktop-database"_s, {dataHome + u"/applications"_s}, ignore);
    return mimeWrite != TWrite::Failed && desktopWrite != TWrite::Failed;
}

void OpenDocument(const QString& pathOrUrl, const THandOffDone& done) {
    const QFileInfo file(pathOrUrl);
    const QUrl url =
        file.exists() ? QUrl::fromLocalFile(file.absoluteFilePath()) : QUrl::fromUserInput(pathOrUrl);
    if (!url.isValid()) {
        done({THandOff::Failed, u"это не адрес и не файл"_s});
        return;
    }
    const QString argument = url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
    RunExternal(u"xdg-open"_s, {argument}, [done](int exitCode) { done(OpenOutcome(exitCode)); });
}

void OpenTabText(const QString& path, const THandOffDone& done) {
    // The handler is chosen by the extension, as a file manager does: by its content an export is
    // plain text, which is what xdg-open on a plain desktop would go by.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString mimeType = QMimeDatabase().mimeTypeForFile(absolute, QMimeDatabase::MatchExtension).name();
    const QString handler = QueryExternal(u"xdg-mime"_s, {u"query"_s, u"default"_s, mimeType});
    const QString entry = DesktopEntry::Find(handler);
    QStringList command = DesktopEntry::Command(entry, {absolute});
    if (command.isEmpty()) {
        OpenDocument(absolute, done);
        return;
    }
    if (IsLibreOffice(handler, command))
        command = DesktopEntry::Command(entry, {kLibreOfficeTabText, absolute});
    RunExternal(command.first(), command.mid(1), [done, command](int exitCode) {
        if (exitCode == 0)
            done({});
        else
            done({THandOff::Failed,
                  u"программа %1 не запустилась или сообщила об ошибке"_s.arg(command.first())});
    });
}

} // namespace Platform
