#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QIODevice;

// An INI file as Windows reads and writes it: Windows-1251 text, "[SECTION]" and "key=value" lines.
// Values are raw (no quoting, no escaping); section names may hold backslashes; sections and keys
// match ignoring case. Every line the store does not understand is written back unchanged.
// The whole file is held in memory; UpdateFile replaces it atomically.
class TIniFile {
public:
    // A missing file reads as empty. A file that exists but cannot be read reads as empty too, and
    // UpdateFile then refuses to overwrite it.
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return m_fileName; }

    QString ReadString(QStringView section, QStringView key, const QString& defaultValue = {}) const;
    // Line breaks in the value would end the line early and corrupt the file: they become blanks.
    void WriteString(QStringView section, QStringView key, QStringView value);
    bool SectionExists(QStringView section) const;
    bool ValueExists(QStringView section, QStringView key) const;
    // Keys with their values, in file order (the first of duplicate keys only).
    QList<std::pair<QString, QString>> ReadSectionValues(QStringView section) const;
    void EraseSection(QStringView section);
    void DeleteKey(QStringView section, QStringView key);

    bool Modified() const { return m_modified; }
    // Writes the file when something changed; throws TException with a Russian message on failure.
    void UpdateFile();
    // Every line followed by CR LF; false when the device refuses a write.
    bool WriteTo(QIODevice& device) const;

private:
    struct Range {
        int Header = -1; // the "[...]" line, -1 when the section is absent
        int End = -1;    // one past its last line
    };

    Range FindSection(const QByteArray& lowerName) const;
    int FindKey(Range range, const QByteArray& lowerKey) const;
    void Load();

    QString m_fileName;
    QString m_readError;
    std::vector<QByteArray> m_lines;
    bool m_modified = false;
};
