#include "UpdatePackage.h"

#include "text/Cp1251.h"
#include "text/TException.h"

#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace Qt::StringLiterals;

const QString TUpdatePackage::kVersion = u"1020"_s;

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
class TPriceIndex {
public:
    void Add(QByteArrayView code, double price) {
        const qsizetype offset = m_codes.size();
        for (const char c : code)
            m_codes.append(char(Cp1251::LowerByte(uchar(c))));
        m_entries.push_back({offset, code.size(), price, -1});
    }

    // After the last Add: the codes no longer move.
    void Seal() {
        m_heads.reserve(m_entries.size());
        for (int i = int(m_entries.size()) - 1; i >= 0; --i) {
            const auto [head, added] = m_heads.try_emplace(Code(i), i);
            if (!added) {
                m_entries[size_t(i)].Next = head->second;
                head->second = i;
            }
        }
    }

    std::optional<double> Take(QByteArrayView code) {
        m_key.resize(code.size());
        for (qsizetype i = 0; i < code.size(); ++i)
            m_key[i] = char(Cp1251::LowerByte(uchar(code[i])));
        const auto head = m_heads.find(std::string_view(m_key.constData(), size_t(m_key.size())));
        if (head == m_heads.end() || head->second < 0) return std::nullopt;
        const Entry& entry = m_entries[size_t(head->second)];
        head->second = entry.Next;
        return entry.Price;
    }

private:
    struct Entry {
        qsizetype Offset;
        qsizetype Size;
        double Price;
        int Next; // the next entry of the same code, -1 for none
    };

    std::string_view Code(int i) const {
        const Entry& e = m_entries[size_t(i)];
        return {m_codes.constData() + e.Offset, size_t(e.Size)};
    }

    QByteArray m_codes;
    std::vector<Entry> m_entries;
    std::unordered_map<std::string_view, int> m_heads;
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
    const QString version = Version();
    if (version != kVersion)
        throw TException(u"Несоответствие версий программы (ver 1020) и файла обновления "_s + m_fileName +
                         u" (ver "_s + version + u"). Возможно требуется обновление программы."_s);
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
