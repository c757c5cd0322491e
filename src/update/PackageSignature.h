#pragma once

#include "text/TException.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

// Why a package's signature was refused; the message says it to the user.
class TSignatureError : public TException {
public:
    enum class TKind { Missing, Malformed, WrongKey, Mismatch };
    TSignatureError(TKind kind, const QString& message) : TException(message), m_kind(kind) {}
    TKind Kind() const { return m_kind; }

private:
    TKind m_kind;
};

// A minisign public key: base64 of "Ed", the 8-byte key id and the 32-byte Ed25519 key.
struct TMinisignKey {
    static constexpr qsizetype kKeyIdSize = 8;
    static constexpr qsizetype kKeySize = 32;

    QByteArray KeyId;
    QByteArray Key;

    // The key line as minisign prints it, or the whole minisign.pub (its last line counts); nullopt
    // when it is no minisign key.
    static std::optional<TMinisignKey> Parse(QByteArrayView text);
    // The key id as minisign names it in its comments: hexadecimal, the last byte first, without leading
    // zeros.
    static QString KeyIdText(const QByteArray& keyId);
};

// A minisign signature file (.minisig): an untrusted comment line, base64 of the algorithm ("Ed" signs
// the file itself, "ED" its BLAKE2b-512 hash), the key id and the signature; the trusted comment line;
// base64 of the global signature over the signature and the trusted comment.
struct TMinisignSignature {
    static constexpr qsizetype kSignatureSize = 64;
    // Comments of a few lines' worth; anything longer is no signature this program reads.
    static constexpr qint64 kMaxFileSize = 8192;

    bool Prehashed = false;
    QByteArray KeyId;
    QByteArray Signature;
    QByteArray TrustedComment; // the bytes after "trusted comment: ", without the line break
    QByteArray GlobalSignature;

    // nullopt for anything but a well-formed signature file of at most kMaxFileSize bytes.
    static std::optional<TMinisignSignature> Parse(QByteArrayView bytes);
};

// Checks an update package against its minisign signature file and the key the vendor pinned.
class TPackageSignature {
public:
    using TPump = std::function<void()>;

    // Fails with TSignatureError when the signature file is missing, malformed, made with another key
    // or does not match the package; returns the trusted comment for the user to read.
    static QString Verify(const QString& packageFile, const QString& signatureFile, const TMinisignKey& key,
                          const TPump& processMessages = {});
    // The pinned key line; a line that does not parse raises TSignatureError (Malformed).
    static TMinisignKey PinnedKey(const QString& keyLine);
    // The trusted comment as text: UTF-8 as minisign writes it, else Windows-1251.
    static QString CommentText(const QByteArray& comment);
};
