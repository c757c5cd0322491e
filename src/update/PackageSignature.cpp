#include "PackageSignature.h"

#include "text/Cp1251.h"

#include <QFile>
#include <QList>
#include <QStringDecoder>

#include <sodium.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView kUntrusted = "untrusted comment: ";
constexpr QByteArrayView kTrusted = "trusted comment: ";
constexpr QByteArrayView kPlain = "Ed";
constexpr QByteArrayView kHashed = "ED";
constexpr qsizetype kAlgorithmSize = 2;
constexpr qsizetype kHashSize = crypto_generichash_BYTES_MAX; // BLAKE2b-512
constexpr qint64 kBlockSize = 1024 * 1024;
const QString kRefused = u" Обновление не применено."_s;

// Lines without their breaks, "\n" or "\r\n" (a file that passed through a Windows mail program);
// empty lines at the end do not count.
QList<QByteArrayView> Lines(QByteArrayView bytes) {
    QList<QByteArrayView> lines;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        QByteArrayView line = end < 0 ? bytes : bytes.first(end);
        if (line.endsWith('\r')) line.chop(1);
        lines << line;
        bytes = end < 0 ? QByteArrayView() : bytes.sliced(end + 1);
    }
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Strict base64 of exactly `size` bytes; empty otherwise. Qt's decoder also takes a stray last character
// or a cut padding: only the one text that encodes the bytes, padded as minisign writes it, is taken.
QByteArray Base64(QByteArrayView text, qsizetype size) {
    const QByteArray trimmed = text.trimmed().toByteArray();
    const auto decoded = QByteArray::fromBase64Encoding(trimmed, QByteArray::AbortOnBase64DecodingErrors);
    return decoded && decoded.decoded.size() == size && decoded.decoded.toBase64() == trimmed
               ? decoded.decoded
               : QByteArray();
}

bool SignatureHolds(const QByteArray& signature, QByteArrayView message, const QByteArray& key) {
    return crypto_sign_verify_detached(reinterpret_cast<const uchar*>(signature.constData()),
                                       reinterpret_cast<const uchar*>(message.data()),
                                       quint64(message.size()),
                                       reinterpret_cast<const uchar*>(key.constData())) == 0;
}

TMinisignSignature ReadSignature(const QString& packageFile, const QString& signatureFile) {
    QFile file(signatureFile);
    if (!file.exists())
        throw TSignatureError(TSignatureError::TKind::Missing,
                              u"Файл обновления "_s + packageFile +
                                  u" не подписан поставщиком: рядом с ним нет файла подписи "_s +
                                  signatureFile + u'.' + kRefused);
    if (!file.open(QIODevice::ReadOnly))
        throw TSignatureError(TSignatureError::TKind::Missing, u"Невозможно открыть файл подписи "_s +
                                                                   signatureFile + u": "_s +
                                                                   file.errorString() + u'.' + kRefused);
    // One byte beyond the limit tells an oversized file, whatever its size claims to be.
    const std::optional<TMinisignSignature> signature =
        TMinisignSignature::Parse(file.read(TMinisignSignature::kMaxFileSize + 1));
    if (!signature)
        throw TSignatureError(TSignatureError::TKind::Malformed,
                              u"Файл подписи "_s + signatureFile +
                                  u" повреждён или не является подписью minisign."_s + kRefused);
    return *signature;
}

// The package as the signature saw it: the file itself, or its BLAKE2b-512 hash.
bool PackageMatches(const QString& packageFile, const TMinisignSignature& signature, const TMinisignKey& key,
                    const TPackageSignature::TPump& processMessages) {
    QFile file(packageFile);
    if (!file.open(QIODevice::ReadOnly)) throw TException(u"Невозможно открыть файл "_s + packageFile);
    const auto readFailure = [&] {
        return TException(u"Невозможно прочитать файл "_s + packageFile + u": "_s + file.errorString());
    };
    if (!signature.Prehashed) {
        // The whole file is the message; a mapping spares a copy of a big one.
        if (file.size() > 0)
            if (const uchar* mapped = file.map(0, file.size()))
                return SignatureHolds(signature.Signature,
                                      QByteArrayView(reinterpret_cast<const char*>(mapped), file.size()),
                                      key.Key);
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) throw readFailure();
        return SignatureHolds(signature.Signature, bytes, key.Key);
    }
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, kHashSize);
    QByteArray block(kBlockSize, Qt::Uninitialized);
    for (;;) {
        if (processMessages) processMessages();
        const qint64 count = file.read(block.data(), kBlockSize);
        if (count < 0) throw readFailure();
        if (count == 0) break;
        crypto_generichash_update(&state, reinterpret_cast<const uchar*>(block.constData()), quint64(count));
    }
    QByteArray hash(kHashSize, Qt::Uninitialized);
    crypto_generichash_final(&state, reinterpret_cast<uchar*>(hash.data()), kHashSize);
    return SignatureHolds(signature.Signature, hash, key.Key);
}

} // namespace

std::optional<TMinisignKey> TMinisignKey::Parse(QByteArrayView text) {
    const QList<QByteArrayView> lines = Lines(text.trimmed());
    if (lines.isEmpty() || lines.size() > 2 || (lines.size() == 2 && !lines[0].startsWith(kUntrusted)))
        return {};
    const QByteArray bytes = Base64(lines.constLast(), kAlgorithmSize + kKeyIdSize + kKeySize);
    if (!bytes.startsWith(kPlain)) return {};
    return TMinisignKey{bytes.sliced(kAlgorithmSize, kKeyIdSize), bytes.sliced(kAlgorithmSize + kKeyIdSize)};
}

QString TMinisignKey::KeyIdText(const QByteArray& keyId) {
    QByteArray reversed(keyId.size(), Qt::Uninitialized);
    std::reverse_copy(keyId.begin(), keyId.end(), reversed.begin());
    return QString::fromLatin1(reversed.toHex().toUpper());
}

std::optional<TMinisignSignature> TMinisignSignature::Parse(QByteArrayView bytes) {
    if (bytes.size() > kMaxFileSize) return {};
    const QList<QByteArrayView> lines = Lines(bytes);
    if (lines.size() != 4 || !lines[0].startsWith(kUntrusted) || !lines[2].startsWith(kTrusted)) return {};
    const QByteArray signatureLine =
        Base64(lines[1], kAlgorithmSize + TMinisignKey::kKeyIdSize + kSignatureSize);
    const QByteArray global = Base64(lines[3], kSignatureSize);
    const QByteArrayView algorithm =
        QByteArrayView(signatureLine).first(std::min(signatureLine.size(), kAlgorithmSize));
    if (global.isEmpty() || (algorithm != kPlain && algorithm != kHashed)) return {};
    return TMinisignSignature{algorithm == kHashed,
                              signatureLine.sliced(kAlgorithmSize, TMinisignKey::kKeyIdSize),
                              signatureLine.sliced(kAlgorithmSize + TMinisignKey::kKeyIdSize),
                              lines[2].sliced(kTrusted.size()).toByteArray(), global};
}

QString TPackageSignature::Verify(const QString& packageFile, const QString& signatureFile,
                                  const TMinisignKey& key, const TPump& processMessages) {
    static const bool sodiumReady = sodium_init() >= 0;
    if (!sodiumReady) throw TException(u"Не удалось запустить проверку подписей (libsodium)"_s);

    const TMinisignSignature signature = ReadSignature(packageFile, signatureFile);
    if (signature.KeyId != key.KeyId)
        throw TSignatureError(
            TSignatureError::TKind::WrongKey,
            u"Файл обновления "_s + packageFile + u" подписан не ключом поставщика (ключ подписи "_s +
                TMinisignKey::KeyIdText(signature.KeyId) + u", ключ поставщика "_s +
                TMinisignKey::KeyIdText(key.KeyId) + u"): файл мог быть подменён."_s + kRefused);
    // The global signature vouches for the signature line and the trusted comment the user is shown.
    if (!SignatureHolds(signature.GlobalSignature, signature.Signature + signature.TrustedComment, key.Key))
        throw TSignatureError(TSignatureError::TKind::Mismatch,
                              u"Файл подписи "_s + signatureFile +
                                  u" изменён или повреждён: его подписанный комментарий не подтверждён "
                                  u"ключом поставщика."_s +
                                  kRefused);
    if (!PackageMatches(packageFile, signature, key, processMessages))
        throw TSignatureError(TSignatureError::TKind::Mismatch,
                              u"Файл обновления "_s + packageFile +
                                  u" не соответствует подписи поставщика: он изменён или повреждён после "
                                  u"подписания."_s +
                                  kRefused);
    return CommentText(signature.TrustedComment);
}

TMinisignKey TPackageSignature::PinnedKey(const QString& keyLine) {
    const std::optional<TMinisignKey> key = TMinisignKey::Parse(keyLine.toLatin1());
    if (!key)
        throw TSignatureError(TSignatureError::TKind::Malformed,
                              u"Ключ поставщика для проверки подписей обновлений задан неверно: обратитесь "
                              u"к поставщику программы."_s +
                                  kRefused);
    return *key;
}

QString TPackageSignature::CommentText(const QByteArray& comment) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(comment);
    return utf8.hasError() ? Cp1251::Decode(comment) : text;
}
