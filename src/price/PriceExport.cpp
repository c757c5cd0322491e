#include "PriceExport.h"

#include "framework/TabTextWriter.h"
#include "framework/TableText.h"

QByteArray PriceExportText(const TMemTable& table, const QList<TGridColumn>& columns) {
    return TabText([&](TTabTextWriter& writer) { WriteTableText(writer, table, columns); });
}

void ExportPriceList(const TMemTable& table, const QList<TGridColumn>& columns, const QString& fileName) {
    SaveTabText(fileName, [&](TTabTextWriter& writer) { WriteTableText(writer, table, columns); });
}
