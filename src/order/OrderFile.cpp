#include "OrderFile.h"

#include "tablefile/FileVersion.h"

#include "tablefile/ImpExp.h"
#include "tablefile/ImpExpWriter.h"
#include "text/TException.h"

using namespace Qt::StringLiterals;

namespace OrderFile {
namespace {

const QStringList kHeaderFields = {u"ДАТА"_s,  u"НОМЕР"_s,   u"КОММЕНТАРИЙ"_s,     u"ОРГАНИЗАЦИЯ"_s,
                                   u"АДРЕС"_s, u"ТЕЛЕФОН"_s, u"КОНТАКТНОЕ_ЛИЦО"_s, u"СКИДКА"_s};
const QStringList kLineFields = {u"КОД"_s,  u"НАИМЕНОВАНИЕ"_s, u"КОЛИЧЕСТВО"_s,
                                 u"ЦЕНА"_s, u"СУММА"_s,        u"КОММЕНТАРИЙ"_s};

// Every record is written the same way: all values Null, then the ones given, then append.
// The text a field holds, empty rather than null when the field is missing.
QByteArray TextOf(const TFieldValue& field) {
    const QByteArrayView bytes = field.AsBytes();
    return bytes.isNull() ? QByteArray("") : bytes.toByteArray();
}

TValue Number(double value, const QByteArray& fileText) {
    if (!fileText.isNull() && FileText::ToFloat(fileText) == value) return TValue::FromBytes(fileText);
    return value;
}

void AppendRecord(TImpExpWriter& file, std::initializer_list<std::pair<QStringView, TValue>> values) {
    file.ClearValues();
    for (const auto& [name, value] : values)
        file.FieldByName(name).Value = value;
    file.AppendRecord();
}

} // namespace

OrderDocument Read(const QString& fileName, const std::function<void()>& pump) {
    TImpExpFile file(fileName, false);
    file.OpenSection(u"ДАННЫЕ_ЗАКАЗА");
    file.Last();
    FileVersion::Check(file.FieldByName(u"ВЕРСИЯ").AsString(), u"файла заказа "_s + fileName);

    OrderDocument order;
    OrderHeader& h = order.Header;
    file.OpenSection(u"ЗАКАЗ");
    file.First();
    h.OrderDate = file.FieldByName(u"ДАТА").AsDate().Date();
    h.OrderNumber = file.FieldByName(u"НОМЕР").AsString();
    h.OrderComment = file.FieldByName(u"КОММЕНТАРИЙ").AsString();
    h.OrgName = file.FieldByName(u"ОРГАНИЗАЦИЯ").AsString();
    h.Adress = file.FieldByName(u"АДРЕС").AsString();
    h.Phone = file.FieldByName(u"ТЕЛЕФОН").AsString();
    h.ContactPerson = file.FieldByName(u"КОНТАКТНОЕ_ЛИЦО").AsString();
    h.DiscountPercent = file.FieldByName(u"СКИДКА").AsFloat();

    file.OpenSection(u"СОСТАВ_ЗАКАЗА");
    const TFieldValue& code = file.FieldByName(u"КОД");
    const TFieldValue& name = file.FieldByName(u"НАИМЕНОВАНИЕ");
    const TFieldValue& count = file.FieldByName(u"КОЛИЧЕСТВО");
    const TFieldValue& price = file.FieldByName(u"ЦЕНА");
    const TFieldValue& summa = file.FieldByName(u"СУММА");
    const TFieldValue& comment = file.FieldByName(u"КОММЕНТАРИЙ");
    for (file.First(); file.HasRecord(); file.Next()) {
        if (pump) pump();
        order.Lines.push_back({code.AsString(),
                               name.AsString(),
                               count.AsFloat(),
                               price.AsFloat(),
                               summa.AsFloat(),
                               comment.AsString(),
                               {TextOf(count), TextOf(price), TextOf(summa)}});
    }
    return order;
}

void Write(const QString& fileName, const OrderHeader& h, const std::vector<OrderLine>& lines) {
    TImpExpWriter file(fileName);

    file.OpenSection(u"ДАННЫЕ_ЗАКАЗА");
    file.AddFields({u"ВЕРСИЯ"_s});
    AppendRecord(file, {{u"ВЕРСИЯ", FileVersion::Current.toString()}});

    file.OpenSection(u"ЗАКАЗ");
    file.AddFields(kHeaderFields);
    AppendRecord(file, {{u"ДАТА", TDateTime::FromDate(h.OrderDate)},
                        {u"НОМЕР", h.OrderNumber},
                        {u"КОММЕНТАРИЙ", h.OrderComment},
                        {u"ОРГАНИЗАЦИЯ", h.OrgName},
                        {u"АДРЕС", h.Adress},
                        {u"ТЕЛЕФОН", h.Phone},
                        {u"КОНТАКТНОЕ_ЛИЦО", h.ContactPerson},
                        {u"СКИДКА", h.DiscountPercent}});

    file.OpenSection(u"СОСТАВ_ЗАКАЗА");
    file.AddFields(kLineFields);
    std::vector<TFieldValue*> fields;
    for (const QString& name : kLineFields)
        fields.push_back(&file.FieldByName(name));
    for (const OrderLine& line : lines) {
        file.ClearValues();
        fields[0]->Value = line.Code;
        fields[1]->Value = line.Name;
        fields[2]->Value = Number(line.Count, line.FileTexts[0]);
        fields[3]->Value = Number(line.Price, line.FileTexts[1]);
        fields[4]->Value = Number(line.Summa, line.FileTexts[2]);
        fields[5]->Value = line.Comment;
        file.AppendRecord();
    }

    file.Commit();
}

} // namespace OrderFile
