// ZIP member extraction on any bytes, asked for "upgrade.upr" and for whatever name the archive's first
// member has: nothing is ever written outside the target folder or beside the one file asked for; a
// refusal leaves that file as it was; what is extracted has the size and the CRC-32 the archive's
// directory gives for it, and no more than the size limit.
#include "FuzzSupport.h"

#include "update/Unzip.h"

#include <zip.h>
#include <zlib.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kSizeLimit = 1 << 20; // bombs are refused quickly
const QByteArray kPrevious = "the file an extraction replaces";

struct TArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

// The directory's entry of the member Extract takes: the exact name first, then ignoring letter case.
std::optional<zip_stat_t> DirectoryEntry(const QString& zipFile, const QString& memberName) {
    int error = 0;
    const std::unique_ptr<zip_t, TArchiveCloser> archive(
        zip_open(QFile::encodeName(zipFile).constData(), ZIP_RDONLY, &error));
    if (!archive) return std::nullopt;
    const QByteArray name = memberName.toUtf8();
    zip_int64_t index = zip_name_locate(archive.get(), name.constData(), 0);
    if (index < 0) index = zip_name_locate(archive.get(), name.constData(), ZIP_FL_NOCASE);
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(archive.get(), zip_uint64_t(index), 0, &stat) != 0) return std::nullopt;
    return stat;
}

QString FirstMemberName(const QString& zipFile) {
    int error = 0;
    const std::unique_ptr<zip_t, TArchiveCloser> archive(
        zip_open(QFile::encodeName(zipFile).constData(), ZIP_RDONLY, &error));
    const char* name =
        archive && zip_get_num_entries(archive.get(), 0) > 0 ? zip_get_name(archive.get(), 0, 0) : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

void CheckExtraction(const QString& zipFile, const QString& memberName) {
    const TFuzzFolder& folder = TFuzzFolder::Get();
    folder.Clean({u"input.zip"_s});
    const QString out = folder.Path(u"out"_s);
    QDir().mkpath(out);
    // A name the folder can hold gets a file to replace.
    const bool plainName = !memberName.isEmpty() && !memberName.contains(u'/') && memberName != u"." &&
                           memberName != u".." && memberName.toUtf8().size() <= 200;
    if (plainName) folder.Write(u"out/"_s + memberName, kPrevious);

    TUnzip unzip(zipFile);
    unzip.SizeLimit = kSizeLimit;
    int extracted = 0;
    const bool refused = Refused([&] { extracted = unzip.Extract(memberName, out); });

    // Nothing beside the archive and the folder, and in the folder nothing but the file asked for.
    FUZZ_CHECK((folder.Entries() == QStringList{u"input.zip"_s, u"out"_s}));
    const QStringList inside =
        QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    FUZZ_CHECK(inside.isEmpty() || inside == QStringList{memberName});
    if (refused || extracted == 0) {
        FUZZ_CHECK(extracted == 0);
        if (plainName) FUZZ_CHECK(TFuzzFolder::Read(out + u'/' + memberName) == kPrevious);
        return;
    }
    FUZZ_CHECK(extracted == 1 && plainName);
    const QByteArray content = TFuzzFolder::Read(out + u'/' + memberName);
    const std::optional<zip_stat_t> entry = DirectoryEntry(zipFile, memberName);
    FUZZ_CHECK(entry && content.size() <= kSizeLimit);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(content.constData()), uInt(content.size()));
    FUZZ_CHECK(!(entry->valid & ZIP_STAT_CRC) || entry->crc == crc);
    FUZZ_CHECK(!(entry->valid & ZIP_STAT_SIZE) || entry->size == zip_uint64_t(content.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString zipFile = TFuzzFolder::Get().Write(u"input.zip"_s, FuzzInput(data, size));
    CheckExtraction(zipFile, u"upgrade.upr"_s);
    if (const QString name = FirstMemberName(zipFile); name != u"upgrade.upr") CheckExtraction(zipFile, name);
    return 0;
}
