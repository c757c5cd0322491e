#include "TabSeparatedFile.h"

#include "text/Cp1251.h"
#include "text/TException.h"

#include <QSaveFile>

namespace {

char Harmless(char c) {
    return c == '\t' || c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
}

} // namespace

void TTabSeparatedFile::AppendToCell(QStringView text) {
    const size_t start = m_bytes.size();
    m_bytes.resize(start + size_t(text.size()));
    char* out = m_bytes.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const int byte = c < 0x80 ? int(c) : Cp1251::FromUnicode(c);
        if (byte >= 0) {
            *out++ = Harmless(char(byte));
        } else {
            // One "?" for a character the code page lacks, also for one written as a surrogate pair.
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
            *out++ = '?';
        }
    }
    m_bytes.resize(size_t(out - m_bytes.data()));
}

void TTabSeparatedFile::AppendToCell(QByteArrayView windows1251) {
    const size_t start = m_bytes.size();
    m_bytes.append(windows1251.data(), size_t(windows1251.size()));
    for (auto it = m_bytes.begin() + qsizetype(start); it != m_bytes.end(); ++it)
        *it = Harmless(*it);
}

void TTabSeparatedFile::AddRow(const QStringList& cells) {
    for (const QString& cell : cells)
        AddCell(QStringView(cell));
    EndRow();
}

bool TTabSeparatedFile::WriteTo(QIODevice& device) const {
    return device.write(m_bytes.data(), qint64(m_bytes.size())) == qint64(m_bytes.size());
}

void TTabSeparatedFile::SaveToFile(const QString& fileName) const {
    QSaveFile file(fileName);
    // Buffered, a short write while the buffer is flushed at commit goes unnoticed (a full disk leaves a
    // cut file that commit still puts in place); unbuffered, every short write is seen.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !WriteTo(file) || !file.commit())
        throw TException(QStringLiteral(u"Ошибка записи файла ") + fileName + QStringLiteral(": ") +
                         file.errorString());
}
