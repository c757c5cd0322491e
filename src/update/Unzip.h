#pragma once

#include <QString>

#include <functional>

// Unpacks one member of a ZIP archive (stored or Deflate), its CRC checked.
class TUnzip {
public:
    // Far above any price list; an archive that would unpack beyond it is refused.
    static constexpr qint64 kDefaultSizeLimit = qint64(1) << 30;

    explicit TUnzip(QString zipFileName) : m_zipFileName(std::move(zipFileName)) {}

    // Bytes the member may unpack to, counted while reading: the size an archive declares can lie.
    qint64 SizeLimit = kDefaultSizeLimit;
    // Called between blocks, so that a window stays painted; may be empty.
    std::function<void()> ProcessMessages;

    // Extracts the member of that name (letter case ignored when no name matches exactly) from the
    // archive's root into the folder under the name asked for, replacing a file of that name there in
    // one piece; a name with a path in it is refused. Returns the number of files extracted: 0, without any
    // message, when the file is not a ZIP archive or has no such member. A damaged, encrypted or
    // oversized member, or a file that cannot be written, raises TException and leaves the folder's
    // file as it was.
    int Extract(const QString& memberName, const QString& folder);

private:
    QString m_zipFileName;
};
