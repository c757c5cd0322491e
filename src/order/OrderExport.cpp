#include "OrderExport.h"

#include "framework/TabTextWriter.h"
#include "framework/TableText.h"
#include "OrderMail.h"
#include "OrderTotals.h"
#include "text/Cp1251.h"

using namespace Qt::StringLiterals;

namespace OrderExport {

namespace {

// The labels stand in the column before the sum column and the figures under it; with the sum column
// first or second the label opens the line.
void AddRow(TTabTextWriter& out, const QStringList& cells) {
    for (const QString& cell : cells)
        out.AddCell(cell);
    out.EndLine();
}

void AddTotal(TTabTextWriter& out, int sumColumn, const QString& label, double value) {
    for (int i = 0; i < sumColumn - 2; ++i)
        out.AddCell(QStringView());
    out.AddCell(label);
    out.AddCell(OrderTotals::Fixed(value, 2));
    out.EndLine();
}

} // namespace

void Write(TTabTextWriter& out, const OrderHeader& header, double total, const QList<TGridColumn>& columns,
           const TMemTable& lines) {
    AddRow(out, {OrderMail::Title(header)});
    AddRow(out, {u"Организация"_s, header.OrgName});
    AddRow(out, {u"Адрес"_s, header.Adress});
    AddRow(out, {u"Телефон"_s, header.Phone});
    AddRow(out, {u"Контактное лицо"_s, header.ContactPerson});
    AddRow(out, {u"Комментарий"_s, header.OrderComment});
    out.EndLine();

    int sumColumn = 1;
    for (int i = 0; i < columns.size(); ++i)
        if (SameText(columns[i].FieldName, u"SUMMA")) sumColumn = i + 1;
    WriteTableText(out, lines, columns);
    out.EndLine();

    const double discount = total * header.DiscountPercent / 100;
    AddTotal(out, sumColumn, u"ИТОГО"_s, total);
    AddTotal(out, sumColumn, u"СКИДКА("_s + OrderTotals::Fixed(header.DiscountPercent, 2) + u"%)"_s,
             discount);
    AddTotal(out, sumColumn, u"ИТОГО СО СКИДКОЙ"_s, total - discount);
}

} // namespace OrderExport
