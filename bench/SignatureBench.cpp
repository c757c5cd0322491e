#include "BenchSuite.h"

#include "update/PackageSignature.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdlib>
#include <memory>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// The real minisign program signs, as the wholesaler would; a bench without it cannot run the rows.
void Minisign(const QStringList& arguments) {
    QProcess minisign;
    minisign.start(u"minisign"_s, arguments);
    minisign.closeWriteChannel();
    if (!minisign.waitForFinished(60000) || minisign.exitCode() != 0) std::abort();
}

} // namespace

// The check before anything is unpacked: the published archive signed as minisign does by default
// (its BLAKE2b hash), and a plain package signed the legacy way (the whole file is the message).
void AddSignatureRows(BenchSuite& suite, const BenchData& data) {
    const QDir folder(data.Folder);
    const QString publicKey = folder.filePath(u"bench.pub"_s);
    const QString secretKey = folder.filePath(u"bench.key"_s);
    const auto key = std::make_shared<TMinisignKey>();
    for (const auto& [name, file, legacyKind] :
         {std::tuple{u"update.signature"_s, u"upgrade.zip"_s, false},
          std::tuple{u"update.signature.legacy"_s, u"upgrade.upr"_s, true}}) {
        const bool legacy = legacyKind; // clang 14 cannot capture a structured binding
        const QString package = folder.filePath(file);
        const QString signature = package + u".minisig"_s;
        suite.Add({.Name = name,
                   .N = data.Articles,
                   .Prepare =
                       [=] {
                           if (!QFile::exists(publicKey))
                               Minisign({u"-G"_s, u"-W"_s, u"-f"_s, u"-p"_s, publicKey, u"-s"_s, secretKey});
                           QFile pub(publicKey);
                           if (!pub.open(QIODevice::ReadOnly)) std::abort();
                           *key = TMinisignKey::Parse(pub.readAll()).value();
                           QStringList sign{u"-S"_s, u"-s"_s, secretKey, u"-m"_s, package};
                           if (legacy) sign << u"-l"_s;
                           Minisign(sign);
                       },
                   .Run = [=] { TPackageSignature::Verify(package, signature, *key); },
                   .Floor = [=] { BenchData::ReadAndDecode(package); }});
    }
}
