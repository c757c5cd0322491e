#include "SaveFile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

QString SystemErrorText(int error) {
    switch (error) {
    case ENOSPC:
        return u"Нет места на устройстве"_s;
    case EFBIG:
        return u"Превышен допустимый размер файла"_s;
    case EDQUOT:
        return u"Превышена дисковая квота"_s;
    case EROFS:
        return u"Файловая система доступна только для чтения"_s;
    case EACCES:
    case EPERM:
        return u"Отказано в доступе"_s;
    case EIO:
        return u"Ошибка ввода-вывода"_s;
    case ENOENT:
        return u"Нет такого файла или папки"_s;
    case ENOTDIR:
        return u"Часть пути не является папкой"_s;
    case EISDIR:
        return u"Это папка, а не файл"_s;
    case ENAMETOOLONG:
        return u"Слишком длинное имя файла"_s;
    case EMFILE:
    case ENFILE:
        return u"Слишком много открытых файлов"_s;
    case EBUSY:
    case ETXTBSY:
        return u"Файл занят другой программой"_s;
    case ENOMEM:
        return u"Недостаточно памяти"_s;
    default:
        return u"Системная ошибка %1 (%2)"_s.arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
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
