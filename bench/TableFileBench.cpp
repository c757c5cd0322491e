#include "BenchSuite.h"

#include "tablefile/ImpExp.h"
#include "tablefile/ImpExpWriter.h"

#include <QDir>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QStringList kPriceFields = {
    u"КОД"_s,         u"НАИМЕНОВАНИЕ"_s, u"ПРОИЗВОДИТЕЛЬ"_s,   u"ЕД_ИЗМ"_s,
    u"ЦЕНА"_s,        u"ЦЕНА_ФЛАГ"_s,    u"НАЛИЧИЕ"_s,         u"КОЛ_В_УПАКОВКЕ"_s,
    u"ВЕС_ЕДЕНИЦЫ"_s, u"КАТАЛ_НОМЕР"_s,  u"КОД_СЕРТИФИКАТА"_s, u"СТРАНА"_s};
const QStringList kNumberFields = {u"ЦЕНА"_s, u"КОЛ_В_УПАКОВКЕ"_s, u"ВЕС_ЕДЕНИЦЫ"_s};

// Walks the price section reading every field, as the price list loading does.
void ReadPriceSection(const QString& path) {
    TImpExpFile file(path, false);
    file.OpenSection(u"ПРАЙС_ЛИСТ");
    std::vector<TFieldValue*> texts, numbers;
    for (const QString& name : kPriceFields)
        (kNumberFields.contains(name) ? numbers : texts).push_back(&file.FieldByName(name));
    qsizetype characters = 0;
    double sum = 0;
    for (file.First(); file.HasRecord(); file.Next()) {
        for (TFieldValue* f : texts)
            characters += f->AsString().size();
        for (TFieldValue* f : numbers)
            sum += f->AsFloat();
    }
    if (characters < 0 || sum < 0) std::abort();
}

// The price records in memory as a caller holds them (texts and numbers), so that writing measures
// only the writer.
struct Records {
    std::vector<bool> IsNumber;
    std::vector<QString> Texts;
    std::vector<double> Numbers;
};

std::shared_ptr<Records> LoadRecords(const QString& path) {
    auto records = std::make_shared<Records>();
    for (const QString& name : kPriceFields)
        records->IsNumber.push_back(kNumberFields.contains(name));
    TImpExpFile file(path, false);
    file.OpenSection(u"ПРАЙС_ЛИСТ");
    for (file.First(); file.HasRecord(); file.Next()) {
        for (int k = 0; k < kPriceFields.size(); ++k) {
            const TFieldValue& field = file.FieldByName(kPriceFields[k]);
            if (records->IsNumber[k])
                records->Numbers.push_back(field.AsFloat());
            else
                records->Texts.push_back(field.AsString());
        }
    }
    return records;
}

void WritePriceSection(const Records& records, const QString& path) {
    TImpExpWriter file(path);
    file.OpenSection(u"ПРАЙС_ЛИСТ");
    file.AddFields(kPriceFields);
    std::vector<TFieldValue*> fields;
    for (const QString& name : kPriceFields)
        fields.push_back(&file.FieldByName(name));
    auto text = records.Texts.begin();
    auto number = records.Numbers.begin();
    while (text != records.Texts.end()) {
        file.ClearValues();
        for (size_t k = 0; k < fields.size(); ++k) {
            if (records.IsNumber[k])
                fields[k]->Value = *number++;
            else
                fields[k]->Value = *text++;
        }
        file.AppendRecord();
    }
    file.Commit();
}

} // namespace

void AddTableFileRows(BenchSuite& suite, const BenchData& data) {
    const auto floor = [path = data.PriceFile] { BenchData::ReadAndDecode(path); };
    suite.Add({.Name = u"tablefile.read"_s,
               .N = data.Articles,
               .Run = [path = data.PriceFile] { ReadPriceSection(path); },
               .Floor = floor,
               .MemoryBase = data.PriceFileSize});

    auto records = std::make_shared<std::shared_ptr<Records>>();
    const QString target = QDir(data.Folder).filePath(u"written.iop"_s);
    auto durable = std::make_shared<TDurableReplace>(QDir(data.Folder).filePath(u"floor.iop"_s));
    suite.Add({.Name = u"tablefile.write"_s,
               .N = data.Articles,
               .Prepare =
                   [records, durable, target, path = data.PriceFile] {
                       *records = LoadRecords(path);
                       WritePriceSection(**records, target);
                       durable->Take(target);
                   },
               .Run = [records, target] { WritePriceSection(**records, target); },
               .Floor = [durable] { durable->Run(); }});
}
