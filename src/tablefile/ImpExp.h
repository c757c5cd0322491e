#pragma once

#include "TValue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QFile;
class QIODevice;

// One declared field of a table file section and its current value.
class TFieldValue {
public:
    explicit TFieldValue(QByteArray name);

    QString Name() const;
    const QByteArray& NameBytes() const { return m_name; }
    const QByteArray& LowerName() const { return m_lowerName; }

    TValue Value;

    QString AsString() const { return Value.ToString(); }
    QByteArrayView AsBytes() const { return Value.TextBytes(); }
    double AsFloat() const { return Value.ToFloat(); }
    TDateTime AsDate() const { return Value.ToDate(); }

private:
    QByteArray m_name;
    QByteArray m_lowerName;
};

// The sectioned table text file: the whole file held in memory as lines of Windows-1251 bytes,
// edited in place, written back only by SaveToFile.
class TImpExpFile {
public:
    enum class LineKind : quint8 { Plain, Section, MainFields, DetailFields, MainRecord, DetailRecord };

    TImpExpFile(const QString& fileName, bool createIfMissing);
    // An empty file in memory, for writing one anew: nothing is read, nothing touches the disk
    // before SaveToFile.
    TImpExpFile() = default;
    ~TImpExpFile();
    TImpExpFile(const TImpExpFile&) = delete;
    TImpExpFile& operator=(const TImpExpFile&) = delete;

    // The most a file may hold (line positions are 31-bit); tests lower it.
    static constexpr qint64 kMaxFileSize = 0x7FFFFFFF;
    static inline qint64 MaxFileSize = kMaxFileSize;

    void Clear();
    // beforeReplace runs once everything is written, before the file takes the target's place.
    void SaveToFile(const QString& fileName, const std::function<void()>& beforeReplace = {}) const;
    // Writes every line followed by CR LF; false when the device refuses a write.
    bool WriteTo(QIODevice& device) const;

    void OpenSection(QStringView name);
    void AddFields(const QStringList& names);
    void DeleteRecords();
    void First();
    void Last();
    void Next();
    bool HasRecord() const { return m_currentRecord != -1; }
    void ClearValues();
    TFieldValue& FieldByName(QStringView name);
    // The main field's place among the section's fields, -1 for none.
    int FieldIndex(QStringView name) const;
    void AppendRecord();

    // Inspection, mostly for tests.
    int LineCount() const { return int(m_lines.size()); }
    QByteArray Line(int index) const { return QByteArray(LineData(index), LineSize(index)); }
    LineKind KindOf(int index) const { return m_lines[index].Kind(); }
    int SectionStart() const { return m_sectionStart; }
    int CurrentRecord() const { return m_currentRecord; }
    int CurrentDetail() const { return m_currentDetail; }
    const std::vector<std::unique_ptr<TFieldValue>>& MainFields() const { return m_mainFields; }
    const std::vector<std::unique_ptr<TFieldValue>>& DetailFields() const { return m_detailFields; }

    static QByteArray MarkerText(LineKind kind);

private:
    // A line: where its bytes are and, cached, whether it is a marker.
    struct Span {
        quint32 Offset;      // into m_original, or into m_added when kAddedBit is set
        quint32 SizeAndKind; // size in the low 29 bits, LineKind in the top 3
        LineKind Kind() const { return LineKind(SizeAndKind >> 29); }
        qsizetype Size() const { return SizeAndKind & kSizeMask; }
    };
    static constexpr quint32 kAddedBit = 0x80000000u;
    static constexpr qsizetype kParallelSize = 1 << 20; // from here on the lines are split on two cores

public:
    // The longest line a file may have.
    static constexpr quint32 kSizeMask = 0x1FFFFFFFu;

private:
    const char* LineData(int index) const;
    qsizetype LineSize(int index) const { return m_lines[index].Size(); }
    bool Is(int index, LineKind kind) const { return m_lines[index].Kind() == kind; }
    void Load(QFile& source);
    static void SplitLines(const char* base, const char* begin, const char* end, std::vector<Span>& lines,
                           const QString& fileName, qsizetype maxLines);
    Span AddText(QByteArrayView text, LineKind kind);
    Span MakeLine(QByteArrayView text);
    Span MarkerLine(LineKind kind);
    Span MakeValueLine(const TValue& value);
    void InsertLines(int at, const std::vector<Span>& lines);
    void ResetPosition();
    void NullValues();
    void LoadRecord();
    void SetFromLine(TValue& value, int index) const;
    int FindInSection(int from, LineKind kind, bool last) const;

    QByteArray m_original; // the file as read; never changed while values borrow from it
    QByteArray m_added;    // the text of every line inserted since
    std::vector<Span> m_lines;
    Span m_markerLines[6] = {};
    std::vector<Span> m_scratch; // the lines of the record being appended
    std::vector<std::unique_ptr<TFieldValue>> m_mainFields;
    std::vector<std::unique_ptr<TFieldValue>> m_detailFields;
    TFieldValue m_emptyValue{QByteArray()};
    int m_sectionStart = -1;
    int m_currentRecord = -1;
    int m_currentDetail = -1;
};
