#include "PriceExport.h"

#include "framework/MemTable.h"
#include "framework/TabTextWriter.h"
#include "text/Cp1251.h"

#include <vector>

namespace {

void WritePriceList(TTabTextWriter& writer, const TMemTable& table, const QList<TGridColumn>& columns) {
    std::vector<const TField*> fields;
    for (const TGridColumn& column : columns) {
        writer.AddCell(AnsiUpperCase(column.Title));
        fields.push_back(table.FindField(column.FieldName));
    }
    writer.EndLine();

    for (int recNo = 0; recNo < table.RecordCount(); ++recNo) {
        const int row = table.RowAt(recNo);
        for (const TField* field : fields) {
            writer.NextCell();
            writer.AppendChar(' ');
            if (!field)
                continue;
            else if (field->IsNumeric())
                writer.AppendNumber(table.RowFloat(row, field->Index()));
            else
                writer.AppendBytes(table.RowBytes(row, field->Index()));
        }
        writer.EndLine();
    }
}

} // namespace

QByteArray PriceExportText(const TMemTable& table, const QList<TGridColumn>& columns) {
    return TabText([&](TTabTextWriter& writer) { WritePriceList(writer, table, columns); });
}

void ExportPriceList(const TMemTable& table, const QList<TGridColumn>& columns, const QString& fileName) {
    SaveTabText(fileName, [&](TTabTextWriter& writer) { WritePriceList(writer, table, columns); });
}
