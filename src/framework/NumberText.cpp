#include "NumberText.h"

#include "text/Cp1251.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <iterator>

namespace {

QLocale UserLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

constexpr int kDigits = 15;
constexpr int kMaxDecimals = 4;

} // namespace

QString FloatToStr(double value) {
    if (value == 0) value = 0; // no "-0"
    return UserLocale().toString(value, 'g', kDigits);
}

bool StrToFloat(QStringView text, double& value) {
    const QLocale locale = UserLocale();
    bool ok = false;
    value = locale.toDouble(text, &ok);
    if (!ok && text.trimmed().endsWith(locale.decimalPoint()))
        value = locale.toDouble(text.trimmed().chopped(1), &ok);
    return ok;
}

QString FixedToStr(double value, int decimals) {
    return UserLocale().toString(value, 'f', decimals);
}

TFloatText::TFloatText() {
    const QLocale locale = UserLocale();
    m_decimalPoint = Cp1251::Encode(locale.decimalPoint());
    m_minus = Cp1251::Encode(locale.negativeSign());
    m_asciiDigits = locale.zeroDigit() == QStringLiteral("0");
}

// A number that is a decimal of at most 15 digits, of which at most kMaxDecimals after the point:
// the double nearest to such a decimal gives all its digits back and no others, exactly the digits
// of the 'g' form with 15 digits. Almost every price, quantity and weight is one.
void TFloatText::AppendDecimal(QByteArray& windows1251, qint64 scaled, int decimals) const {
    if (scaled < 0) {
        windows1251.append(m_minus);
        scaled = -scaled;
    }
    qint64 unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), scaled / unit).ptr;
    windows1251.append(digits, end - digits);
    qint64 fraction = scaled % unit;
    if (fraction == 0) return;
    windows1251.append(m_decimalPoint);
    for (unit /= 10; fraction != 0; unit /= 10) {
        windows1251.append(char('0' + fraction / unit));
        fraction %= unit;
    }
}

void TFloatText::AppendTo(QByteArray& windows1251, double value) const {
    if (value == 0) {
        windows1251.append('0');
        return;
    }
    // At most four decimals keep a number at 1e-4 or above, 15 digits keep it below 1e15: the 'g'
    // form has no exponent there.
    if (m_asciiDigits && std::abs(value) < 1e15) {
        double unit = 1;
        for (int decimals = 0; decimals <= kMaxDecimals; ++decimals, unit *= 10) {
            const double scaledValue = value * unit;
            if (std::abs(scaledValue) >= 1e15) break;
            const qint64 scaled = std::llround(scaledValue);
            if (double(scaled) / unit == value) {
                AppendDecimal(windows1251, scaled, decimals);
                return;
            }
        }
    }
    Cp1251::EncodeAppend(windows1251, FloatToStr(value));
}
