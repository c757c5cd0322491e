#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <zip.h>
#include <zlib.h>

// ZIP archives for tests: well-formed ones through libzip, and odd ones byte by byte.

struct ZipMember {
    QString Name;
    QByteArray Content;
    zip_int32_t Method = ZIP_CM_DEFLATE;
};

// False when the library cannot write what is asked (an encryption it was built without).
inline bool MakeZip(const QString& path, const QList<ZipMember>& members, const char* password = nullptr) {
    QFile::remove(path);
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return false;
    bool ok = true;
    for (const ZipMember& m : members) {
        zip_source_t* source = zip_source_buffer(archive, m.Content.constData(), m.Content.size(), 0);
        const zip_int64_t index =
            zip_file_add(archive, m.Name.toUtf8().constData(), source, ZIP_FL_OVERWRITE);
        ok = ok && index >= 0 && zip_set_file_compression(archive, zip_uint64_t(index), m.Method, 0) == 0;
        if (ok && password)
            ok = zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_AES_256, password) == 0;
    }
    if (!ok || zip_close(archive) != 0) {
        zip_discard(archive);
        return false;
    }
    return true;
}

// A member written as it stands: its data are taken as already compressed, and the CRC, the declared
// size and the flags are whatever is given, right or wrong.
struct RawZipMember {
    QByteArray Name;
    QByteArray Data;
    quint16 Method = 0; // 0 stored, 8 deflated
    quint32 Crc = 0;
    quint64 Size = 0; // declared uncompressed size; above 4 GiB the sizes go to a Zip64 field
    quint16 Flags = 0;

    // A stored member whose header tells the truth.
    static RawZipMember Stored(const QByteArray& name, const QByteArray& content) {
        return {name,
                content,
                0,
                quint32(crc32(0, reinterpret_cast<const Bytef*>(content.constData()), uInt(content.size()))),
                quint64(content.size()),
                0};
    }
};

inline QByteArray RawZip(const QList<RawZipMember>& members) {
    const auto put = [](QByteArray& out, quint64 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += char(value >> (8 * i));
    };
    QByteArray local, central;
    for (const RawZipMember& m : members) {
        const bool zip64 = m.Size > 0xFFFFFFFFu;
        QByteArray extra;
        if (zip64) {
            put(extra, 0x0001, 2);
            put(extra, 16, 2);
            put(extra, m.Size, 8);
            put(extra, quint64(m.Data.size()), 8);
        }
        const quint64 offset = quint64(local.size());
        const auto header = [&](QByteArray& out, bool isCentral) {
            put(out, isCentral ? 0x02014b50 : 0x04034b50, 4);
            if (isCentral) put(out, 45, 2); // made by
            put(out, zip64 ? 45 : 20, 2);   // needed to extract
            put(out, m.Flags, 2);
            put(out, m.Method, 2);
            put(out, 0, 4); // time and date
            put(out, m.Crc, 4);
            put(out, zip64 ? 0xFFFFFFFFu : quint64(m.Data.size()), 4);
            put(out, zip64 ? 0xFFFFFFFFu : m.Size, 4);
            put(out, quint64(m.Name.size()), 2);
            put(out, quint64(extra.size()), 2);
            if (isCentral) {
                put(out, 0, 2); // comment
                put(out, 0, 2); // disk
                put(out, 0, 2); // internal attributes
                put(out, 0, 4); // external attributes
                put(out, offset, 4);
            }
            out += m.Name + extra;
        };
        header(local, false);
        local += m.Data;
        header(central, true);
    }
    QByteArray end;
    put(end, 0x06054b50, 4);
    put(end, 0, 4); // disks
    put(end, quint64(members.size()), 2);
    put(end, quint64(members.size()), 2);
    put(end, quint64(central.size()), 4);
    put(end, quint64(local.size()), 4);
    put(end, 0, 2); // comment
    return local + central + end;
}
