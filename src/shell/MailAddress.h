#pragma once

#include <QString>
#include <QStringList>

// The recipient texts of a message: "Name" <address> entries, one per line or separated by commas.
namespace MailAddress {

// One entry per recipient. A comma inside a quoted display name or inside angle brackets belongs to
// its entry; blank entries are dropped.
QStringList Split(const QString& recipients);

// The address of an entry: what stands in its angle brackets, else the whole entry, trimmed.
QString Bare(const QString& entry);

} // namespace MailAddress
