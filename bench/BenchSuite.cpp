#include "BenchSuite.h"

#include "text/Cp1251.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

qint64 StatusKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QByteArray wanted(key);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace

void BenchData::ReadAndDecode(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QString text = Cp1251::Decode(file.readAll());
    if (text.isEmpty()) std::fputs("", stdout); // keep the result alive
}

QByteArray BenchData::ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) std::abort();
    return file.readAll();
}

void BenchData::LinkPriceList(const QString& priceFile, const QString& target) {
    QFile::remove(target);
    if (link(QFile::encodeName(priceFile).constData(), QFile::encodeName(target).constData()) != 0)
        std::abort();
}

void TDurableReplace::Run() const {
    const QByteArray target = QFile::encodeName(m_target);
    const QByteArray temporary = target + ".tmp";
    const int fd = open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) std::abort();
    for (qsizetype done = 0; done < m_bytes.size();) {
        const ssize_t n = write(fd, m_bytes.constData() + done, size_t(m_bytes.size() - done));
        if (n <= 0) std::abort();
        done += n;
    }
    if (fdatasync(fd) != 0 || close(fd) != 0 || rename(temporary.constData(), target.constData()) != 0)
        std::abort();
}

void TUpdateFloor::Run() const {
    BenchData::ReadAndDecode(m_priceFile);
    BenchData::ReadAndDecode(m_package);
    m_write->Run();
}

namespace {

double ElapsedMs(const std::function<void()>& operation) {
    QElapsedTimer timer;
    timer.start();
    operation();
    return double(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

TTimes MedianMs(const std::function<void()>& operation, const std::function<void()>& floor, int runs,
                const std::function<void()>& beforeRun) {
    // Operation and floor take turns, so that a busy moment of the machine hits both alike.
    std::vector<double> times, floors;
    for (int i = 0; i < runs; ++i) {
        if (beforeRun) beforeRun();
        times.push_back(ElapsedMs(operation));
        if (floor) floors.push_back(ElapsedMs(floor));
    }
    return {Median(times), floor ? Median(floors) : 0};
}

namespace {

// Resets the high-water mark to the current resident size, runs the operation and gives what it added.
qint64 PeakOfRun(const std::function<void()>& operation) {
    malloc_trim(0);
    const int clear = open("/proc/self/clear_refs", O_WRONLY);
    if (clear >= 0) {
        (void)!write(clear, "5", 1);
        close(clear);
    }
    const qint64 before = StatusKb("VmRSS:");
    operation();
    return (StatusKb("VmHWM:") - before) * 1024;
}

} // namespace

qint64 PeakBytes(const std::function<void()>& operation, bool inProcess) {
    if (inProcess) return PeakOfRun(operation);
    int fds[2];
    if (pipe(fds) != 0) return -1;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const qint64 peak = PeakOfRun(operation);
        (void)!write(fds[1], &peak, sizeof peak);
        _exit(0);
    }
    close(fds[1]);
    qint64 peak = -1;
    if (read(fds[0], &peak, sizeof peak) != sizeof peak) peak = -1;
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return peak;
}

void BenchSuite::RunAll() {
    for (BenchRow& row : m_rows) {
        if (!m_filter.isEmpty() && !row.Name.startsWith(m_filter)) continue;
        if (row.Prepare) row.Prepare();
        if (row.BeforeRun) row.BeforeRun();
        const qint64 peak = PeakBytes(row.Run, row.PeakInProcess);
        const TTimes times = MedianMs(row.Run, row.Floor, row.Runs, row.BeforeRun);
        const double ms = times.Operation;
        const double floorMs = row.Floor ? times.Floor : row.FloorMs;
        QString line = QStringLiteral("%1 N=%2 %3ms %4x peak=%5MB")
                           .arg(row.Name)
                           .arg(row.N)
                           .arg(ms, 0, 'f', 1)
                           .arg(floorMs > 0 ? ms / floorMs : 0, 0, 'f', 2)
                           .arg(double(peak) / (1024 * 1024), 0, 'f', 0);
        if (row.MemoryBase > 0)
            line += QStringLiteral(" mem=%1x").arg(double(peak) / double(row.MemoryBase), 0, 'f', 2);
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
    }
}
