#pragma once

#include "NumberText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

class QIODevice;

// Tab-separated text as spreadsheet programs read it: Windows-1251, one TAB between the cells of a
// line and none at its ends, every line (the last one too) ended by CR LF. A TAB or line break inside
// a cell would shift the columns or split the line, so it is written as a blank. The text goes to the
// device in blocks.
class TTabTextWriter {
public:
    explicit TTabTextWriter(QIODevice& device);

    // Starts the next cell of the current line.
    void NextCell() {
        if (m_cellStarted) Put('\t');
        m_cellStarted = true;
    }
    // Appends to the current cell.
    void Append(QStringView text);
    void AppendBytes(QByteArrayView windows1251);
    void AppendChar(char c) { Put(IsLineBreaking(c) ? ' ' : c); }
    // As the user sees the number (FloatToStr); NaN, no value, appends nothing.
    void AppendNumber(double value);
    void AddCell(QStringView text) {
        NextCell();
        Append(text);
    }
    void EndLine();

    // Hands the buffered text to the device; false when the device refused any of the text so far.
    bool Flush();

private:
    static bool IsLineBreaking(char c) { return uchar(c) <= '\r' && (c == '\t' || c == '\n' || c == '\r'); }
    char* Grow(qsizetype n) {
        if (m_size + n > qsizetype(m_buffer.size())) MakeRoom(n);
        char* at = m_buffer.data() + m_size;
        m_size += n;
        return at;
    }
    void MakeRoom(qsizetype n);
    void Put(char c) { *Grow(1) = c; }

    QIODevice& m_device;
    std::vector<char> m_buffer;
    qsizetype m_size = 0;
    bool m_failed = false;
    bool m_cellStarted = false;
    TFloatText m_numbers;
    QByteArray m_scratch;
};

// Writes a file through a TTabTextWriter and replaces the old one only when all of it was written, so
// a failure leaves an existing file as it was. TException when the file cannot be written.
void SaveTabText(const QString& fileName, const std::function<void(TTabTextWriter&)>& write);
// The same text in memory.
QByteArray TabText(const std::function<void(TTabTextWriter&)>& write);
