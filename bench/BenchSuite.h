#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// One measured operation: its median time against a floor measured in the same run, and its peak
// memory above the process's baseline.
struct BenchRow {
    QString Name;
    int N = 0;
    std::function<void()> Prepare; // not measured; runs before the memory and time measurements
    std::function<void()> Run;     // the measured operation
    std::function<void()> Floor;   // the reference operation the ratio divides by
    double FloorMs = 0;            // or a fixed target in milliseconds
    qint64 MemoryBase = 0;         // when set, the peak is also printed as a multiple of it
    int Runs = 7;
    std::function<void()> BeforeRun; // not measured; runs before every run of the operation
    // The peak is measured in this process rather than in a forked copy, which cannot paint: Qt's
    // painting threads are not copied.
    bool PeakInProcess = false;
};

// Shared inputs of the rows: the generated files in a temporary folder.
struct BenchData {
    QString Folder;
    QString PriceFile; // data.iop of N articles
    int Articles = 0;
    qint64 PriceFileSize = 0;
    // The floor every file row compares with: read the file's bytes and decode them into QString.
    static void ReadAndDecode(const QString& path);
    static QByteArray ReadAll(const QString& path);
    // The rows that replace the price list start each run from a hard link to the generated one: the
    // program replaces it by a new file rather than writing into it.
    static void LinkPriceList(const QString& priceFile, const QString& target);
};

// The floor of rows that replace a file: the physical cost of a durable replace of the same bytes. They
// are written to a temporary file beside the target, flushed to the disk with fdatasync and renamed over
// the target.
class TDurableReplace {
public:
    explicit TDurableReplace(QString target) : m_target(std::move(target)) {}
    // The bytes to write: those of the file the operation writes.
    void Take(const QString& written) { m_bytes = BenchData::ReadAll(written); }
    void Run() const;

private:
    QString m_target;
    QByteArray m_bytes;
};

// The floor of the rows that apply an update package: both files read and decoded, and the price list
// replaced durably by the new one's bytes.
class TUpdateFloor {
public:
    TUpdateFloor(QString priceFile, QString package, const QString& floorFile)
        : m_priceFile(std::move(priceFile)), m_package(std::move(package)),
          m_write(std::make_shared<TDurableReplace>(floorFile)) {}
    // The price list the update wrote.
    void Take(const QString& written) const { m_write->Take(written); }
    void Run() const;

private:
    QString m_priceFile;
    QString m_package;
    std::shared_ptr<TDurableReplace> m_write;
};

class BenchSuite {
public:
    explicit BenchSuite(QString filter) : m_filter(std::move(filter)) {}
    void Add(BenchRow row) { m_rows.push_back(std::move(row)); }
    // Prints one line per row: name N=… 123.4ms 2.7x peak=81MB [mem=2.1x]
    void RunAll();

private:
    QString m_filter;
    std::vector<BenchRow> m_rows;
};

struct TTimes {
    double Operation = 0;
    double Floor = 0;
};
// Median milliseconds of the operation and of its floor (when given), run in turns.
TTimes MedianMs(const std::function<void()>& operation, const std::function<void()>& floor, int runs,
                const std::function<void()>& beforeRun = {});
// Peak resident memory an operation adds to the process, measured in a forked child, or in the process
// itself.
qint64 PeakBytes(const std::function<void()>& operation, bool inProcess = false);

// Each area of the program adds its rows here.
void AddTableFileRows(BenchSuite& suite, const BenchData& data);
void AddOrderRows(BenchSuite& suite, const BenchData& data);
void AddPriceRows(BenchSuite& suite, const BenchData& data);
void AddOrderPostRow(BenchSuite& suite, const BenchData& data);
void AddUpdateRows(BenchSuite& suite, const BenchData& data);
void AddOrderExportRow(BenchSuite& suite, const BenchData& data);
void AddDownloadRows(BenchSuite& suite, const BenchData& data);
void AddAppRows(BenchSuite& suite, const BenchData& data);
void AddStartRows(BenchSuite& suite, const BenchData& data);
void AddSignatureRows(BenchSuite& suite, const BenchData& data);
