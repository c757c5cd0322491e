#pragma once

#include "framework/DataSource.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

class TMemTable;
class TTableViewLogic;

// One row of the price filter dialog: a column of the price grid and the pattern for its field.
struct TFilterField {
    QString Caption;
    QString FieldName;
    QString Pattern; // empty: no condition
};

// The change-mark choice of the dialog, in the order of its items.
enum class TFlagChoice { All, New, Lowered, Raised };

// One row per column, in the columns' order, without patterns.
std::vector<TFilterField> FilterFieldsOf(const QList<TGridColumn>& columns);

// Fills the rows' patterns from a filter text and returns its change-mark choice. A condition on a
// field without a row is not shown; the last condition on a field wins.
TFlagChoice ReadFilterText(QStringView filterText, std::vector<TFilterField>& fields);

// The conditions of the rows that have a pattern, in their order, then the change-mark condition.
// A pattern ends at its first "|": what follows could only be taken for further conditions.
QString BuildFilterText(const std::vector<TFilterField>& fields, TFlagChoice choice);

// Readies the selection view for picking a value of the field: sorted by it descending, unfiltered,
// on the first record whose value begins with the pattern ignoring case. When none does, or the
// pattern cannot be compared with the field (a number field), the view stays on its first record.
void PreparePick(TTableViewLogic& selectView, const QString& fieldName, const QString& pattern);

// The field's value in the table's current record as the grid shows it; none without such a field or
// without a current record.
std::optional<QString> PickedValue(const TMemTable& table, const QString& fieldName);
