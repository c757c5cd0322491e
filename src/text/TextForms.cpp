#include "TextForms.h"

#include "Cp1251.h"

#include <QVarLengthArray>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

const qint64 kDayZero = QDate(1899, 12, 30).toJulianDay();

// The words of a text split at ".", without empty words; false when there are more than maxWords.
bool SplitAtPoints(QByteArrayView text, QVarLengthArray<QByteArrayView, 4>& words, int maxWords) {
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool point = i == text.size() || text[i] == '.';
        if (!point) {
            if (start < 0) start = i;
            continue;
        }
        if (start >= 0) {
            if (words.size() == maxWords) return false;
            words.append(text.sliced(start, i - start));
            start = -1;
        }
    }
    return true;
}

// A signed decimal integer with optional leading spaces and nothing after it.
template <typename Int> bool ParseInt(QByteArrayView word, Int& out) {
    qsizetype i = 0;
    while (i < word.size() && word[i] == ' ')
        ++i;
    bool negative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) negative = word[i++] == '-';
    if (i == word.size()) return false;
    // Accumulate as a negative number so that the minimum value fits.
    Int value = 0;
    const Int min = std::numeric_limits<Int>::min();
    for (; i < word.size(); ++i) {
        const char c = word[i];
        if (c < '0' || c > '9') return false;
        const int digit = c - '0';
        if (value < (min + digit) / 10) return false;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == min) return false;
        value = -value;
    }
    out = value;
    return true;
}

bool StartsNegative(QByteArrayView word) {
    qsizetype i = 0;
    while (i < word.size() && word[i] == ' ')
        ++i;
    return i < word.size() && word[i] == '-';
}

void AppendPaddedTriple(QByteArray& out, const char* format, int a, int b, int c) {
    char buffer[48];
    const int n = std::snprintf(buffer, sizeof buffer, format, a, b, c);
    out.append(buffer, n);
}

void AppendIntegerAndFraction(QByteArray& out, bool negative, quint64 whole, quint64 sevenDigits) {
    char buffer[48];
    char* p = buffer;
    if (negative) *p++ = '-';
    p = std::to_chars(p, buffer + 24, whole).ptr;
    *p++ = '.';
    for (int i = 6; i >= 0; --i, sevenDigits /= 10)
        p[i] = char('0' + sevenDigits % 10);
    out.append(buffer, p + 7 - buffer);
}

} // namespace

TDateTime TDateTime::FromDate(QDate date) {
    return date.isValid() ? TDateTime{double(date.toJulianDay() - kDayZero)} : TDateTime{};
}

TDateTime TDateTime::FromDateTime(QDate date, QTime time) {
    return {FromDate(date).Value + time.msecsSinceStartOfDay() / 86400000.0};
}

QDate TDateTime::Date() const {
    const double days = std::trunc(Value);
    if (!(days > 0) || days > 3e6) return {};
    return QDate::fromJulianDay(kDayZero + qint64(days));
}

QTime TDateTime::TimeOfDay() const {
    if (!std::isfinite(Value)) return QTime(0, 0);
    const double fraction = std::fabs(Value - std::trunc(Value));
    const int ms = int(std::llround(fraction * 86400000.0)) % 86400000;
    return QTime::fromMSecsSinceStartOfDay(ms);
}

TCurrency TCurrency::FromDouble(double v) {
    return {qint64(std::llround(v * 10000.0))};
}

namespace FileText {

void AppendFloat(QByteArray& out, double v) {
    // Every integer part a signed 64-bit reader takes back; beyond it, no value.
    if (!std::isfinite(v) || std::fabs(v) >= 9223372036854775808.0) return;
    const double whole = std::trunc(v);
    const double part = v - whole; // exact
    double fraction = std::trunc(part * 10000000.0);
    // The rounded product can reach the next integer (0.3 lies just below 0.3 and must give 0.2999999,
    // as 12.7 gives 12.6999999): truncate the exact product instead.
    const double rest = std::fma(part, 10000000.0, -fraction);
    if (v > 0 && rest < 0) fraction -= 1;
    if (v < 0 && rest > 0) fraction += 1;
    // A leading minus for every negative value, so that -0.5 keeps its sign and reads back.
    const bool negative = v < 0 && (whole != 0 || fraction != 0);
    AppendIntegerAndFraction(out, negative, quint64(std::fabs(whole)), quint64(std::fabs(fraction)));
}

void AppendCurrency(QByteArray& out, TCurrency v) {
    const quint64 magnitude = v.Scaled < 0 ? quint64(0) - quint64(v.Scaled) : quint64(v.Scaled);
    AppendIntegerAndFraction(out, v.Scaled < 0, magnitude / 10000, (magnitude % 10000) * 1000);
}

void AppendDate(QByteArray& out, TDateTime v) {
    const QDate date = v.Date();
    if (date.isValid()) return AppendPaddedTriple(out, "%2d.%2d.%d", date.day(), date.month(), date.year());
    const QTime time = v.TimeOfDay();
    AppendPaddedTriple(out, "%2d:%2d:%2d", time.hour(), time.minute(), time.second());
}

void AppendBool(QByteArray& out, bool v) {
    out.append(Cp1251::Encode(v ? u"ДА" : u"НЕТ"));
}

double ToFloat(QByteArrayView text) {
    QVarLengthArray<QByteArrayView, 4> words;
    if (!SplitAtPoints(text, words, 2) || words.isEmpty()) return 0;
    qint64 whole = 0;
    if (!ParseInt(words[0], whole)) return 0;
    if (words.size() == 1) return double(whole);
    qint64 fraction = 0;
    if (!ParseInt(words[1], fraction)) return 0;
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const qsizetype digits = words[1].size();
    const double part = double(fraction) / (digits < 23 ? kPowers[digits] : std::pow(10.0, double(digits)));
    // "-1.5000000" is minus one and a half: the sign covers the fraction too.
    return StartsNegative(words[0]) ? double(whole) - part : double(whole) + part;
}

TDateTime ToDate(QByteArrayView text) {
    QVarLengthArray<QByteArrayView, 4> words;
    if (!SplitAtPoints(text, words, 3) || words.size() != 3) return {};
    qint32 day = 0, month = 0, year = 0;
    if (!ParseInt(words[0], day) || !ParseInt(words[1], month) || !ParseInt(words[2], year)) return {};
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day)) return {};
    return TDateTime::FromDate(QDate(year, month, day));
}

} // namespace FileText
