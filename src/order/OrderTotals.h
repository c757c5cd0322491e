#pragma once

#include <QList>
#include <QString>

struct TDiscountEntry;

// The order's discount and the texts of its status bar, without widgets.
namespace OrderTotals {

// The largest percentage among the thresholds the total reaches (a threshold equal to the total
// counts); 0 when none is reached. The order of the entries does not matter.
double DiscountPercentFor(double total, const QList<TDiscountEntry>& scale);

// The four panels: line count, "Изменен", total with discount, discount.
struct TStatusTexts {
    QString Count, Modified, TotalWithDiscount, Discount;
};
TStatusTexts StatusTexts(int lineCount, bool modified, double total, double discountPercent);

// A fixed-point number with the user's decimal separator, right-aligned to width with spaces.
QString Fixed(double value, int decimals, int width = 0);

} // namespace OrderTotals
