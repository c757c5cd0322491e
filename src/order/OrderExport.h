#pragma once

#include "OrderFile.h"

#include <QList>
#include <QString>

#include <vector>

class TTabSeparatedFile;

// The order as a tab-separated table for the customer's spreadsheet: the header, the lines in the
// columns of the order grid, and the totals under the sum column.
namespace OrderExport {

struct TColumn {
    QString FieldName; // "Code", "Name", "Count", "Price", "Summa" or "Comment", any letter case
    QString Title;
};

// total and header.DiscountPercent are the order's figures as last computed.
void Write(TTabSeparatedFile& out, const OrderHeader& header, double total, const QList<TColumn>& columns,
           const std::vector<OrderLine>& lines);

} // namespace OrderExport
