#include "NumberText.h"

#include "text/Cp1251.h"

#include <QLocale>

#include <algorithm>
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

void TFloatText::AppendTo(QByteArray& windows1251, double value) const {
    if (value == 0) {
        windows1251.append('0');
        return;
    }
    // "%.15g" has the digits of Qt's 'g' form; a number with an exponent goes the long way.
    char digits[32];
    const auto [end, error] = std::isfinite(value) ? std::to_chars(std::begin(digits), std::end(digits),
                                                                   value, std::chars_format::general, kDigits)
                                                   : std::to_chars_result{digits, std::errc::value_too_large};
    if (!m_asciiDigits || error != std::errc() || std::find(digits, end, 'e') != end) {
        Cp1251::EncodeAppend(windows1251, FloatToStr(value));
        return;
    }
    for (const char* p = digits; p != end; ++p) {
        if (*p == '-')
            windows1251.append(m_minus);
        else if (*p == '.')
            windows1251.append(m_decimalPoint);
        else
            windows1251.append(*p);
    }
}
