#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>

class QIODevice;

// Tab-separated text as spreadsheet programs open it: Windows-1251, cells separated by one TAB, rows
// ended by CR LF. A TAB, CR, LF or NUL inside a cell would split it or the row: each becomes a space.
class TTabSeparatedFile {
public:
    // A cell after the last one of the current row.
    void AddCell(QStringView text) {
        StartCell();
        AppendToCell(text);
    }
    // A cell already in Windows-1251.
    void AddCell(QByteArrayView windows1251) {
        StartCell();
        AppendToCell(windows1251);
    }
    // More text for the last cell.
    void AppendToCell(QStringView text);
    void AppendToCell(QByteArrayView windows1251);
    // Ends the current row; without cells it is an empty line.
    void EndRow() {
        m_bytes.append("\r\n", 2);
        m_rowHasCells = false;
    }
    void AddRow(const QStringList& cells);

    QByteArrayView Bytes() const { return QByteArrayView(m_bytes.data(), qsizetype(m_bytes.size())); }
    bool WriteTo(QIODevice& device) const;
    // Replaces the file only once everything was written; TException with the user's message otherwise.
    void SaveToFile(const QString& fileName) const;

private:
    void StartCell() {
        if (m_rowHasCells) m_bytes.push_back('\t');
        m_rowHasCells = true;
    }

    std::string m_bytes;
    bool m_rowHasCells = false;
};
