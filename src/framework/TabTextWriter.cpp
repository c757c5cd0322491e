#include "TabTextWriter.h"

#include "text/Cp1251.h"
#include "text/TException.h"

#include <QSaveFile>

#include <cmath>

using namespace Qt::StringLiterals;

void TTabTextWriter::NextCell() {
    if (m_cellStarted) m_bytes.append('\t');
    m_cellStarted = true;
}

void TTabTextWriter::Append(QStringView text) {
    const qsizetype from = m_bytes.size();
    Cp1251::EncodeAppend(m_bytes, text);
    MakeHarmless(from);
}

void TTabTextWriter::AppendBytes(QByteArrayView windows1251) {
    const qsizetype from = m_bytes.size();
    m_bytes.append(windows1251);
    MakeHarmless(from);
}

void TTabTextWriter::AppendNumber(double value) {
    if (!std::isnan(value)) m_numbers.AppendTo(m_bytes, value);
}

void TTabTextWriter::MakeHarmless(qsizetype from) {
    char* p = m_bytes.data() + from;
    char* const end = m_bytes.data() + m_bytes.size();
    for (; p != end; ++p)
        if (uchar(*p) <= '\r' && (*p == '\t' || *p == '\n' || *p == '\r')) *p = ' ';
}

void TTabTextWriter::EndLine() {
    m_bytes.append("\r\n");
    m_cellStarted = false;
}

void TTabTextWriter::SaveToFile(const QString& fileName) const {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_bytes) != m_bytes.size() || !file.commit())
        throw TException(u"Ошибка записи файла "_s + fileName + u": "_s + file.errorString());
}
