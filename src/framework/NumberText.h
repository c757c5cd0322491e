#pragma once

#include <QString>
#include <QStringView>

// Numbers as the user sees and types them: the default locale's decimal separator, no group separator,
// up to fifteen significant digits.
QString FloatToStr(double value);
// False when the text is no number. A trailing decimal separator is accepted ("12," is 12), as it
// appears while a number is being typed.
bool StrToFloat(QStringView text, double& value);

// FloatToStr for many numbers in a row (an export): the locale is looked up once.
class TFloatFormat {
public:
    TFloatFormat();
    QString operator()(double value) const;
    // Appends without a string of its own: cheap in a loop that reuses one text.
    void AppendTo(QString& text, double value) const;

private:
    QString m_decimalPoint;
    QString m_minus;
    bool m_asciiDigits;
};
