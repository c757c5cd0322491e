#include "IniFile.h"

#include "text/Cp1251.h"
#include "text/SaveFile.h"
#include "text/TException.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView Trimmed(QByteArrayView text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The name of a "[name]" line, or false when the line is something else.
bool ParseSection(QByteArrayView line, QByteArrayView* name) {
    const QByteArrayView text = Trimmed(line);
    if (!text.startsWith('[')) return false;
    const qsizetype close = text.indexOf(']');
    if (close < 0) return false;
    *name = Trimmed(text.sliced(1, close - 1));
    return true;
}

// The key of a "key=value" line and where its value starts; false for comments and other lines.
bool ParseKey(QByteArrayView line, QByteArrayView* key, qsizetype* valueStart) {
    const QByteArrayView text = Trimmed(line);
    if (text.isEmpty() || text.startsWith(';') || text.startsWith('#') || text.startsWith('[')) return false;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) return false;
    *key = Trimmed(line.first(eq));
    *valueStart = eq + 1;
    return !key->isEmpty();
}

QByteArray LowerBytes(QStringView text) {
    return AnsiLowerCase(Cp1251::Encode(text));
}

QByteArray OneLine(QStringView value) {
    QByteArray bytes = Cp1251::Encode(value);
    bytes.replace('\r', ' ').replace('\n', ' ');
    return bytes;
}

} // namespace

TIniFile::TIniFile(QString fileName) : m_fileName(std::move(fileName)) {
    Load();
}

void TIniFile::Load() {
    QFile file(m_fileName);
    if (!file.exists()) return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_readError = u"Не удалось прочитать файл \"%1\": %2"_s.arg(m_fileName, file.errorString());
        return;
    }
    const QByteArray data = file.readAll();
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0) end = data.size();
        qsizetype stop = end;
        if (stop > start && data[stop - 1] == '\r') --stop;
        m_lines.push_back(data.sliced(start, stop - start));
        start = end + 1;
    }
}

TIniFile::Range TIniFile::FindSection(const QByteArray& lowerName) const {
    Range range;
    const int count = int(m_lines.size());
    for (int i = 0; i < count; ++i) {
        QByteArrayView name;
        if (!ParseSection(m_lines[i], &name)) continue;
        if (range.Header >= 0) {
            range.End = i;
            return range;
        }
        if (AnsiLowerCase(name) == lowerName) range.Header = i;
    }
    if (range.Header >= 0) range.End = count;
    return range;
}

int TIniFile::FindKey(Range range, const QByteArray& lowerKey) const {
    for (int i = range.Header + 1; i < range.End; ++i) {
        QByteArrayView key;
        qsizetype valueStart;
        if (ParseKey(m_lines[i], &key, &valueStart) && AnsiLowerCase(key) == lowerKey) return i;
    }
    return -1;
}

QString TIniFile::ReadString(QStringView section, QStringView key, const QString& defaultValue) const {
    const Range range = FindSection(LowerBytes(section));
    if (range.Header < 0) return defaultValue;
    const int at = FindKey(range, LowerBytes(key));
    if (at < 0) return defaultValue;
    QByteArrayView name;
    qsizetype valueStart;
    ParseKey(m_lines[at], &name, &valueStart);
    return Cp1251::Decode(QByteArrayView(m_lines[at]).sliced(valueStart));
}

void TIniFile::WriteString(QStringView section, QStringView key, QStringView value) {
    const Range range = FindSection(LowerBytes(section));
    const QByteArray line = Cp1251::Encode(key) + '=' + OneLine(value);
    if (range.Header < 0) {
        m_lines.push_back('[' + Cp1251::Encode(section) + ']');
        m_lines.push_back(line);
        m_modified = true;
        return;
    }
    const int at = FindKey(range, LowerBytes(key));
    if (at >= 0) {
        // The key keeps its spelling in the file; only the value changes.
        QByteArrayView name;
        qsizetype valueStart;
        ParseKey(m_lines[at], &name, &valueStart);
        const QByteArray updated = m_lines[at].first(valueStart) + OneLine(value);
        if (m_lines[at] != updated) {
            m_lines[at] = updated;
            m_modified = true;
        }
        return;
    }
    // A new key goes after the section's last non-blank line, keeping the blank lines between sections.
    int insertAt = range.End;
    while (insertAt > range.Header + 1 && Trimmed(m_lines[insertAt - 1]).isEmpty())
        --insertAt;
    m_lines.insert(m_lines.begin() + insertAt, line);
    m_modified = true;
}

bool TIniFile::SectionExists(QStringView section) const {
    return FindSection(LowerBytes(section)).Header >= 0;
}

bool TIniFile::ValueExists(QStringView section, QStringView key) const {
    const Range range = FindSection(LowerBytes(section));
    return range.Header >= 0 && FindKey(range, LowerBytes(key)) >= 0;
}

QList<std::pair<QString, QString>> TIniFile::ReadSectionValues(QStringView section) const {
    QList<std::pair<QString, QString>> values;
    QList<QByteArray> seen;
    const Range range = FindSection(LowerBytes(section));
    for (int i = range.Header + 1; i < range.End; ++i) {
        QByteArrayView key;
        qsizetype valueStart;
        if (!ParseKey(m_lines[i], &key, &valueStart)) continue;
        const QByteArray lower = AnsiLowerCase(key);
        if (seen.contains(lower)) continue;
        seen.append(lower);
        values.append({Cp1251::Decode(key), Cp1251::Decode(QByteArrayView(m_lines[i]).sliced(valueStart))});
    }
    return values;
}

void TIniFile::EraseSection(QStringView section) {
    const QByteArray lower = LowerBytes(section);
    // Duplicates too: a stale second copy must not come back once the first is gone.
    for (Range range = FindSection(lower); range.Header >= 0; range = FindSection(lower)) {
        m_lines.erase(m_lines.begin() + range.Header, m_lines.begin() + range.End);
        m_modified = true;
    }
}

void TIniFile::DeleteKey(QStringView section, QStringView key) {
    const Range range = FindSection(LowerBytes(section));
    if (range.Header < 0) return;
    const int at = FindKey(range, LowerBytes(key));
    if (at >= 0) {
        m_lines.erase(m_lines.begin() + at);
        m_modified = true;
    }
}

bool TIniFile::WriteTo(QIODevice& device) const {
    for (const QByteArray& line : m_lines) {
        if (device.write(line) != line.size() || device.write("\r\n", 2) != 2) return false;
    }
    return true;
}

void TIniFile::UpdateFile() {
    if (!m_modified) return;
    if (!m_readError.isEmpty()) throw TException(m_readError);
    TSaveFile file(m_fileName);
    if (!file.Open() || !WriteTo(file) || !file.Commit())
        throw TException(u"Не удалось записать файл \"%1\": %2"_s.arg(m_fileName, file.Reason()));
    m_modified = false;
}
