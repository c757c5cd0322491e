#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QTime>

// A moment as the data files count it: days since 30 December 1899, the time of day as the fraction.
struct TDateTime {
    double Value = 0;
    static TDateTime FromDate(QDate date);
    static TDateTime FromDateTime(QDate date, QTime time);
    QDate Date() const; // invalid when the whole-day part is 0 or below
    QTime TimeOfDay() const;
    friend bool operator==(TDateTime, TDateTime) = default;
};

// A currency amount: a number with four fixed decimals.
struct TCurrency {
    qint64 Scaled = 0; // value * 10000
    static TCurrency FromDouble(double v);
    double ToDouble() const { return double(Scaled) / 10000.0; }
    friend bool operator==(TCurrency, TCurrency) = default;
};

// Locale-independent text forms of the table text files.
namespace FileText {

// Integer part, a point and the fraction truncated to exactly seven digits: 12.7 -> "12.6999999".
void AppendFloat(QByteArray& out, double v);
void AppendCurrency(QByteArray& out, TCurrency v);
// "%2d.%2d.%d" when the whole-day part is above 0, otherwise the time of day "%2d:%2d:%2d".
void AppendDate(QByteArray& out, TDateTime v);
void AppendBool(QByteArray& out, bool v); // "ДА" / "НЕТ" in Windows-1251

template <typename T, void (*Append)(QByteArray&, T)> QByteArray Format(T v) {
    QByteArray out;
    Append(out, v);
    return out;
}
inline QByteArray FromFloat(double v) {
    return Format<double, AppendFloat>(v);
}
inline QByteArray FromCurrency(TCurrency v) {
    return Format<TCurrency, AppendCurrency>(v);
}
inline QByteArray FromDate(TDateTime v) {
    return Format<TDateTime, AppendDate>(v);
}
inline QByteArray FromBool(bool v) {
    return Format<bool, AppendBool>(v);
}

// Never fail: anything unreadable gives 0.
double ToFloat(QByteArrayView text);
TDateTime ToDate(QByteArrayView text);

} // namespace FileText
