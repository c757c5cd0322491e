#include "NumberText.h"

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

constexpr qint64 kFifteenDigits = 100000000000000LL; // 10^14, the smallest number of fifteen digits

// 10^0 to 10^18, all exact in a double.
constexpr double kScale[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                             1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

// Where the decimal exponents -4 to 14 begin (the negative ones only nearly).
constexpr double kExponentStart[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4, 1e5,
                                     1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14};

// Amounts: a whole number of hundredths below 10^13 has at most fifteen digits, so its general form is
// its exact decimal one, with no rounding to decide.
bool Hundredths(double value, qint64& digits, int& decimals) {
    if (!(std::abs(value) < 1e13)) return false;
    const double scaled = std::abs(value) * 100;
    digits = qint64(scaled + 0.5);
    decimals = 2;
    return double(digits) / 100 == std::abs(value);
}

// a * b as the rounded product and its exact error (Dekker), so that nothing is lost.
void TwoProduct(double a, double b, double& product, double& error) {
    const auto split = [](double x, double& high, double& low) {
        const double c = 134217729.0 * x; // 2^27 + 1
        high = c - (c - x);
        low = x - high;
    };
    double aHigh, aLow, bHigh, bLow;
    split(a, aHigh, aLow);
    split(b, bHigh, bLow);
    product = a * b;
    error = ((aHigh * bHigh - product) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
}

// The fifteen significant digits of a number that the general form writes without an exponent
// (1e-4 <= |value| < 1e15), and how many of them follow the decimal point. False where that form needs
// the exact algorithm: an exponent, or a value within a hair of halfway between two 15-digit numbers.
bool FifteenDigits(double value, qint64& digits, int& decimals) {
    const double magnitude = std::abs(value);
    if (!(magnitude >= kExponentStart[0] && magnitude < 1e15)) return false;
    const int exponent =
        int(std::upper_bound(std::begin(kExponentStart), std::end(kExponentStart), magnitude) -
            std::begin(kExponentStart)) -
        5;
    // A misjudged exponent shows in the digit count and is put right once.
    for (decimals = 14 - exponent;; ++decimals) {
        double scaled, error;
        TwoProduct(magnitude, kScale[decimals], scaled, error);
        double whole = std::floor(scaled);
        double fraction = (scaled - whole) + error; // below 2^53 the first difference is exact
        if (fraction < 0) {
            whole -= 1;
            fraction += 1;
        } else if (fraction >= 1) {
            whole += 1;
            fraction -= 1;
        }
        if (std::abs(fraction - 0.5) < 1e-9) return false;
        digits = qint64(whole) + (fraction > 0.5 ? 1 : 0);
        if (digits >= kFifteenDigits || decimals >= 18) break;
    }
    // Rounded up to sixteen digits the exponent grew, and with it perhaps the form.
    return digits >= kFifteenDigits && digits < 10 * kFifteenDigits;
}

} // namespace

QString FloatToStr(double value) {
    return TFloatFormat()(value);
}

bool StrToFloat(QStringView text, double& value) {
    const QLocale locale = UserLocale();
    bool ok = false;
    value = locale.toDouble(text, &ok);
    if (!ok && text.trimmed().endsWith(locale.decimalPoint()))
        value = locale.toDouble(text.trimmed().chopped(1), &ok);
    return ok;
}

TFloatFormat::TFloatFormat() {
    const QLocale locale;
    m_decimalPoint = locale.decimalPoint();
    m_minus = locale.negativeSign();
    m_asciiDigits = locale.zeroDigit() == u"0";
}

QString TFloatFormat::operator()(double value) const {
    QString text;
    AppendTo(text, value);
    return text;
}

void TFloatFormat::AppendTo(QString& text, double value) const {
    if (value == 0 && m_asciiDigits) {
        text += u'0'; // no "-0"
        return;
    }
    qint64 digits = 0;
    int decimals = 0;
    if (!m_asciiDigits || (!Hundredths(value, digits, decimals) && !FifteenDigits(value, digits, decimals))) {
        text += UserLocale().toString(value == 0 ? 0 : value, 'g', 15);
        return;
    }
    char ascii[20];
    const int length = int(std::to_chars(ascii, ascii + sizeof ascii, digits).ptr - ascii);
    const int point = length - decimals; // below 1 the digits start after zeros behind the point
    int end = length;
    while (end > std::max(point, 0) && ascii[end - 1] == '0')
        --end;

    char16_t out[64]; // sign, "0", point and digits; a locale's sign and point are a few characters
    int n = 0;
    const auto put = [&](QStringView part) {
        for (QChar c : part.first(std::min<qsizetype>(part.size(), 8)))
            out[n++] = c.unicode();
    };
    if (value < 0) put(m_minus);
    if (point <= 0) out[n++] = u'0';
    for (int i = 0; i < point; ++i)
        out[n++] = char16_t(ascii[i]);
    if (end > point) {
        put(m_decimalPoint);
        for (int i = point; i < end; ++i)
            out[n++] = i < 0 ? u'0' : char16_t(ascii[i]);
    }
    text.append(reinterpret_cast<const QChar*>(out), n);
}
