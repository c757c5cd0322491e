#include "ImpExp.h"

#include "ImpExpText.h"

#include "text/Cp1251.h"
#include "text/SaveFile.h"
#include "text/TException.h"

#include <QFile>
#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>

namespace {

struct Markers {
    QByteArray Text[6]; // by LineKind; Plain stays empty
    Markers() {
        using K = TImpExpFile::LineKind;
        Text[int(K::Section)] = Cp1251::Encode(u"\tНАЧАЛО_РАЗДЕЛА\t");
        Text[int(K::MainFields)] = Cp1251::Encode(u"\tПОЛЯ_ОСН\t");
        Text[int(K::DetailFields)] = Cp1251::Encode(u"\tПОЛЯ_ДЕТ\t");
        Text[int(K::MainRecord)] = Cp1251::Encode(u"\tЗАП_ОСН\t");
        Text[int(K::DetailRecord)] = Cp1251::Encode(u"\tЗАП_ДЕТ\t");
    }
};

const Markers& TheMarkers() {
    static const Markers markers;
    return markers;
}

using ImpExpText::Classify;

using ImpExpText::MakeHarmless;

// A few short files aside, the program's files average far more than four bytes a line (a record of
// the price list has some 10); a file of mostly empty lines is damage or an attack, not data.
constexpr qsizetype kFreeLines = 64 * 1024;

constexpr qsizetype kSpareLines = 64;

// The whole file, whatever it is: its size is only a hint (a FIFO or a device has none, a file may grow
// while it is read), so what arrives is counted against the limit.
QByteArray ReadWhole(QFile& file, qint64 limit) {
    const QString fileName = file.fileName();
    const qint64 hint = file.isSequential() ? 0 : file.size();
    if (hint > limit) ImpExpText::FailTooBig(fileName, limit);
    // One byte more than the hint, so that the end of a regular file is seen without growing.
    QByteArray bytes(qsizetype(std::min(std::max<qint64>(hint + 1, 64 * 1024), limit + 1)),
                     Qt::Uninitialized);
    qint64 used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > limit) ImpExpText::FailTooBig(fileName, limit);
            bytes.resize(qsizetype(std::min(used * 2, limit + 1)));
        }
        errno = 0;
        const qint64 read = file.read(bytes.data() + used, bytes.size() - used);
        if (read < 0) ImpExpText::FailRead(fileName, file, errno);
        if (read == 0) break;
        used += read;
    }
    if (used > limit) ImpExpText::FailTooBig(fileName, limit);
    bytes.truncate(qsizetype(used));
    return bytes;
}

} // namespace

namespace ImpExpText {

TImpExpFile::LineKind Classify(QByteArrayView line) {
    if (line.size() < 8 || line.front() != '\t' || line.back() != '\t') return TImpExpFile::LineKind::Plain;
    const Markers& m = TheMarkers();
    for (int k = 1; k < 6; ++k)
        if (line == m.Text[k]) return TImpExpFile::LineKind(k);
    return TImpExpFile::LineKind::Plain;
}

void MakeHarmless(char* data, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i) {
        const uchar c = uchar(data[i]);
        if (c <= '\r' && (c == '\r' || c == '\n' || c == '\0')) data[i] = ' ';
    }
    if (Classify(QByteArrayView(data, size)) != TImpExpFile::LineKind::Plain)
        std::replace(data, data + size, '\t', ' ');
}

QByteArray HarmlessName(QStringView name) {
    QByteArray bytes = Cp1251::Encode(name);
    MakeHarmless(bytes.data(), bytes.size());
    return bytes;
}

void FailWrite(const QString& fileName, const QString& reason) {
    throw TException(QStringLiteral(u"Ошибка записи файла ") + fileName + QStringLiteral(": ") + reason);
}

qsizetype MaxLines(qsizetype bytes) {
    return kFreeLines + bytes / 4;
}

void FailTooManyLines(const QString& fileName) {
    throw TException(QStringLiteral(u"Файл ") + fileName +
                     QStringLiteral(u" повреждён или не является файлом данных программы: в нём слишком "
                                    u"много строк для его размера"));
}

void FailTooBig(const QString& fileName, qint64 limit) {
    throw TException(QStringLiteral(u"Файл слишком велик: ") + fileName +
                     QStringLiteral(u" (больше %1 байт)").arg(limit));
}

void FailLineTooLong(const QString& fileName) {
    throw TException(QStringLiteral(u"Файл слишком велик: ") + fileName);
}

void FailOpen(const QString& fileName) {
    throw TException(QStringLiteral(u"Невозможно открыть файл ") + fileName);
}

void FailRead(const QString& fileName, const QFile& file, int error) {
    throw TException(QStringLiteral(u"Ошибка чтения файла ") + fileName + QStringLiteral(": ") +
                     (error ? SystemErrorText(error) : file.errorString()));
}

bool OpenForReading(QFile& file, bool createIfMissing) {
    const QString fileName = file.fileName();
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) FailOpen(fileName);
        return true;
    }
    if (!createIfMissing) FailOpen(fileName);
    TSaveFile created(fileName);
    if (!created.Open() || !created.Commit())
        throw TException(QStringLiteral(u"Невозможно создать файл ") + fileName + QStringLiteral(": ") +
                         created.Reason());
    return false;
}

int FindField(const std::vector<std::unique_ptr<TFieldValue>>& fields, QStringView name) {
    QVarLengthArray<char, 64> lower(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const int b = Cp1251::FromUnicode(name[i].unicode());
        lower[i] = char(Cp1251::LowerByte(uchar(b < 0 ? '?' : b)));
    }
    const QByteArrayView wanted(lower.constData(), lower.size());
    int match = -1;
    for (size_t k = 0; k < fields.size(); ++k)
        if (fields[k]->LowerName() == wanted) match = int(k);
    return match;
}

} // namespace ImpExpText

TFieldValue::TFieldValue(QByteArray name) : m_name(std::move(name)), m_lowerName(AnsiLowerCase(m_name)) {}

QString TFieldValue::Name() const {
    return Cp1251::Decode(m_name);
}

TImpExpFile::TImpExpFile(const QString& fileName, bool createIfMissing) {
    QFile file(fileName);
    if (ImpExpText::OpenForReading(file, createIfMissing)) Load(file);
}

TImpExpFile::~TImpExpFile() = default;

QByteArray TImpExpFile::MarkerText(LineKind kind) {
    return TheMarkers().Text[int(kind)];
}

void TImpExpFile::Load(QFile& source) {
    const QString fileName = source.fileName();
    m_original = ReadWhole(source, MaxFileSize);
    const char* begin = m_original.constData();
    const char* end = begin + m_original.size();
    if (const void* nul = std::memchr(begin, 0, m_original.size())) end = static_cast<const char*>(nul);

    // Every line costs an entry of the index, so a file of little else than line breaks would cost
    // many times its size: such a file is refused before the index is made.
    qsizetype lineFeeds = 0, carriageReturns = 0;
    for (const char* p = begin; p < end; ++p) {
        lineFeeds += *p == '\n';
        carriageReturns += *p == '\r';
    }
    // Exact for LF, CR LF and CR files; only a mixture of line ends may need more.
    const qsizetype expected = std::max(lineFeeds, carriageReturns) + 1;
    const qsizetype maxLines = ImpExpText::MaxLines(end - begin);
    if (expected > maxLines) ImpExpText::FailTooManyLines(fileName);

    // A big file is split in two pieces on two cores, at a line feed: every line end stays where it was.
    const char* middle = end;
    if (end - begin >= kParallelSize) {
        const char* begin2 = begin + (end - begin) / 2;
        if (const void* lf = std::memchr(begin2, '\n', size_t(end - begin2)))
            middle = static_cast<const char*>(lf) + 1;
    }
    // The first piece has room for both, and for the sections a reader opens and does not find (they
    // are appended), so that joining them copies nothing.
    std::vector<Span> second;
    auto secondPiece = std::async(middle < end ? std::launch::async : std::launch::deferred, [&] {
        second.reserve(size_t(std::count(middle, end, '\n')) + 1);
        SplitLines(begin, middle, end, second, fileName, maxLines);
    });
    m_lines.reserve(size_t(expected + kSpareLines));
    SplitLines(begin, begin, middle, m_lines, fileName, maxLines);
    secondPiece.get();
    if (qsizetype(m_lines.size()) + qsizetype(second.size()) > maxLines)
        ImpExpText::FailTooManyLines(fileName);
    m_lines.insert(m_lines.end(), second.begin(), second.end());
}

void TImpExpFile::SplitLines(const char* base, const char* begin, const char* end, std::vector<Span>& lines,
                             const QString& fileName, qsizetype maxLines) {
    for (const char* p = begin; p < end;) {
        const ImpExpText::TLineEnd line = ImpExpText::FindLineEnd(p, end);
        const QByteArrayView text(p, line.TextEnd - p);
        if (text.size() > kSizeMask) ImpExpText::FailLineTooLong(fileName);
        if (qsizetype(lines.size()) == maxLines) ImpExpText::FailTooManyLines(fileName);
        lines.push_back({quint32(p - base), quint32(text.size()) | (quint32(Classify(text)) << 29)});
        p = line.Next;
    }
}

const char* TImpExpFile::LineData(int index) const {
    const Span& s = m_lines[index];
    return s.Offset & kAddedBit ? m_added.constData() + (s.Offset & ~kAddedBit)
                                : m_original.constData() + s.Offset;
}

TImpExpFile::Span TImpExpFile::AddText(QByteArrayView text, LineKind kind) {
    if (m_added.size() + text.size() >= qsizetype(kAddedBit) || text.size() > kSizeMask)
        throw TException(QStringLiteral(u"Слишком большой объём данных"));
    const Span span{quint32(m_added.size()) | kAddedBit, quint32(text.size()) | (quint32(kind) << 29)};
    m_added.append(text);
    return span;
}

TImpExpFile::Span TImpExpFile::MakeLine(QByteArrayView text) {
    return AddText(text, Classify(text));
}

TImpExpFile::Span TImpExpFile::MarkerLine(LineKind kind) {
    // Lines never change, so every marker of a kind shares one copy of its text.
    Span& cached = m_markerLines[int(kind)];
    if (cached.SizeAndKind == 0) cached = AddText(MarkerText(kind), kind);
    return cached;
}

TImpExpFile::Span TImpExpFile::MakeValueLine(const TValue& value) {
    const qsizetype start = m_added.size();
    value.AppendFileText(m_added);
    const qsizetype size = m_added.size() - start;
    if (m_added.size() >= qsizetype(kAddedBit) || size > kSizeMask)
        throw TException(QStringLiteral(u"Слишком большой объём данных"));
    MakeHarmless(m_added.data() + start, size);
    return {quint32(start) | kAddedBit, quint32(size)};
}

void TImpExpFile::InsertLines(int at, const std::vector<Span>& lines) {
    m_lines.insert(m_lines.begin() + at, lines.begin(), lines.end());
}

void TImpExpFile::Clear() {
    NullValues();
    m_lines.clear();
    m_original.clear();
    m_added.clear();
    std::fill(std::begin(m_markerLines), std::end(m_markerLines), Span{0, 0});
    // The open section's lines are gone: until the next OpenSection nothing may write at old indexes.
    m_sectionStart = -1;
    ResetPosition();
}

bool TImpExpFile::WriteTo(QIODevice& device) const {
    // Small enough to be reused from the heap rather than mapped and zeroed anew for every save.
    constexpr qsizetype kChunk = 64 * 1024;
    std::vector<char> buffer(kChunk);
    qsizetype used = 0;
    const auto flush = [&] {
        const bool written = device.write(buffer.data(), used) == used;
        used = 0;
        return written;
    };
    for (int i = 0; i < LineCount(); ++i) {
        const qsizetype size = LineSize(i);
        if (used + size + 2 > qsizetype(buffer.size())) {
            if (!flush()) return false;
            if (size + 2 > kChunk) buffer.resize(size_t(size + 2));
        }
        std::memcpy(buffer.data() + used, LineData(i), size_t(size));
        buffer[used + size] = '\r';
        buffer[used + size + 1] = '\n';
        used += size + 2;
    }
    return flush();
}

void TImpExpFile::SaveToFile(const QString& fileName, const std::function<void()>& beforeReplace) const {
    TSaveFile file(fileName);
    const bool written = file.Open() && WriteTo(file);
    if (written && beforeReplace) beforeReplace();
    if (!written || !file.Commit()) ImpExpText::FailWrite(fileName, file.Reason());
}

void TImpExpFile::ResetPosition() {
    m_currentRecord = -1;
    m_currentDetail = -1;
}

void TImpExpFile::NullValues() {
    for (auto& f : m_mainFields)
        f->Value.Reset();
    for (auto& f : m_detailFields)
        f->Value.Reset();
}

void TImpExpFile::OpenSection(QStringView name) {
    m_mainFields.clear();
    m_detailFields.clear();
    m_sectionStart = -1;
    ResetPosition();

    const QByteArray wanted = Cp1251::Encode(name);
    const int n = LineCount();
    for (int i = 0; i + 1 < n; ++i) {
        if (Is(i, LineKind::Section) && QByteArrayView(LineData(i + 1), LineSize(i + 1)) == wanted) {
            m_sectionStart = i + 2;
            break;
        }
    }

    if (m_sectionStart == -1) {
        InsertLines(n, {MarkerLine(LineKind::Section), MakeLine(ImpExpText::HarmlessName(name)),
                        MarkerLine(LineKind::MainFields)});
        m_sectionStart = n + 2;
    } else if (m_sectionStart == n || !Is(m_sectionStart, LineKind::MainFields)) {
        // A section without a field list (or a name on the very last line) has no fields.
        InsertLines(m_sectionStart, {MarkerLine(LineKind::MainFields)});
    } else {
        auto* target = &m_mainFields;
        for (int j = m_sectionStart + 1; j < n && !Is(j, LineKind::Section) && !Is(j, LineKind::MainRecord);
             ++j) {
            if (Is(j, LineKind::DetailFields))
                target = &m_detailFields;
            else
                target->push_back(std::make_unique<TFieldValue>(Line(j)));
        }
    }
}

void TImpExpFile::AddFields(const QStringList& names) {
    if (m_sectionStart == -1) return;
    for (const QString& name : names) {
        QByteArray bytes = ImpExpText::HarmlessName(name);
        const bool declared = std::any_of(m_mainFields.begin(), m_mainFields.end(),
                                          [&](const auto& f) { return f->NameBytes() == bytes; });
        if (declared) continue;
        InsertLines(m_sectionStart + 1 + int(m_mainFields.size()), {MakeLine(bytes)});
        m_mainFields.push_back(std::make_unique<TFieldValue>(bytes));
    }
}

void TImpExpFile::DeleteRecords() {
    First();
    if (!HasRecord()) return;
    int end = m_currentRecord;
    while (end < LineCount() && !Is(end, LineKind::Section))
        ++end;
    m_lines.erase(m_lines.begin() + m_currentRecord, m_lines.begin() + end);
    ResetPosition();
    NullValues();
}

int TImpExpFile::FindInSection(int from, LineKind kind, bool last) const {
    int found = -1;
    for (int i = from; i < LineCount() && !Is(i, LineKind::Section); ++i) {
        if (!Is(i, kind)) continue;
        found = i;
        if (!last) break;
    }
    return found;
}

void TImpExpFile::First() {
    if (m_sectionStart == -1) return;
    m_currentRecord = FindInSection(m_sectionStart, LineKind::MainRecord, false);
    LoadRecord();
}

void TImpExpFile::Last() {
    if (m_sectionStart == -1) return;
    m_currentRecord = FindInSection(m_sectionStart, LineKind::MainRecord, true);
    LoadRecord();
}

void TImpExpFile::Next() {
    if (m_sectionStart == -1) return;
    if (m_currentRecord < 0 || m_currentRecord >= LineCount() || !Is(m_currentRecord, LineKind::MainRecord))
        m_currentRecord = -1;
    else
        m_currentRecord = FindInSection(m_currentRecord + 1, LineKind::MainRecord, false);
    LoadRecord();
}

void TImpExpFile::LoadRecord() {
    m_currentDetail = -1;
    size_t mainIndex = 0, detailIndex = 0;
    if (m_currentRecord < 0 || m_currentRecord >= LineCount() || !Is(m_currentRecord, LineKind::MainRecord)) {
        m_currentRecord = -1;
    } else {
        for (int j = m_currentRecord + 1; j < LineCount(); ++j) {
            const LineKind kind = m_lines[j].Kind();
            if (kind == LineKind::Section || kind == LineKind::MainRecord) break;
            if (kind == LineKind::DetailRecord && m_currentDetail == -1) {
                m_currentDetail = j;
                continue;
            }
            auto& fields = m_currentDetail == -1 ? m_mainFields : m_detailFields;
            size_t& k = m_currentDetail == -1 ? mainIndex : detailIndex;
            if (k < fields.size()) SetFromLine(fields[k]->Value, j);
            ++k;
        }
    }
    for (size_t k = mainIndex; k < m_mainFields.size(); ++k)
        m_mainFields[k]->Value.Reset();
    for (size_t k = detailIndex; k < m_detailFields.size(); ++k)
        m_detailFields[k]->Value.Reset();
}

void TImpExpFile::SetFromLine(TValue& value, int index) const {
    // Lines of the loaded file are borrowed; lines added since may move, so they are copied.
    if (m_lines[index].Offset & kAddedBit)
        value = TValue::FromBytes(Line(index));
    else
        value.SetBorrowed(m_original, LineData(index), LineSize(index));
}

void TImpExpFile::ClearValues() {
    for (auto& f : m_mainFields)
        f->Value.Reset();
}

int TImpExpFile::FieldIndex(QStringView name) const {
    return ImpExpText::FindField(m_mainFields, name);
}

TFieldValue& TImpExpFile::FieldByName(QStringView name) {
    const int k = FieldIndex(name);
    return k < 0 ? m_emptyValue : *m_mainFields[size_t(k)];
}

void TImpExpFile::AppendRecord() {
    if (m_sectionStart == -1 || m_mainFields.empty()) return;
    int at = std::max(m_sectionStart, m_currentRecord + 1);
    while (at < LineCount() && !Is(at, LineKind::Section))
        ++at;
    m_currentRecord = at;

    m_scratch.clear();
    m_scratch.push_back(MarkerLine(LineKind::MainRecord));
    for (const auto& f : m_mainFields)
        m_scratch.push_back(MakeValueLine(f->Value));
    InsertLines(at, m_scratch);
}
