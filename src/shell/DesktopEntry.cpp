#include "DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QStringList DataDirs() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(home)) home = QDir::homePath() + u"/.local/share"_s;
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) dirs = u"/usr/local/share:/usr/share"_s;
    return QStringList{home} + dirs.split(u':', Qt::SkipEmptyParts);
}

// The string rules of a desktop file's values: \s \n \t \r \\.
QString Unescape(QStringView value) {
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const QChar next = value[++i];
        text += next == u's'   ? u' '
                : next == u'n' ? u'\n'
                : next == u't' ? u'\t'
                : next == u'r' ? u'\r'
                               : next;
    }
    return text;
}

} // namespace

namespace DesktopEntry {

QString Find(const QString& id) {
    if (id.isEmpty() || id.contains(u'/')) return {};
    for (const QString& dir : DataDirs()) {
        const QString path = dir + u"/applications/"_s + id;
        if (QFileInfo(path).isFile()) return path;
    }
    return {};
}

QStringList Command(const QString& desktopFile, const QStringList& files) {
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == u"[Desktop Entry]"_s;
        else if (inEntry && line.startsWith(u"Exec="_s))
            return SplitExec(Unescape(QStringView(line).mid(5)), files);
    }
    return {};
}

QStringList SplitExec(const QString& exec, const QStringList& files) {
    QStringList arguments;
    QString argument;
    // An argument exists once it has a character or quotes, even empty ones; a dropped field code
    // alone leaves none.
    bool inArgument = false, quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"')
                quoted = false;
            else if (c == u'%' && i + 1 < exec.size() && exec[i + 1] == u'%')
                argument += exec[++i];
            else
                argument += c == u'\\' && i + 1 < exec.size() ? exec[++i] : c;
        } else if (c == u' ' || c == u'\t') {
            if (inArgument) arguments.append(argument);
            argument.clear();
            inArgument = false;
        } else if (c == u'"') {
            quoted = inArgument = true;
        } else if (c == u'%' && i + 1 < exec.size()) {
            const QChar code = exec[++i];
            if (code == u'%') {
                argument += u'%';
                inArgument = true;
            } else if (QStringView(u"fFuU").contains(code)) {
                arguments.append(files);
            }
        } else {
            argument += c;
            inArgument = true;
        }
    }
    if (quoted) return {};
    if (inArgument) arguments.append(argument);
    return arguments;
}

} // namespace DesktopEntry
