#include "Platform.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

const QString kMimeType = u"application/x-tevlar-order"_s;

QString DataHome() {
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured)) return configured;
    return QDir::homePath() + u"/.local/share"_s;
}

bool WriteFile(const QString& path, const QByteArray& content) {
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(content) == content.size() &&
           file.commit();
}

// A path as one quoted argument of a desktop entry's Exec key: the Exec rules escape " ` $ \ inside
// the quotes, the string rules of the file then double every backslash, and % starts field codes.
QString QuotedExecArgument(const QString& path) {
    QString quoted;
    for (QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u"\\"_s, u"\\\\"_s);
    quoted.replace(u"%"_s, u"%%"_s);
    return u'"' + quoted + u'"';
}

void StartDetached(const QString& tool, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (!program.isEmpty()) QProcess::startDetached(program, arguments);
}

QStringList Entries(const QString& text) {
    QStringList entries;
    for (const QString& line : text.split(u'\n')) {
        const QString entry = line.endsWith(u'\r') ? line.chopped(1) : line;
        if (!entry.trimmed().isEmpty()) entries.append(entry);
    }
    return entries;
}

} // namespace

namespace Platform {

bool RegisterOrderFileType(const QString& programPath) {
    // A line break in the path would end the Exec line and could add keys of its own.
    for (QChar c : programPath)
        if (c.category() == QChar::Other_Control) return false;

    const QString dataHome = DataHome();
    const QString mime = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         u"<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                         u"  <mime-type type=\"%1\">\n"
                         u"    <comment>Файл заказа</comment>\n"
                         u"    <glob pattern=\"*.zkz\"/>\n"
                         u"  </mime-type>\n"
                         u"</mime-info>\n"_s.arg(kMimeType);
    const QString desktop = u"[Desktop Entry]\n"
                            u"Type=Application\n"
                            u"Name=Тевлар\n"
                            u"Comment=Файл заказа\n"
                            u"Exec=%1 %f\n"
                            u"MimeType=%2;\n"
                            u"NoDisplay=true\n"
                            u"Terminal=false\n"_s.arg(QuotedExecArgument(programPath), kMimeType);
    if (!WriteFile(dataHome + u"/mime/packages/tevlar-order.xml"_s, mime.toUtf8()) ||
        !WriteFile(dataHome + u"/applications/tevlar.desktop"_s, desktop.toUtf8()))
        return false;

    // The desktop reads its caches, not these files: rebuild them, without waiting.
    StartDetached(u"update-mime-database"_s, {dataHome + u"/mime"_s});
    StartDetached(u"update-desktop-database"_s, {dataHome + u"/applications"_s});
    return true;
}

bool SendMail(const QString& recipients, const QString& subject, const QString& body,
              const QString& attachments) {
    const QString program = QStandardPaths::findExecutable(u"xdg-email"_s);
    if (program.isEmpty()) return false;
    // Qt passes arguments as UTF-8 whatever the locale says; without --utf8 xdg-email would
    // convert them once more from the locale's code page.
    QStringList arguments{u"--utf8"_s};
    // xdg-email refuses an empty value.
    if (!subject.isEmpty()) arguments << u"--subject"_s << subject;
    if (!body.isEmpty()) arguments << u"--body"_s << body;
    for (const QString& path : Entries(attachments))
        arguments << u"--attach"_s << QFileInfo(path).absoluteFilePath();
    for (const QString& entry : Entries(recipients)) {
        const QString recipient = entry.trimmed();
        // Anything else would be read as an option, or make xdg-email refuse the whole message.
        if (!recipient.startsWith(u'-') && recipient.contains(u'@')) arguments << recipient;
    }
    return QProcess::startDetached(program, arguments);
}

bool OpenDocument(const QString& pathOrUrl) {
    const QFileInfo file(pathOrUrl);
    const QUrl url =
        file.exists() ? QUrl::fromLocalFile(file.absoluteFilePath()) : QUrl::fromUserInput(pathOrUrl);
    return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace Platform
