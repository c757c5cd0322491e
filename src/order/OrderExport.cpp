#include "OrderExport.h"

#include "framework/MemTable.h"
#include "framework/NumberText.h"
#include "OrderMail.h"
#include "OrderTotals.h"
#include "tablefile/TabSeparatedFile.h"
#include "text/Cp1251.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace OrderExport {

namespace {

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
           const TMemTable& lines) {
    out.AddRow({OrderMail::Title(header)});
    out.AddRow({u"Организация"_s, header.OrgName});
    out.AddRow({u"Адрес"_s, header.Adress});
    out.AddRow({u"Телефон"_s, header.Phone});
    out.AddRow({u"Контактное лицо"_s, header.ContactPerson});
    out.AddRow({u"Комментарий"_s, header.OrderComment});
    out.EndRow();

    std::vector<const TField*> fields; // nullptr: a column without a field of the table
    int sumColumn = 1;
    for (const TColumn& column : columns) {
        fields.push_back(lines.FindField(column.FieldName));
        if (SameText(column.FieldName, u"SUMMA")) sumColumn = int(fields.size());
        out.AddCell(AnsiUpperCase(column.Title));
    }
    out.EndRow();

    // Each value after a space; texts go over as the table keeps them, in Windows-1251.
    const TFloatFormat number;
    QString text;
    for (int recNo = 0; recNo < lines.RecordCount(); ++recNo) {
        const int row = lines.RowAt(recNo);
        for (const TField* field : fields) {
            out.AddCell(" ");
            if (!field) continue;
            if (!field->IsNumeric()) {
                out.AppendToCell(lines.RowBytes(row, field->Index()));
            } else if (const double value = lines.RowFloat(row, field->Index()); !std::isnan(value)) {
                text.resize(0);
                number.AppendTo(text, value);
                out.AppendToCell(text);
            }
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
