#pragma once

#include <QString>
#include <QStringView>

// The wholesaler who hands the program to its customers, and the program's developer. Every address
// lies in the reserved ".example" domain until a real distribution fills them in.
namespace Vendor {

inline constexpr QStringView WebHost = u"www.velstron.example";

// The two order mailboxes, in display form: "name" <address>.
inline constexpr QStringView OrderEmail1 = u"\"ООО Велстрон, отдел продаж\" <zakaz@velstron.example>";
inline constexpr QStringView OrderEmail2 = u"\"ООО Велстрон, склад\" <sklad@velstron.example>";

// Postal code, city and post-office box; street; phone and fax.
inline constexpr QStringView AddressLine1 = u"000000, г. Ольмеград, а/я 00";
inline constexpr QStringView AddressLine2 = u"ул. Заводская, д. 1";
inline constexpr QStringView AddressLine3 = u"тел. (000) 000-00-00, факс (000) 000-00-01";

inline constexpr QStringView DeveloperName = u"Разработчик программы";
inline constexpr QStringView DeveloperEmail = u"tevlar@developer.example";

// The wholesaler's minisign public key, the second line of its minisign.pub ("RWQ…"). When set, every
// update package must come with a signature by it (<package>.minisig); empty, packages are taken
// unsigned.
inline constexpr QStringView UpdateSigningKey = u"";

// Where the automatic update fetches the package unless the user names another address.
inline QString DefaultUpdateAddress() {
    return WebHost.toString() + QStringLiteral("/dynamic/upload/upload/upgrade.zip");
}

} // namespace Vendor
