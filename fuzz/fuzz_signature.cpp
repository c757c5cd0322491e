// The minisign signature file and public key parsers on any bytes. A parsed signature or key written out
// again is the text that was read (its comment lines aside) and parses to the same; the check of a package
// refuses the input for the reason the parser gives (malformed, another key, no match: no input signs for
// a key it never saw); and the same trusted comment, signed with that key, passes the check and is shown.
#include "FuzzSupport.h"

#include "update/PackageSignature.h"

#include <QtEndian>

#include <sodium.h>

using namespace Qt::StringLiterals;

namespace {

struct TKeyPair {
    QByteArray Public = QByteArray(crypto_sign_PUBLICKEYBYTES, 0);
    QByteArray Secret = QByteArray(crypto_sign_SECRETKEYBYTES, 0);
    QByteArray KeyId = "\x11\x22\x33\x44\x55\x66\x77\x88";
    TKeyPair() {
        FUZZ_CHECK(sodium_init() >= 0);
        crypto_sign_keypair(reinterpret_cast<uchar*>(Public.data()), reinterpret_cast<uchar*>(Secret.data()));
    }
    TMinisignKey Key() const { return {KeyId, Public}; }
    QByteArray Sign(QByteArrayView message) const {
        QByteArray signature(crypto_sign_BYTES, 0);
        crypto_sign_detached(reinterpret_cast<uchar*>(signature.data()), nullptr,
                             reinterpret_cast<const uchar*>(message.data()), quint64(message.size()),
                             reinterpret_cast<const uchar*>(Secret.constData()));
        return signature;
    }
};

const QByteArray kPackage = "PK\x03\x04 the package the signatures are checked against";

QByteArray Serialized(const TMinisignSignature& s) {
    return "untrusted comment: signature from minisign secret key\r\n" +
           ((s.Prehashed ? "ED" : "Ed") + s.KeyId + s.Signature).toBase64() +
           "\r\ntrusted comment: " + s.TrustedComment + "\r\n" + s.GlobalSignature.toBase64() + "\r\n";
}

// The input's lines as the parser takes them: without their line ends.
QList<QByteArray> Lines(QByteArrayView bytes) {
    QList<QByteArray> lines = bytes.toByteArray().split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}

void CheckSignature(QByteArrayView input, const TKeyPair& keys) {
    const std::optional<TMinisignSignature> parsed = TMinisignSignature::Parse(input);
    const TFuzzFolder& folder = TFuzzFolder::Get();
    const QString package = folder.Path(u"upgrade.zip"_s), signature = folder.Path(u"upgrade.zip.minisig"_s);
    folder.Write(u"upgrade.zip.minisig"_s, input);
    try {
        TPackageSignature::Verify(package, signature, keys.Key());
        FuzzFailed("a signature the key never made passes", __FILE__, __LINE__);
    } catch (const TSignatureError& e) {
        using K = TSignatureError::TKind;
        FUZZ_CHECK(e.Kind() == (!parsed                       ? K::Malformed
                                : parsed->KeyId != keys.KeyId ? K::WrongKey
                                                              : K::Mismatch));
    }
    if (!parsed) return;

    const QByteArray text = Serialized(*parsed);
    const QList<QByteArray> read = Lines(input), written = Lines(text);
    FUZZ_CHECK(read[1].trimmed() == written[1] && read[2] == written[2] && read[3].trimmed() == written[3]);
    const std::optional<TMinisignSignature> again = TMinisignSignature::Parse(text);
    FUZZ_CHECK(again && again->Prehashed == parsed->Prehashed && again->KeyId == parsed->KeyId);
    FUZZ_CHECK(again->Signature == parsed->Signature && again->TrustedComment == parsed->TrustedComment);
    FUZZ_CHECK(again->GlobalSignature == parsed->GlobalSignature);

    TMinisignSignature ours = *parsed;
    ours.KeyId = keys.KeyId;
    QByteArray message = kPackage;
    if (ours.Prehashed) {
        QByteArray hash(crypto_generichash_BYTES_MAX, 0);
        crypto_generichash(reinterpret_cast<uchar*>(hash.data()), size_t(hash.size()),
                           reinterpret_cast<const uchar*>(kPackage.constData()), quint64(kPackage.size()),
                           nullptr, 0);
        message = hash;
    }
    ours.Signature = keys.Sign(message);
    ours.GlobalSignature = keys.Sign(ours.Signature + ours.TrustedComment);
    folder.Write(u"upgrade.zip.minisig"_s, Serialized(ours));
    FUZZ_CHECK(TPackageSignature::Verify(package, signature, keys.Key()) ==
               TPackageSignature::CommentText(ours.TrustedComment));
}

void CheckKey(QByteArrayView input) {
    const std::optional<TMinisignKey> key = TMinisignKey::Parse(input);
    const QString line = QString::fromLatin1(input);
    if (!key) {
        FUZZ_CHECK(Refused([&] { TPackageSignature::PinnedKey(line); }));
        return;
    }
    const TMinisignKey pinned = TPackageSignature::PinnedKey(line);
    FUZZ_CHECK(pinned.KeyId == key->KeyId && pinned.Key == key->Key);
    const QString id = TMinisignKey::KeyIdText(key->KeyId);
    FUZZ_CHECK(id.size() <= 16 &&
               id.toULongLong(nullptr, 16) == qFromLittleEndian<quint64>(key->KeyId.constData()));
    const QByteArray encoded = ("Ed" + key->KeyId + key->Key).toBase64();
    FUZZ_CHECK(Lines(input.trimmed()).constLast().trimmed() == encoded);
    const std::optional<TMinisignKey> again =
        TMinisignKey::Parse("untrusted comment: minisign public key " +
                            TMinisignKey::KeyIdText(key->KeyId).toLatin1() + "\n" + encoded + "\n");
    FUZZ_CHECK(again && again->KeyId == key->KeyId && again->Key == key->Key);
}

} // namespace

void FuzzPrepare() {
    TFuzzFolder::Get().Write(u"upgrade.zip"_s, kPackage);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TKeyPair keys;
    CheckSignature(FuzzInput(data, size), keys);
    CheckKey(FuzzInput(data, size));
    return 0;
}
