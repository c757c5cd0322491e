#include "TabSeparatedFile.h"

#include "text/Cp1251.h"
#include "text/TException.h"

#include <QSaveFile>

void TTabSeparatedFile::StartCell() {
    if (m_rowHasCells) m_bytes.append('\t');
    m_rowHasCells = true;
}

void TTabSeparatedFile::MakeHarmless(qsizetype from) {
    char* data = m_bytes.data();
    for (qsizetype i = from, size = m_bytes.size(); i < size; ++i) {
        const char c = data[i];
        if (c == '\t' || c == '\r' || c == '\n' || c == '\0') data[i] = ' ';
    }
}

void TTabSeparatedFile::AddCell(QStringView text) {
    StartCell();
    const qsizetype start = m_bytes.size();
    Cp1251::EncodeAppend(m_bytes, text);
    MakeHarmless(start);
}

void TTabSeparatedFile::AddCell(QByteArrayView windows1251) {
    StartCell();
    const qsizetype start = m_bytes.size();
    m_bytes.append(windows1251);
    MakeHarmless(start);
}

void TTabSeparatedFile::EndRow() {
    m_bytes.append("\r\n", 2);
    m_rowHasCells = false;
}

void TTabSeparatedFile::AddRow(const QStringList& cells) {
    for (const QString& cell : cells)
        AddCell(QStringView(cell));
    EndRow();
}

bool TTabSeparatedFile::WriteTo(QIODevice& device) const {
    return device.write(m_bytes) == m_bytes.size();
}

void TTabSeparatedFile::SaveToFile(const QString& fileName) const {
    QSaveFile file(fileName);
    // Buffered, a short write while the buffer is flushed at commit goes unnoticed (a full disk leaves a
    // cut file that commit still puts in place); unbuffered, every short write is seen.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !WriteTo(file) || !file.commit())
        throw TException(QStringLiteral(u"Ошибка записи файла ") + fileName + QStringLiteral(": ") +
                         file.errorString());
}
