#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The wholesaler who hands the program to its customers: the vendor file the package was built with
// (CMake's TEVLAR_VENDOR_FILE), compiled in. The developer is the program's own.
namespace Vendor {

// The value of a key of the vendor file; empty when the file has no such key.
QString Value(QStringView key);

// ООО "Велстрон": the company in its own quotes.
QString Name();
// "Тевлар. ООО Велстрон, г. Ольмеград": the name without its quotes and the city.
QString MainCaption();
QString WebHost();
// The two order mailboxes, in display form: "name" <address>.
QString OrderEmail1();
QString OrderEmail2();
// Postal code, city and post-office box; street; phone and fax.
QStringList AddressLines();
// Where the automatic update fetches the package unless the user names another address.
QString DefaultUpdateAddress();

inline constexpr QStringView DeveloperName = u"Разработчик программы";
inline constexpr QStringView DeveloperEmail = u"tevlar@developer.example";

// The wholesaler's minisign public key, the base64 line of its minisign.pub ("RW…"). When set, every
// update package must come with a signature by it (<package>.minisig); empty, packages are taken
// unsigned.
QString UpdateSigningKey();

} // namespace Vendor
