#pragma once

#include "framework/DataSource.h"

#include <QByteArray>
#include <QList>
#include <QString>

class TMemTable;

// The price list as a spreadsheet program reads it (tab-separated, Windows-1251): a line of the
// column titles in upper case, then one line per record that the table shows, in its order, each
// cell a blank followed by the grid's text of the column's field. Price_flag has no column and is
// not written. The table's current record does not move.
QByteArray PriceExportText(const TMemTable& table, const QList<TGridColumn>& columns);
// The same, replacing the file as a whole; TException when it cannot be written.
void ExportPriceList(const TMemTable& table, const QList<TGridColumn>& columns, const QString& fileName);
