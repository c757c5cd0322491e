#pragma once

#include "framework/DataSource.h"
#include "OrderFile.h"

#include <QList>
#include <QString>

class TMemTable;
class TTabTextWriter;

// The order as a tab-separated table for the customer's spreadsheet: the header, the lines in the
// columns of the order grid, and the totals under the sum column.
namespace OrderExport {

// The lines are the table's visible records in their order. total and header.DiscountPercent are the
// order's figures as last computed.
void Write(TTabTextWriter& out, const OrderHeader& header, double total, const QList<TGridColumn>& columns,
           const TMemTable& lines);

} // namespace OrderExport
