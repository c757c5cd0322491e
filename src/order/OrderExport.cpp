#include "OrderExport.h"

#include "framework/MemTable.h"
#include "framework/TabTextWriter.h"
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

void Write(TTabTextWriter& out, const OrderHeader& header, double total, const QList<TColumn>& columns,
           const TMemTable& lines) {
    AddRow(out, {OrderMail::Title(header)});
    AddRow(out, {u"Организация"_s, header.OrgName});
    AddRow(out, {u"Адрес"_s, header.Adress});
    AddRow(out, {u"Телефон"_s, header.Phone});
    AddRow(out, {u"Контактное лицо"_s, header.ContactPerson});
    AddRow(out, {u"Комментарий"_s, header.OrderComment});
    out.EndLine();

    std::vector<const TField*> fields; // nullptr: a column without a field of the table
    int sumColumn = 1;
    for (const TColumn& column : columns) {
        fields.push_back(lines.FindField(column.FieldName));
        if (SameText(column.FieldName, u"SUMMA")) sumColumn = int(fields.size());
        out.AddCell(AnsiUpperCase(column.Title));
    }
    out.EndLine();

    // Each value after a space; texts go over as the table keeps them, in Windows-1251.
    for (int recNo = 0; recNo < lines.RecordCount(); ++recNo) {
        const int row = lines.RowAt(recNo);
        for (const TField* field : fields) {
            out.NextCell();
            out.AppendChar(' ');
            if (!field) continue;
            if (field->IsNumeric())
                out.AppendNumber(lines.RowFloat(row, field->Index()));
            else
                out.AppendBytes(lines.RowBytes(row, field->Index()));
        }
        out.EndLine();
    }
    out.EndLine();

    const double discount = total * header.DiscountPercent / 100;
    AddTotal(out, sumColumn, u"ИТОГО"_s, total);
    AddTotal(out, sumColumn, u"СКИДКА("_s + OrderTotals::Fixed(header.DiscountPercent, 2) + u"%)"_s,
             discount);
    AddTotal(out, sumColumn, u"ИТОГО СО СКИДКОЙ"_s, total - discount);
}

} // namespace OrderExport
