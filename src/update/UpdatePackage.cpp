#include "UpdatePackage.h"

#include "tablefile/FileVersion.h"

#include "text/Cp1251.h"
#include "text/TException.h"

#include <QHash>

#include <optional>
#include <vector>

using namespace Qt::StringLiterals;


namespace {

const QStringList kArticleFields = {
    u"КОД"_s,         u"НАИМЕНОВАНИЕ"_s, u"ПРОИЗВОДИТЕЛЬ"_s,   u"ЕД_ИЗМ"_s,
    u"ЦЕНА"_s,        u"ЦЕНА_ФЛАГ"_s,    u"НАЛИЧИЕ"_s,         u"КОЛ_В_УПАКОВКЕ"_s,
    u"ВЕС_ЕДЕНИЦЫ"_s, u"КАТАЛ_НОМЕР"_s,  u"КОД_СЕРТИФИКАТА"_s, u"СТРАНА"_s};
const QString kFlagField = u"ЦЕНА_ФЛАГ"_s;

void Pump(const TUpdatePackage::TPump& processMessages) {
    if (processMessages) processMessages();
}

// The previous price list as code and price pairs, found by code in Windows-1251 lower case. An
// entry is used up by its match; of several entries with one code the earliest matches first.
// Open addressing over one array, and a guess first: a new price list mostly keeps the order of the
// old one, so the entry after the last match is tried before the table.
class TPriceIndex {
public:
    void Add(QByteArrayView code, double price) {
        const qsizetype offset = m_codes.size();
        m_codes.resize(offset + code.size());
        Lower(code, m_codes.data() + offset);
        m_entries.push_back({qint32(offset), qint32(code.size()), price});
    }

    // After the last Add. A code's slot holds its first entry, which keeps the chain of the code's
    // unmatched entries in file order.
    void Seal() {
        const size_t count = m_entries.size();
        size_t capacity = 16;
        while (capacity < count * 2)
            capacity *= 2;
        m_slots.assign(capacity, kNone);
        m_mask = capacity - 1;
        std::vector<size_t> hashes(count);
        for (size_t i = 0; i < count; ++i)
            hashes[i] = qHash(Code(int(i)));
        constexpr size_t kAhead = 16; // slots are far apart: fetch them before they are needed
        for (size_t i = 0; i < count; ++i) {
            if (i + kAhead < count) __builtin_prefetch(&m_slots[hashes[i + kAhead] & m_mask]);
            int& slot = m_slots[Find(Code(int(i)), hashes[i])];
            Entry& entry = m_entries[i];
            if (slot == kNone) {
                slot = int(i);
                entry.Head = entry.Tail = int(i);
            } else {
                Entry& first = m_entries[size_t(slot)];
                m_entries[size_t(first.Tail)].Next = int(i);
                first.Tail = int(i);
            }
            entry.First = slot;
        }
    }

    std::optional<double> Take(QByteArrayView code) {
        m_key.resize(code.size());
        Lower(code, m_key.data());
        const int guess = m_last + 1;
        const int first = guess < int(m_entries.size()) && Code(guess) == m_key
                              ? m_entries[size_t(guess)].First
                              : m_slots[Find(m_key, qHash(m_key))];
        if (first == kNone) return std::nullopt;
        int& head = m_entries[size_t(first)].Head;
        if (head == kNone) return std::nullopt;
        m_last = head;
        head = m_entries[size_t(m_last)].Next;
        return m_entries[size_t(m_last)].Price;
    }

private:
    static constexpr int kNone = -1;

    struct Entry {
        qint32 Offset;
        qint32 Size;
        double Price;
        int First = kNone; // the first entry of the same code
        int Next = kNone;  // the next entry of the same code
        int Head = kNone;  // of a first entry: the first entry of its code still unmatched
        int Tail = kNone;  // of a first entry: the last entry of its code
    };

    static void Lower(QByteArrayView code, char* out) {
        for (qsizetype i = 0; i < code.size(); ++i)
            out[i] = char(Cp1251::LowerByte(uchar(code[i])));
    }

    QByteArrayView Code(int i) const {
        const Entry& e = m_entries[size_t(i)];
        return {m_codes.constData() + e.Offset, e.Size};
    }

    // The slot of the code, or the empty slot where it would go.
    size_t Find(QByteArrayView code, size_t hash) const {
        for (size_t at = hash & m_mask;; at = (at + 1) & m_mask) {
            const int i = m_slots[at];
            if (i == kNone || Code(i) == code) return at;
        }
    }

    QByteArray m_codes;
    std::vector<Entry> m_entries;
    std::vector<int> m_slots;
    size_t m_mask = 0;
    int m_last = kNone;
    QByteArray m_key;
};

TPriceIndex ReadPreviousPrices(TImpExpFile& data, const TUpdatePackage::TPump& processMessages) {
    TPriceIndex index;
    data.OpenSection(u"ПРАЙС_ЛИСТ");
    const TFieldValue& code = data.FieldByName(u"КОД");
    const TFieldValue& price = data.FieldByName(u"ЦЕНА");
    for (data.First(); data.HasRecord(); data.Next()) {
        Pump(processMessages);
        index.Add(code.AsBytes(), price.AsFloat());
    }
    index.Seal();
    return index;
}

// A section of the rebuilt file, declared anew, and the package's fields its values come from.
struct TCopiedFields {
    std::vector<TFieldValue*> Target;
    std::vector<const TFieldValue*> Source;

    void CopyValues() const {
        for (size_t k = 0; k < Target.size(); ++k)
            Target[k]->Value = Source[k]->Value;
    }
};

TCopiedFields OpenCopy(TImpExpFile& target, QStringView targetSection, const QStringList& fields,
                       TImpExpFile& source, QStringView sourceSection) {
    target.OpenSection(targetSection);
    target.AddFields(fields);
    target.DeleteRecords();
    source.OpenSection(sourceSection);
    TCopiedFields copied;
    for (const QString& field : fields) {
        if (field == kFlagField) continue; // computed, never copied
        copied.Target.push_back(&target.FieldByName(field));
        copied.Source.push_back(&source.FieldByName(field));
    }
    return copied;
}

void CopyRecords(TImpExpFile& target, QStringView section, const QStringList& fields, TImpExpFile& source,
                 const TUpdatePackage::TPump& processMessages) {
    const TCopiedFields copied = OpenCopy(target, section, fields, source, section);
    for (source.First(); source.HasRecord(); source.Next()) {
        Pump(processMessages);
        copied.CopyValues();
        target.AppendRecord();
    }
}

void CopyArticles(TImpExpFile& target, TImpExpFile& source, TPriceIndex& previous,
                  const TUpdatePackage::TPump& processMessages) {
    const TCopiedFields copied = OpenCopy(target, u"ПРАЙС_ЛИСТ", kArticleFields, source, u"ПРАЙС_ЛИСТ");
    TFieldValue& flag = target.FieldByName(kFlagField);
    const TFieldValue& code = source.FieldByName(u"КОД");
    const TFieldValue& price = source.FieldByName(u"ЦЕНА");
    const TValue isNew = TValue::FromBytes("N"), lower = TValue::FromBytes("D"),
                 higher = TValue::FromBytes("U"), same = TValue::FromBytes(QByteArray(""));
    for (source.First(); source.HasRecord(); source.Next()) {
        Pump(processMessages);
        copied.CopyValues();
        if (const std::optional<double> before = previous.Take(code.AsBytes())) {
            const double now = price.AsFloat();
            flag.Value = *before > now ? lower : *before < now ? higher : same;
        } else {
            flag.Value = isNew;
        }
        target.AppendRecord();
    }
}

} // namespace

TUpdatePackage::TUpdatePackage(const QString& fileName) : m_fileName(fileName), m_file(fileName, false) {}

QString TUpdatePackage::Version() {
    m_file.OpenSection(u"ДАННЫЕ_ОБНОВЛЕНИЯ");
    m_file.Last();
    return m_file.FieldByName(u"ВЕРСИЯ").AsString();
}

void TUpdatePackage::CheckVersion() {
    FileVersion::Check(Version(), u"файла обновления "_s + m_fileName,
                       u"Возможно требуется обновление программы."_s);
}

QList<TUpdateInfoLine> TUpdatePackage::PriceInfo(const TPump& processMessages) {
    QList<TUpdateInfoLine> lines;
    m_file.OpenSection(u"ИНФ_О_ПРАЙСЕ");
    const TFieldValue& parameter = m_file.FieldByName(u"ПАРАМЕТР");
    const TFieldValue& value = m_file.FieldByName(u"ЗНАЧЕНИЕ");
    for (m_file.First(); m_file.HasRecord(); m_file.Next()) {
        Pump(processMessages);
        lines.append({parameter.AsString(), value.AsString()});
    }
    return lines;
}

void TUpdatePackage::ApplyTo(const QString& dataFile, const TPump& processMessages) {
    TImpExpFile data(dataFile, false);
    TPriceIndex previous = ReadPreviousPrices(data, processMessages);
    data.Clear();

    const TCopiedFields version =
        OpenCopy(data, u"СИСТЕМНЫЕ_ДАННЫЕ", {u"ВЕРСИЯ"_s}, m_file, u"ДАННЫЕ_ОБНОВЛЕНИЯ");
    m_file.Last();
    version.CopyValues();
    data.AppendRecord();

    CopyRecords(data, u"ИНФ_О_ПРАЙСЕ", {u"ПАРАМЕТР"_s, u"ЗНАЧЕНИЕ"_s}, m_file, processMessages);
    CopyRecords(data, u"СИСТЕМА_СКИДОК", {u"СУММА"_s, u"СКИДКА"_s}, m_file, processMessages);
    CopyArticles(data, m_file, previous, processMessages);
    data.SaveToFile(dataFile);
}
