#pragma once

#include "ImpExp.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Records of one section from one stretch of the file. The values are views of the file's bytes, which
// the batch keeps alive, so a batch can be handed to another thread.
struct TImpExpRecords {
    int Section = -1;
    size_t FieldCount = 0;
    size_t Count = 0;
    // FieldCount values per record: the section's main fields in their order, a null view for a value the
    // record lacks.
    std::vector<QByteArrayView> Values;
    std::vector<std::shared_ptr<const QByteArray>> Buffers;

    QByteArrayView Value(size_t record, int field) const {
        return field < 0 ? QByteArrayView() : Values[record * FieldCount + size_t(field)];
    }
};

// Reads chosen sections of a table file front to back, a block at a time: a big price list is read
// without its whole text and line index in memory. Each section is its first one of that name, and its
// records hold what TImpExpFile's cursor reads there (main fields only); the file's limits and messages
// are those of TImpExpFile.
class TImpExpStream {
public:
    using TOnRecords = std::function<void(TImpExpRecords&)>;

    explicit TImpExpStream(QString fileName) : m_fileName(std::move(fileName)) {}

    // A section to read; its number in the records and for FieldIndex.
    int AddSection(QStringView name);
    // The main field's place among the section's fields, -1 for none; known once the section's field list
    // has been read (before its first records arrive).
    int FieldIndex(int section, QStringView name) const;

    // Reads the whole file (created empty when missing and createIfMissing). The records of each section
    // arrive in file order, at most a block's worth at a time, and the handler may keep them.
    void Read(bool createIfMissing, const TOnRecords& onRecords);

    // How much of the file is read at a time; tests lower it.
    static inline qsizetype BlockSize = 1 << 20;

private:
    enum class TPhase { Outside, Start, Fields, Records };
    struct TSection {
        QByteArray Name;
        bool Found = false;
        std::vector<std::unique_ptr<TFieldValue>> Fields; // the main ones
        TImpExpRecords Records;
    };

    void TakeLine(QByteArrayView text, TImpExpFile::LineKind kind);
    void RecordLine(QByteArrayView text, TImpExpFile::LineKind kind);
    void Deliver(bool end);

    QString m_fileName;
    std::vector<TSection> m_sections;
    TOnRecords m_onRecords;
    std::shared_ptr<const QByteArray> m_buffer; // the block being read
    int m_current = -1;                         // the section being read
    TPhase m_phase = TPhase::Outside;
    bool m_afterSectionMarker = false;
    bool m_detailFields = false;       // the field list goes on with the detail fields
    bool m_inRecord = false;           // taking the values of the section's last record
    size_t m_value = 0;                // its next value
    size_t m_recordBuffer = 0;         // the first of the section's buffers it takes values from
    bool m_recordSharesBuffer = false; // with the records before it
};
