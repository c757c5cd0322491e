#pragma once

#include <QString>

#include <optional>

// The minisign public key update packages must be signed with: the vendor's, unless a test put one of
// its own in its place; trimmed. Empty: packages are taken unsigned.
QString PinnedUpdateKey();
// A null string goes back to the vendor's key.
void SetPinnedUpdateKey(const QString& keyLine);

// Where a package's signature lies: beside it, its name followed by ".minisig".
QString SignatureFileOf(const QString& packageFile);

// With a pinned key, checks the package against its signature file and returns the trusted comment;
// a missing, malformed, foreign or non-matching signature raises TSignatureError. Without a key
// nothing is read and the result is nullopt. Shows no wait window of its own.
std::optional<QString> CheckUpdateSignature(const QString& packageFile);
