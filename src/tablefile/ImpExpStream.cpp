#include "ImpExpStream.h"

#include "ImpExpText.h"
#include "text/Cp1251.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

using LineKind = TImpExpFile::LineKind;

int TImpExpStream::AddSection(QStringView name) {
    TSection& section = m_sections.emplace_back();
    section.Name = Cp1251::Encode(name);
    section.Records.Section = int(m_sections.size() - 1);
    return section.Records.Section;
}

int TImpExpStream::FieldIndex(int section, QStringView name) const {
    return ImpExpText::FindField(m_sections[size_t(section)].Fields, name);
}

// The sequence of OpenSection, its field list and the records, line by line: a section marker ends the
// section being read, the line after it names the next one, whose field list follows its name.
void TImpExpStream::TakeLine(QByteArrayView text, LineKind kind) {
    const bool nameLine = m_afterSectionMarker;
    m_afterSectionMarker = kind == LineKind::Section;
    if (kind == LineKind::Section) {
        m_current = -1;
        m_phase = TPhase::Outside;
        m_inRecord = false;
    }
    if (nameLine) {
        for (TSection& section : m_sections) {
            if (section.Found || text != section.Name) continue;
            section.Found = true;
            m_current = section.Records.Section;
            m_phase = TPhase::Start;
            m_detailFields = false;
            break;
        }
        return;
    }
    if (m_current < 0) return;
    TSection& section = m_sections[size_t(m_current)];
    switch (m_phase) {
    case TPhase::Start:
        if (kind == LineKind::MainFields) {
            m_phase = TPhase::Fields;
            return;
        }
        break; // a section without a field list has no fields; its records may follow at once
    case TPhase::Fields:
        if (kind == LineKind::MainRecord) break;
        if (kind == LineKind::DetailFields)
            m_detailFields = true;
        else if (!m_detailFields)
            section.Fields.push_back(std::make_unique<TFieldValue>(text.toByteArray()));
        return;
    case TPhase::Records:
    case TPhase::Outside:
        break;
    }
    if (m_phase != TPhase::Records) {
        m_phase = TPhase::Records;
        section.Records.FieldCount = section.Fields.size();
    }
    RecordLine(text, kind);
}

// A record's main values are the lines after its marker, up to the next marker of a record or section.
void TImpExpStream::RecordLine(QByteArrayView text, LineKind kind) {
    TImpExpRecords& records = m_sections[size_t(m_current)].Records;
    const bool hasBlock = !records.Buffers.empty() && records.Buffers.back() == m_buffer;
    if (kind == LineKind::MainRecord) {
        records.Values.resize(records.Values.size() + records.FieldCount);
        ++records.Count;
        // Its values are in this block or in later ones; earlier records may share this block.
        m_recordBuffer = records.Buffers.size() - (hasBlock ? 1 : 0);
        m_recordSharesBuffer = hasBlock;
        m_inRecord = true;
        m_value = 0;
        return;
    }
    if (kind == LineKind::DetailRecord) m_inRecord = false;
    if (!m_inRecord || m_value == records.FieldCount) return;
    if (!hasBlock) records.Buffers.push_back(m_buffer);
    records.Values[(records.Count - 1) * records.FieldCount + m_value++] = text;
}

// Hands over the records read so far; a record whose values may go on in the next block stays.
void TImpExpStream::Deliver(bool end) {
    for (TSection& section : m_sections) {
        TImpExpRecords& records = section.Records;
        TImpExpRecords rest{.Section = records.Section, .FieldCount = records.FieldCount};
        if (!end && m_inRecord && records.Section == m_current) {
            const auto open = records.Values.end() - qsizetype(records.FieldCount);
            rest.Values.assign(open, records.Values.end());
            rest.Count = 1;
            const auto first = records.Buffers.begin() + qsizetype(m_recordBuffer);
            rest.Buffers.assign(first, records.Buffers.end());
            records.Buffers.erase(m_recordSharesBuffer ? first + 1 : first, records.Buffers.end());
            m_recordBuffer = 0;
            m_recordSharesBuffer = false;
            records.Values.erase(open, records.Values.end());
            --records.Count;
        }
        if (records.Count > 0) m_onRecords(records);
        records = std::move(rest);
    }
}

void TImpExpStream::Read(bool createIfMissing, const TOnRecords& onRecords) {
    m_onRecords = onRecords;
    QFile file(m_fileName);
    if (!ImpExpText::OpenForReading(file, createIfMissing)) return;
    const qint64 limit = TImpExpFile::MaxFileSize;
    if (!file.isSequential() && file.size() > limit) ImpExpText::FailTooBig(m_fileName, limit);

    qint64 read = 0;     // bytes of the file
    qsizetype bytes = 0; // up to a NUL, where the file's text ends
    qsizetype lines = 0, lineFeeds = 0, carriageReturns = 0;
    QByteArray carry; // the start of a line that goes on in the next block
    for (bool end = false; !end;) {
        // A line longer than a block doubles the next one, so that carrying it costs little.
        auto buffer =
            std::make_shared<QByteArray>(carry.size() + std::max(BlockSize, carry.size()), Qt::Uninitialized);
        std::memcpy(buffer->data(), carry.constData(), size_t(carry.size()));
        qsizetype size = carry.size();
        while (size < buffer->size()) {
            errno = 0;
            const qint64 got = file.read(buffer->data() + size, buffer->size() - size);
            if (got < 0) ImpExpText::FailRead(m_fileName, file, errno);
            if (got == 0) {
                end = true;
                break;
            }
            read += got;
            if (read > limit) ImpExpText::FailTooBig(m_fileName, limit);
            if (const void* nul = std::memchr(buffer->data() + size, 0, size_t(got))) {
                size = static_cast<const char*>(nul) - buffer->constData();
                end = true;
                break;
            }
            size += got;
        }
        buffer->truncate(size);
        const char* begin = buffer->constData();
        const char* stop = begin + size;
        bytes += size - carry.size();
        m_buffer = buffer;

        const char* p = begin;
        while (p < stop) {
            const ImpExpText::TLineEnd line = ImpExpText::FindLineEnd(p, stop);
            // Whether a CR at the end of the block is followed by LF is seen in the next one.
            if (!end && (line.TextEnd == stop || (*line.TextEnd == '\r' && line.TextEnd + 1 == stop))) break;
            const QByteArrayView text(p, line.TextEnd - p);
            if (text.size() > TImpExpFile::kSizeMask) ImpExpText::FailLineTooLong(m_fileName);
            ++lines;
            // No line holds a CR or LF: every one ends a line, alone or as CR LF.
            if (line.TextEnd < stop) {
                lineFeeds += line.Next - line.TextEnd == 2 || *line.TextEnd == '\n';
                carriageReturns += *line.TextEnd == '\r';
            }
            TakeLine(text, ImpExpText::Classify(text));
            p = line.Next;
        }
        carry = end ? QByteArray() : QByteArray(p, stop - p);
        if (carry.size() > TImpExpFile::kSizeMask) ImpExpText::FailLineTooLong(m_fileName);
        Deliver(end);
    }
    const qsizetype maxLines = ImpExpText::MaxLines(bytes);
    if (std::max(lineFeeds, carriageReturns) + 1 > maxLines || lines > maxLines)
        ImpExpText::FailTooManyLines(m_fileName);
}
