#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Numbers as the user sees and types them: the default locale's decimal separator, no group separator,
// up to fifteen significant digits.
QString FloatToStr(double value);
// False when the text is no number. A trailing decimal separator is accepted ("12," is 12), as it
// appears while a number is being typed.
bool StrToFloat(QStringView text, double& value);
// Fixed notation with this many decimals, the default locale's decimal separator, no group separator.
QString FixedToStr(double value, int decimals = 2);

// FloatToStr's text as Windows-1251 bytes, for many numbers: the locale's symbols are looked up once,
// when the object is made, and the common numbers skip QLocale and QString and allocate nothing.
class TFloatText {
public:
    TFloatText();
    // Valid until the next call; empty for NaN (no value).
    QByteArrayView Text(double value);

private:
    qsizetype WriteDecimal(qint64 scaled, int decimals);

    QByteArray m_decimalPoint;
    QByteArray m_minus;
    bool m_fast;
    char m_text[64];
};
