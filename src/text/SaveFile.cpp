#include "SaveFile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

struct TReason {
    int Error;
    const char16_t* Text;
};

const TReason kReasons[] = {
    {ENOSPC, u"Нет места на устройстве"},
    {EFBIG, u"Превышен допустимый размер файла"},
    {EDQUOT, u"Превышена дисковая квота"},
    {EROFS, u"Файловая система доступна только для чтения"},
    {EACCES, u"Отказано в доступе"},
    {EPERM, u"Отказано в доступе"},
    {EIO, u"Ошибка ввода-вывода"},
    {ENOENT, u"Нет такого файла или папки"},
    {ENOTDIR, u"Часть пути не является папкой"},
    {EISDIR, u"Это папка, а не файл"},
    {ENAMETOOLONG, u"Слишком длинное имя файла"},
    {EMFILE, u"Слишком много открытых файлов"},
    {ENFILE, u"Слишком много открытых файлов"},
    {EBUSY, u"Файл занят другой программой"},
    {ETXTBSY, u"Файл занят другой программой"},
    {ENOMEM, u"Недостаточно памяти"},
};

} // namespace

QString SystemErrorText(int error) {
    for (const TReason& reason : kReasons)
        if (reason.Error == error) return QString::fromUtf16(reason.Text);
    return u"Системная ошибка %1 (%2)"_s.arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
}

bool WriteAll(QFileDevice& file, const char* data, qint64 size, QString& reason) {
    while (size > 0) {
        errno = 0;
        const qint64 written = file.write(data, size);
        if (written <= 0) {
            const int error = errno;
            reason = error != 0 ? SystemErrorText(error) : file.errorString();
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

TSaveFile::TSaveFile(const QString& fileName) : m_file(fileName) {}

TSaveFile::~TSaveFile() = default;

void TSaveFile::Fail(int error) {
    m_reason = error != 0 ? SystemErrorText(error) : m_file.errorString();
    setErrorString(m_reason);
}

bool TSaveFile::Open() {
    // QSaveFile refuses these itself, with English texts; the access check leaves errno (EROFS, EACCES).
    errno = 0;
    if (const QFileInfo target(m_file.fileName());
        target.exists() && (target.isDir() || !target.isWritable())) {
        const int error = errno;
        Fail(target.isDir() ? EISDIR : error != 0 ? error : EACCES);
        return false;
    }
    errno = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        Fail(errno);
        return false;
    }
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool TSaveFile::Commit() {
    if (!isOpen()) return false;
    QIODevice::close();
    errno = 0;
    if (m_file.commit()) return true;
    if (m_reason.isEmpty()) Fail(errno);
    return false;
}

qint64 TSaveFile::readData(char*, qint64) {
    return -1;
}

qint64 TSaveFile::writeData(const char* data, qint64 size) {
    if (WriteAll(m_file, data, size, m_reason)) return size;
    setErrorString(m_reason);
    return -1;
}
