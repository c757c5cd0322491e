#pragma once

#include "framework/DataSource.h"
#include "framework/ProcessMessages.h"

#include <QList>
#include <QString>

#include <functional>

class TMemTable;
class TTableViewLogic;

struct TPriceInfoEntry {
    QString Parameter;
    QString ParamValue;
};

struct TDiscountEntry {
    double Summa = 0;    // order sum threshold
    double Discount = 0; // percent
};

// The price table's twelve fields (Price_flag first, then the fields of the columns), defined on a
// closed table.
void DefinePriceFields(TMemTable& table);
// The price grid's eleven columns; Price_flag has none.
QList<TGridColumn> PriceColumns();

// The price list besides its table: what the information dialog shows and the discount scale of the
// orders. One instance lives for the whole run; each load replaces the contents.
class TPriceList {
public:
    QList<TPriceInfoEntry> PriceInfo;
    QList<TDiscountEntry> DiscountScale;

    // Reads the price list file into PriceInfo, DiscountScale, the price view's table and the selection
    // table's full copy, applies the stored sort and filter strings to the price view and attaches its
    // data source again. The file is read a block at a time, never whole, while the other core makes the
    // price section's rows; the grid stays detached while the table is refilled. Failures raise
    // TException and change nothing. The file is created empty when it is missing.
    void Load(const QString& fileName, TTableViewLogic& priceView, TMemTable& selectTable,
              const QString& storedSort, const QString& storedFilter,
              const std::function<void()>& processMessages = ProcessMessages);
};
