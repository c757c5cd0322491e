#pragma once

#include <QString>
#include <QStringView>

// Numbers as the user sees and types them: the default locale's decimal separator, no group separator,
// up to fifteen significant digits.
QString FloatToStr(double value);
// False when the text is no number. A trailing decimal separator is accepted ("12," is 12), as it
// appears while a number is being typed.
bool StrToFloat(QStringView text, double& value);
