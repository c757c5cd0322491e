#include "UpdateSignature.h"

#include "framework/ProcessMessages.h"
#include "PackageSignature.h"
#include "shell/VendorInfo.h"

using namespace Qt::StringLiterals;

namespace {

std::optional<QString>& KeyInPlace() {
    static std::optional<QString> key;
    return key;
}

} // namespace

QString PinnedUpdateKey() {
    return KeyInPlace().value_or(Vendor::UpdateSigningKey()).trimmed();
}

void SetPinnedUpdateKey(const QString& keyLine) {
    KeyInPlace() = keyLine.isNull() ? std::nullopt : std::optional<QString>(keyLine);
}

QString SignatureFileOf(const QString& packageFile) {
    return packageFile + u".minisig"_s;
}

std::optional<QString> CheckUpdateSignature(const QString& packageFile) {
    const QString keyLine = PinnedUpdateKey();
    if (keyLine.isEmpty()) return std::nullopt;
    return TPackageSignature::Verify(packageFile, SignatureFileOf(packageFile),
                                     TPackageSignature::PinnedKey(keyLine), ProcessMessages);
}
