#include "TabTextWriter.h"

#include "text/Cp1251.h"
#include "text/SaveFile.h"
#include "text/TException.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Small enough to stay in the cache, large enough that the device sees few writes.
constexpr qsizetype kBlock = 64 * 1024;

} // namespace

TTabTextWriter::TTabTextWriter(QIODevice& device) : m_device(device), m_buffer(kBlock) {}

void TTabTextWriter::MakeRoom(qsizetype n) {
    Flush();
    if (n > qsizetype(m_buffer.size())) m_buffer.resize(size_t(n));
}

bool TTabTextWriter::Flush() {
    if (m_size > 0 && !m_failed) m_failed = m_device.write(m_buffer.data(), m_size) != m_size;
    m_size = 0;
    return !m_failed;
}

void TTabTextWriter::Append(QStringView text) {
    m_scratch.clear();
    Cp1251::EncodeAppend(m_scratch, text);
    AppendBytes(m_scratch);
}

void TTabTextWriter::AppendBytes(QByteArrayView windows1251) {
    char* to = Grow(windows1251.size());
    for (const char c : windows1251)
        *to++ = IsLineBreaking(c) ? ' ' : c;
}

void TTabTextWriter::AppendNumber(double value) {
    AppendBytes(m_numbers.Text(value));
}

void TTabTextWriter::EndLine() {
    char* to = Grow(2);
    to[0] = '\r';
    to[1] = '\n';
    m_cellStarted = false;
}

void SaveTabText(const QString& fileName, const std::function<void(TTabTextWriter&)>& write) {
    TSaveFile file(fileName);
    bool written = file.Open();
    if (written) {
        TTabTextWriter writer(file);
        write(writer);
        written = writer.Flush() && file.Commit();
    }
    if (!written) throw TException(u"Ошибка записи файла "_s + fileName + u": "_s + file.Reason());
}

QByteArray TabText(const std::function<void(TTabTextWriter&)>& write) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TTabTextWriter writer(buffer);
    write(writer);
    writer.Flush();
    return bytes;
}
