#include "PriceExport.h"

#include "framework/MemTable.h"
#include "framework/TabTextWriter.h"
#include "text/Cp1251.h"

#include <vector>

namespace {

// A record line is about this long; reserving it spares the copies of a growing buffer.
constexpr qsizetype kBytesPerRecord = 160;

TTabTextWriter PriceExportWriter(const TMemTable& table, const QList<TGridColumn>& columns) {
    TTabTextWriter writer;
    writer.Reserve(qsizetype(table.RecordCount() + 1) * kBytesPerRecord);
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
            writer.AppendBytes(" ");
            if (!field)
                continue;
            else if (field->IsNumeric())
                writer.AppendNumber(table.RowFloat(row, field->Index()));
            else
                writer.AppendBytes(table.RowBytes(row, field->Index()));
        }
        writer.EndLine();
    }
    return writer;
}

} // namespace

QByteArray PriceExportText(const TMemTable& table, const QList<TGridColumn>& columns) {
    return PriceExportWriter(table, columns).Bytes();
}

void ExportPriceList(const TMemTable& table, const QList<TGridColumn>& columns, const QString& fileName) {
    PriceExportWriter(table, columns).SaveToFile(fileName);
}
