#include "OrderExport.h"

#include "framework/NumberText.h"
#include "OrderMail.h"
#include "OrderTotals.h"
#include "tablefile/TabSeparatedFile.h"
#include "text/Cp1251.h"

using namespace Qt::StringLiterals;

namespace OrderExport {

namespace {

enum class LineField { None, Code, Name, Count, Price, Summa, Comment };

LineField FieldOf(const QString& name) {
    for (const auto& [field, fieldName] : {std::pair{LineField::Code, u"Code"},
                                           {LineField::Name, u"Name"},
                                           {LineField::Count, u"Count"},
                                           {LineField::Price, u"Price"},
                                           {LineField::Summa, u"Summa"},
                                           {LineField::Comment, u"Comment"}})
        if (SameText(name, QStringView(fieldName))) return field;
    return LineField::None;
}

QString Value(const OrderLine& line, LineField field) {
    switch (field) {
    case LineField::Code:
        return line.Code;
    case LineField::Name:
        return line.Name;
    case LineField::Count:
        return FloatToStr(line.Count);
    case LineField::Price:
        return FloatToStr(line.Price);
    case LineField::Summa:
        return FloatToStr(line.Summa);
    case LineField::Comment:
        return line.Comment;
    case LineField::None:
        break;
    }
    return {};
}

// The labels stand in the column before the sum column and the figures under it; with the sum column
// first or second the label opens the line.
void AddTotal(TTabSeparatedFile& out, int sumColumn, const QString& label, double value) {
    for (int i = 0; i < sumColumn - 2; ++i)
        out.AddCell(QStringView());
    out.AddCell(label);
    out.AddCell(OrderTotals::Fixed(value, 2));
    out.EndRow();
}

} // namespace

void Write(TTabSeparatedFile& out, const OrderHeader& header, double total, const QList<TColumn>& columns,
           const std::vector<OrderLine>& lines) {
    out.AddRow({OrderMail::Title(header)});
    out.AddRow({u"Организация"_s, header.OrgName});
    out.AddRow({u"Адрес"_s, header.Adress});
    out.AddRow({u"Телефон"_s, header.Phone});
    out.AddRow({u"Контактное лицо"_s, header.ContactPerson});
    out.AddRow({u"Комментарий"_s, header.OrderComment});
    out.EndRow();

    std::vector<LineField> fields;
    int sumColumn = 1;
    for (const TColumn& column : columns) {
        fields.push_back(FieldOf(column.FieldName));
        if (SameText(column.FieldName, u"SUMMA")) sumColumn = int(fields.size());
        out.AddCell(AnsiUpperCase(column.Title));
    }
    out.EndRow();

    QString cell;
    for (const OrderLine& line : lines) {
        for (const LineField field : fields) {
            cell = u' ';
            cell += Value(line, field);
            out.AddCell(cell);
        }
        out.EndRow();
    }
    out.EndRow();

    const double discount = total * header.DiscountPercent / 100;
    AddTotal(out, sumColumn, u"ИТОГО"_s, total);
    AddTotal(out, sumColumn, u"СКИДКА("_s + OrderTotals::Fixed(header.DiscountPercent, 2) + u"%)"_s,
             discount);
    AddTotal(out, sumColumn, u"ИТОГО СО СКИДКОЙ"_s, total - discount);
}

} // namespace OrderExport
