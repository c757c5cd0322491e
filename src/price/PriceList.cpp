#include "PriceList.h"

#include "tablefile/FileVersion.h"

#include "framework/MemTable.h"
#include "tablefile/ImpExp.h"
#include "TableViewLogic.h"
#include "text/TException.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {


struct TPriceField {
    const char16_t* Name;
    TFieldType Type;
    const char16_t* Source; // the field of the price section
};

const std::array<TPriceField, 12> kFields = {{
    {u"Price_flag", TFieldType::String, u"ЦЕНА_ФЛАГ"},
    {u"Code", TFieldType::String, u"КОД"},
    {u"Name", TFieldType::String, u"НАИМЕНОВАНИЕ"},
    {u"Producer", TFieldType::String, u"ПРОИЗВОДИТЕЛЬ"},
    {u"Price", TFieldType::Float, u"ЦЕНА"},
    {u"Presence", TFieldType::String, u"НАЛИЧИЕ"},
    {u"Col_upak", TFieldType::Float, u"КОЛ_В_УПАКОВКЕ"},
    {u"Ed_izm", TFieldType::String, u"ЕД_ИЗМ"},
    {u"Weight", TFieldType::Float, u"ВЕС_ЕДЕНИЦЫ"},
    {u"Cat_number", TFieldType::String, u"КАТАЛ_НОМЕР"},
    {u"Code_sert", TFieldType::String, u"КОД_СЕРТИФИКАТА"},
    {u"Country", TFieldType::String, u"СТРАНА"},
}};

constexpr int kTextSize = 255;

} // namespace

QList<TGridColumn> PriceColumns() {
    const auto column = [](const char16_t* field, const char16_t* title, int width, Qt::Alignment alignment) {
        return TGridColumn{.FieldName = QString::fromUtf16(field),
                           .Title = QString::fromUtf16(title),
                           .Width = width,
                           .Alignment = alignment};
    };
    TGridColumn presence = column(u"Presence", u"Наличие", 50, Qt::AlignHCenter);
    presence.FontFamily = u"Arial Black"_s;
    presence.FontPointSize = 8;
    presence.FontBold = true;
    return {
        column(u"Code", u"Код", 40, Qt::AlignLeft),
        column(u"Name", u"Наименование", 350, Qt::AlignLeft),
        column(u"Producer", u"Производитель", 90, Qt::AlignLeft),
        column(u"Price", u"Цена", 75, Qt::AlignRight),
        presence,
        column(u"Col_upak", u"Кол. в упак.", 70, Qt::AlignRight),
        column(u"Ed_izm", u"Ед.изм.", 50, Qt::AlignLeft),
        column(u"Weight", u"Вес еденицы", 75, Qt::AlignRight),
        column(u"Cat_number", u"Кат. номер", 90, Qt::AlignLeft),
        column(u"Code_sert", u"Код серт.", 60, Qt::AlignLeft),
        column(u"Country", u"Страна", 80, Qt::AlignLeft),
    };
}

void DefinePriceFields(TMemTable& table) {
    table.Close();
    table.ClearFields();
    const QList<TGridColumn> columns = PriceColumns();
    for (const TPriceField& f : kFields) {
        TField& field = table.AddField(QString::fromUtf16(f.Name), f.Type, kTextSize);
        for (const TGridColumn& c : columns)
            if (c.FieldName == field.FieldName()) field.Alignment = c.Alignment;
    }
}

void TPriceList::Load(const QString& fileName, TTableViewLogic& priceView, TMemTable& selectTable,
                      const QString& storedSort, const QString& storedFilter,
                      const std::function<void()>& processMessages) {
    const auto pump = [&processMessages] {
        if (processMessages) processMessages();
    };
    TImpExpFile file(fileName, true);

    file.OpenSection(u"СИСТЕМНЫЕ_ДАННЫЕ");
    file.Last();
    FileVersion::Check(file.FieldByName(u"ВЕРСИЯ").AsString(), u"файла данных data.iop"_s);

    file.OpenSection(u"ИНФ_О_ПРАЙСЕ");
    file.First();
    PriceInfo.clear();
    const TFieldValue& parameter = file.FieldByName(u"ПАРАМЕТР");
    const TFieldValue& value = file.FieldByName(u"ЗНАЧЕНИЕ");
    for (; file.HasRecord(); file.Next()) {
        pump();
        PriceInfo.append({parameter.AsString(), value.AsString()});
    }

    file.OpenSection(u"СИСТЕМА_СКИДОК");
    file.First();
    DiscountScale.clear();
    const TFieldValue& summa = file.FieldByName(u"СУММА");
    const TFieldValue& discount = file.FieldByName(u"СКИДКА");
    for (; file.HasRecord(); file.Next()) {
        pump();
        DiscountScale.append({summa.AsFloat(), discount.AsFloat()});
    }

    TMemTable& table = *priceView.Table;
    priceView.DataSource->SetDataSet(nullptr);
    table.Open();
    priceView.SetViewState(QString(), QString());
    table.EmptyTable();

    file.OpenSection(u"ПРАЙС_ЛИСТ");
    file.First();
    std::array<const TFieldValue*, kFields.size()> sources;
    std::array<TField*, kFields.size()> targets;
    for (size_t i = 0; i < kFields.size(); ++i) {
        sources[i] = &file.FieldByName(kFields[i].Source);
        targets[i] = &table.FieldByName(kFields[i].Name);
    }
    for (; file.HasRecord(); file.Next()) {
        pump();
        table.Append();
        for (size_t i = 0; i < kFields.size(); ++i) {
            if (targets[i]->IsNumeric())
                targets[i]->SetAsFloat(sources[i]->AsFloat());
            else
                targets[i]->SetAsBytes(sources[i]->AsBytes()); // stays Windows-1251, never decoded
        }
        table.Post();
    }
    table.First();

    selectTable.CopyFrom(table); // no filter is on yet: every record
    priceView.SetViewState(storedSort, storedFilter);
    priceView.DataSource->SetDataSet(&table);
}
