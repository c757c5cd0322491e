#include "MailAddress.h"

namespace MailAddress {

QStringList Split(const QString& recipients) {
    QStringList entries;
    QString entry;
    bool quoted = false;
    bool bracketed = false;
    const auto flush = [&] {
        if (!entry.trimmed().isEmpty()) entries.append(entry.trimmed());
        entry.clear();
    };
    for (const QChar c : recipients) {
        if (c == u'\r' || c == u'\n') {
            // A line ends every entry, whatever was left open on it.
            quoted = bracketed = false;
            flush();
            continue;
        }
        if (c == u'"' && !bracketed) quoted = !quoted;
        if (!quoted) {
            if (c == u'<') bracketed = true;
            if (c == u'>') bracketed = false;
            if (c == u',' && !bracketed) {
                flush();
                continue;
            }
        }
        entry += c;
    }
    flush();
    return entries;
}

QString Bare(const QString& entry) {
    const qsizetype open = entry.lastIndexOf(u'<');
    const qsizetype close = entry.lastIndexOf(u'>');
    if (open >= 0 && close > open) return entry.mid(open + 1, close - open - 1).trimmed();
    return entry.trimmed();
}

} // namespace MailAddress
