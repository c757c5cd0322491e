#include "TableText.h"

#include "MemTable.h"
#include "TabTextWriter.h"
#include "text/Cp1251.h"

#include <vector>

void WriteTableText(TTabTextWriter& out, const TMemTable& table, const QList<TGridColumn>& columns) {
    std::vector<const TField*> fields;
    for (const TGridColumn& column : columns) {
        out.AddCell(AnsiUpperCase(column.Title));
        fields.push_back(table.FindField(column.FieldName));
    }
    out.EndLine();

    for (int recNo = 0; recNo < table.RecordCount(); ++recNo) {
        const int row = table.RowAt(recNo);
        for (const TField* field : fields) {
            out.NextCell();
            out.AppendChar(' ');
            if (!field) continue;
            if (field->IsNumeric())
                out.AppendNumber(table.RowFloat(row, field->Index()));
            else
                out.AppendBytes(table.RowBytes(row, field->Index()));
        }
        out.EndLine();
    }
}
