#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

class QIODevice;

// Tab-separated text as spreadsheet programs open it: Windows-1251, cells separated by one TAB, rows
// ended by CR LF. A TAB, CR, LF or NUL inside a cell would split it or the row: each becomes a space.
class TTabSeparatedFile {
public:
    // A cell after the last one of the current row.
    void AddCell(QStringView text);
    // A cell already in Windows-1251.
    void AddCell(QByteArrayView windows1251);
    // Ends the current row; without cells it is an empty line.
    void EndRow();
    void AddRow(const QStringList& cells);

    const QByteArray& Bytes() const { return m_bytes; }
    bool WriteTo(QIODevice& device) const;
    // Replaces the file only once everything was written; TException with the user's message otherwise.
    void SaveToFile(const QString& fileName) const;

private:
    void StartCell();
    void MakeHarmless(qsizetype from);

    QByteArray m_bytes;
    bool m_rowHasCells = false;
};
