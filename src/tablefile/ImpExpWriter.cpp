#include "ImpExpWriter.h"

#include "ImpExpText.h"

#include <algorithm>

namespace {

// Written whenever this much has piled up: few system calls, and little memory.
constexpr qsizetype kFlushSize = 64 * 1024;

} // namespace

TImpExpWriter::TImpExpWriter(const QString& fileName) : m_fileName(fileName), m_file(fileName) {
    if (!m_file.Open()) ImpExpText::FailWrite(m_fileName, m_file.Reason());
    m_buffer.reserve(kFlushSize + 4096);
}

TImpExpWriter::~TImpExpWriter() = default;

void TImpExpWriter::OpenSection(QStringView name) {
    m_fields.clear();
    m_inSection = true;
    m_hasRecords = false;
    AddLine(TImpExpFile::MarkerText(TImpExpFile::LineKind::Section));
    AddLine(ImpExpText::HarmlessName(name));
    AddLine(TImpExpFile::MarkerText(TImpExpFile::LineKind::MainFields));
}

void TImpExpWriter::AddFields(const QStringList& names) {
    // The field list is written before the first record: a field added later would land among them.
    Q_ASSERT(!m_hasRecords);
    if (!m_inSection) return;
    for (const QString& name : names) {
        QByteArray bytes = ImpExpText::HarmlessName(name);
        const bool declared = std::any_of(m_fields.begin(), m_fields.end(),
                                          [&](const auto& f) { return f->NameBytes() == bytes; });
        if (declared) continue;
        AddLine(bytes);
        m_fields.push_back(std::make_unique<TFieldValue>(std::move(bytes)));
    }
}

TFieldValue& TImpExpWriter::FieldByName(QStringView name) {
    const int k = ImpExpText::FindField(m_fields, name);
    return k < 0 ? m_emptyValue : *m_fields[size_t(k)];
}

void TImpExpWriter::ClearValues() {
    for (auto& f : m_fields)
        f->Value.Reset();
}

void TImpExpWriter::AppendRecord() {
    if (!m_inSection || m_fields.empty()) return;
    m_hasRecords = true;
    AddLine(TImpExpFile::MarkerText(TImpExpFile::LineKind::MainRecord));
    for (const auto& f : m_fields) {
        const qsizetype start = m_buffer.size();
        f->Value.AppendFileText(m_buffer);
        ImpExpText::MakeHarmless(m_buffer.data() + start, m_buffer.size() - start);
        EndLine();
    }
    if (m_buffer.size() >= kFlushSize) Flush();
}

void TImpExpWriter::Commit() {
    Flush();
    if (!m_file.Commit()) ImpExpText::FailWrite(m_fileName, m_file.Reason());
}

void TImpExpWriter::AddLine(QByteArrayView text) {
    m_buffer.append(text);
    EndLine();
}

void TImpExpWriter::EndLine() {
    m_buffer.append("\r\n", 2);
}

void TImpExpWriter::Flush() {
    if (m_file.write(m_buffer.constData(), m_buffer.size()) != m_buffer.size())
        ImpExpText::FailWrite(m_fileName, m_file.Reason());
    m_buffer.resize(0);
}
