#pragma once

#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QString>

#include <csignal>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

// Lowers the file size limit so that a real write fails with EFBIG instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// A disk of its own for a test, on an empty folder: a small tmpfs that fills up or turns read-only,
// where the test may mount one. Elsewhere the folder stays on its disk: Fill then limits the size of
// files instead (EFBIG for ENOSPC), and SetReadOnly takes the write permission away, which binds
// everyone but root.
class TestDisk {
public:
    explicit TestDisk(const QString& folder)
        : m_folder(folder), m_mounted(mount("tmpfs", Path(), "tmpfs", 0, "size=16m,mode=0755") == 0) {}
    ~TestDisk() {
        m_limit.reset();
        if (m_mounted) umount2(Path(), MNT_DETACH);
    }
    TestDisk(const TestDisk&) = delete;
    TestDisk& operator=(const TestDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    // Whether SetReadOnly binds this process.
    bool CanBeReadOnly() const { return m_mounted || geteuid() != 0; }
    // What the program says when a file does not fit.
    QString FullReason() const {
        return m_mounted ? QStringLiteral(u"Нет места на устройстве")
                         : QStringLiteral(u"Превышен допустимый размер файла");
    }
    QString ReadOnlyReason() const {
        return m_mounted ? QStringLiteral(u"Файловая система доступна только для чтения")
                         : QStringLiteral(u"Отказано в доступе");
    }

    // Leaves about room bytes for new files.
    void Fill(qint64 room) {
        if (!m_mounted) {
            m_limit = std::make_unique<FileSizeLimit>(rlim_t(room));
            return;
        }
        struct statvfs disk {};
        statvfs(Path(), &disk);
        const qint64 free = qint64(disk.f_bavail) * qint64(disk.f_frsize);
        QFile filler(m_folder + QStringLiteral("/.filler"));
        if (filler.open(QIODevice::WriteOnly) && free > room)
            posix_fallocate(filler.handle(), 0, free - room);
    }
    void Free() {
        m_limit.reset();
        QFile::remove(m_folder + QStringLiteral("/.filler"));
    }

    void SetReadOnly(bool readOnly) {
        if (m_mounted) {
            mount(nullptr, Path(), nullptr, MS_REMOUNT | (readOnly ? MS_RDONLY : 0), nullptr);
            return;
        }
        QStringList folders{m_folder};
        for (QDirIterator it(m_folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
             it.hasNext();)
            folders << it.next();
        for (const QString& folder : folders)
            chmod(QFile::encodeName(folder).constData(), readOnly ? 0555 : 0755);
    }

private:
    const char* Path() const {
        if (m_path.isEmpty()) m_path = QFile::encodeName(m_folder);
        return m_path.constData();
    }

    QString m_folder;
    mutable QByteArray m_path;
    bool m_mounted;
    std::unique_ptr<FileSizeLimit> m_limit;
};
