#include "OrderTotals.h"

#include "price/PriceList.h"

#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace OrderTotals {

double DiscountPercentFor(double total, const QList<TDiscountEntry>& scale) {
    double percent = 0;
    for (const TDiscountEntry& entry : scale)
        if (entry.Summa <= total) percent = std::max(percent, entry.Discount);
    return percent;
}

QString Fixed(double value, int decimals, int width) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    if (value == 0) value = 0; // no "-0,00"
    return locale.toString(value, 'f', decimals).rightJustified(width, u' ');
}

TStatusTexts StatusTexts(int lineCount, bool modified, double total, double discountPercent) {
    const double discount = total * discountPercent / 100;
    return {u"Всего записей: "_s + Fixed(lineCount, 0), modified ? u"Изменен"_s : QString(),
            u"Итого со скидкой "_s + Fixed(total - discount, 2, 8),
            u"Скидка("_s + Fixed(discountPercent, 2) + u"%) "_s + Fixed(discount, 2, 8)};
}

} // namespace OrderTotals
