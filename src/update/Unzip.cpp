#include "Unzip.h"

#include "text/SaveFile.h"
#include "text/TException.h"

#include <QFile>

#include <zip.h>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kBlock = 256 * 1024;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct MemberCloser {
    void operator()(zip_file_t* member) const { zip_fclose(member); }
};

// Every ZIP archive starts with a local file header; a file that does but does not open is a
// damaged or cut-off archive rather than some other kind of file.
bool StartsLikeZip(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayView("PK\x03\x04", 4);
}

} // namespace

int TUnzip::Extract(const QString& memberName, const QString& folder) {
    const auto fail = [&](const QString& what) -> TException {
        return TException(u"Файл "_s + memberName + u" в архиве "_s + m_zipFileName + u' ' + what);
    };
    const auto failMember = [&](int zipError) -> TException {
        switch (zipError) {
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
        case ZIP_ER_ENCRNOTSUPP:
            return fail(u"зашифрован"_s);
        case ZIP_ER_COMPNOTSUPP:
            return fail(u"сжат неподдерживаемым способом"_s);
        case ZIP_ER_MEMORY:
            return fail(u"не помещается в памяти"_s);
        default:
            return fail(u"повреждён"_s);
        }
    };

    // Whatever name is asked for, nothing is written outside the folder.
    if (memberName.isEmpty() || memberName.contains(u'/') || memberName.contains(u'\\') ||
        memberName == u"."_s || memberName == u".."_s)
        throw TException(u"Недопустимое имя файла для извлечения из архива: "_s + memberName);

    int openError = 0;
    const std::unique_ptr<zip_t, ArchiveCloser> archive(
        zip_open(QFile::encodeName(m_zipFileName).constData(), ZIP_RDONLY, &openError));
    if (!archive) {
        if (StartsLikeZip(m_zipFileName))
            throw TException(u"Архив "_s + m_zipFileName + u" повреждён или загружен не полностью"_s);
        return 0;
    }
    // The archiver's file system ignored letter case (UPGRADE.UPR is the same file); an exact match
    // still goes first.
    const QByteArray name = memberName.toUtf8();
    zip_int64_t index = zip_name_locate(archive.get(), name.constData(), 0);
    if (index < 0) index = zip_name_locate(archive.get(), name.constData(), ZIP_FL_NOCASE);
    if (index < 0) return 0;

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive.get(), zip_uint64_t(index), 0, &stat) != 0)
        throw failMember(zip_error_code_zip(zip_get_error(archive.get())));
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        throw failMember(ZIP_ER_NOPASSWD);
    const auto tooBig = [&] { return fail(u"больше допустимого размера (%1 байт)"_s.arg(SizeLimit)); };
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(SizeLimit)) throw tooBig();
    const std::unique_ptr<zip_file_t, MemberCloser> member(
        zip_fopen_index(archive.get(), zip_uint64_t(index), 0));
    if (!member) throw failMember(zip_error_code_zip(zip_get_error(archive.get())));

    // Joined by hand: QDir takes a name that starts with ":" for a path of its own (a resource), and
    // the file would be written in the working folder.
    const QString targetName = folder + u'/' + memberName;
    TSaveFile target(targetName);
    const auto failWrite = [&] {
        return TException(u"Невозможно записать файл "_s + targetName + u": "_s + target.Reason());
    };
    if (!target.Open()) throw failWrite();

    std::vector<char> buffer(kBlock);
    qint64 total = 0;
    for (;;) {
        const zip_int64_t read = zip_fread(member.get(), buffer.data(), buffer.size());
        if (read < 0) throw failMember(zip_error_code_zip(zip_file_get_error(member.get())));
        if (read == 0) break;
        total += read;
        if (total > SizeLimit) throw tooBig();
        if (target.write(buffer.data(), read) != read) throw failWrite();
        if (ProcessMessages) ProcessMessages();
    }
    // The inflated stream ended somewhere else than the archive's directory says: damaged.
    if ((stat.valid & ZIP_STAT_SIZE) && zip_uint64_t(total) != stat.size) throw failMember(ZIP_ER_INCONS);
    // libzip checks the CRC only of a member that yields bytes; an empty one must have CRC 0.
    if (total == 0 && (stat.valid & ZIP_STAT_CRC) && stat.crc != 0) throw failMember(ZIP_ER_CRC);
    if (!target.Commit()) throw failWrite();
    return 1;
}
