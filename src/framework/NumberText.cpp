#include "NumberText.h"

#include "text/Cp1251.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstring>
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
    // Fifteen digits and the two symbols fit the buffer with room to spare.
    m_fast = locale.zeroDigit() == QStringLiteral("0") && m_decimalPoint.size() + m_minus.size() <= 16;
}

// A number that is a decimal of at most 15 digits, of which at most kMaxDecimals after the point:
// the double nearest to such a decimal gives all its digits back and no others, exactly the digits
// of the 'g' form with 15 digits. Almost every price, quantity and weight is one.
qsizetype TFloatText::WriteDecimal(qint64 scaled, int decimals) {
    char* out = m_text;
    const auto put = [&out](const QByteArray& symbol) {
        std::memcpy(out, symbol.constData(), size_t(symbol.size()));
        out += symbol.size();
    };
    if (scaled < 0) {
        put(m_minus);
        scaled = -scaled;
    }
    qint64 unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    out = std::to_chars(out, std::end(m_text), scaled / unit).ptr;
    qint64 fraction = scaled % unit;
    if (fraction != 0) {
        put(m_decimalPoint);
        for (unit /= 10; fraction != 0; unit /= 10) {
            *out++ = char('0' + fraction / unit);
            fraction %= unit;
        }
    }
    return out - m_text;
}

QByteArrayView TFloatText::Text(double value) {
    if (std::isnan(value)) return {};
    if (value == 0) return "0"; // no "-0"
    // At most four decimals keep a number at 1e-4 or above, 15 digits keep it below 1e15: the 'g'
    // form has no exponent there.
    if (m_fast && std::abs(value) < 1e15) {
        double unit = 1;
        for (int decimals = 0; decimals <= kMaxDecimals; ++decimals, unit *= 10) {
            const double scaledValue = value * unit;
            if (std::abs(scaledValue) >= 1e15) break;
            const qint64 scaled = std::llround(scaledValue);
            if (double(scaled) / unit == value) return QByteArrayView(m_text, WriteDecimal(scaled, decimals));
        }
    }
    const QByteArray text = Cp1251::Encode(FloatToStr(value));
    const qsizetype size = std::min(text.size(), qsizetype(sizeof m_text));
    std::memcpy(m_text, text.constData(), size_t(size));
    return QByteArrayView(m_text, size);
}
