#pragma once

#include "NumberText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Tab-separated text as spreadsheet programs read it: Windows-1251, one TAB between the cells of a
// line and none at its ends, every line (the last one too) ended by CR LF. A TAB or line break inside
// a cell would shift the columns or split the line, so it is written as a blank.
class TTabTextWriter {
public:
    void Reserve(qsizetype bytes) { m_bytes.reserve(bytes); }

    // Starts the next cell of the current line.
    void NextCell();
    // Appends to the current cell.
    void Append(QStringView text);
    void AppendBytes(QByteArrayView windows1251);
    // As the user sees the number (FloatToStr); NaN, no value, appends nothing.
    void AppendNumber(double value);
    void AddCell(QStringView text) {
        NextCell();
        Append(text);
    }
    void EndLine();

    const QByteArray& Bytes() const { return m_bytes; }
    // Replaces the file as a whole: a failure leaves an existing file as it was. TException on failure.
    void SaveToFile(const QString& fileName) const;

private:
    void MakeHarmless(qsizetype from);

    QByteArray m_bytes;
    bool m_cellStarted = false;
    TFloatText m_numbers;
};
