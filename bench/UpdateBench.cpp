#include "BenchSuite.h"

#include "framework/ProcessMessages.h"
#include "update/Unzip.h"
#include "update/UpdatePackage.h"

#include <QDir>
#include <QFile>

#include <zip.h>
#include <zlib.h>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The package member of the demo archive as its raw Deflate stream, for the floor.
struct RawMember {
    QByteArray Compressed;
    qsizetype Size = 0;

    void Prepare(const QString& zipFile) {
        if (!Compressed.isEmpty()) return;
        int error = 0;
        zip_t* archive = zip_open(QFile::encodeName(zipFile).constData(), ZIP_RDONLY, &error);
        if (!archive) std::abort();
        const zip_int64_t index = zip_name_locate(archive, "upgrade.upr", 0);
        zip_stat_t stat;
        if (index < 0 || zip_stat_index(archive, zip_uint64_t(index), 0, &stat) != 0) std::abort();
        Size = qsizetype(stat.size);
        Compressed.resize(qsizetype(stat.comp_size));
        zip_file_t* member = zip_fopen_index(archive, zip_uint64_t(index), ZIP_FL_COMPRESSED);
        if (!member || zip_fread(member, Compressed.data(), stat.comp_size) != zip_int64_t(stat.comp_size))
            std::abort();
        zip_fclose(member);
        zip_discard(archive);
    }

    // Plain zlib: inflate the whole member into memory and take its CRC.
    void Inflate() const {
        QByteArray out(Size, Qt::Uninitialized);
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) std::abort();
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Compressed.constData()));
        stream.avail_in = uInt(Compressed.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        if (inflate(&stream, Z_FINISH) != Z_STREAM_END) std::abort();
        inflateEnd(&stream);
        if (crc32(0, reinterpret_cast<const Bytef*>(out.constData()), uInt(out.size())) == 1) std::abort();
    }
};

} // namespace

void AddUpdateRows(BenchSuite& suite, const BenchData& data) {
    const QDir folder(data.Folder);
    const QString package = folder.filePath(u"upgrade.upr"_s);
    const QString archive = folder.filePath(u"upgrade.zip"_s);
    const QString work = folder.filePath(u"update-work.iop"_s);
    const QString priceFile = data.PriceFile;

    const auto apply = [=] {
        BenchData::LinkPriceList(priceFile, work);
        TUpdatePackage(package).ApplyTo(work, ProcessMessages);
    };
    const TUpdateFloor floor{priceFile, package, folder.filePath(u"floor-update.iop"_s)};
    suite.Add({.Name = u"update.apply"_s,
               .N = data.Articles,
               .Prepare =
                   [apply, floor, work] {
                       apply();
                       floor.Take(work);
                   },
               .Run = apply,
               .Floor = [floor] { floor.Run(); }});

    auto raw = std::make_shared<RawMember>();
    const QString unpacked = folder.filePath(u"unzipped"_s);
    suite.Add({.Name = u"update.unzip"_s,
               .N = data.Articles,
               .Prepare =
                   [raw, archive, unpacked] {
                       raw->Prepare(archive);
                       QDir().mkpath(unpacked);
                   },
               .Run =
                   [archive, unpacked] {
                       TUnzip unzip(archive);
                       unzip.ProcessMessages = ProcessMessages;
                       if (unzip.Extract(u"upgrade.upr"_s, unpacked) != 1) std::abort();
                   },
               .Floor = [raw] { raw->Inflate(); }});
}
