#include "NumberText.h"

#include <QLocale>

namespace {

QLocale UserLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace

QString FloatToStr(double value) {
    if (value == 0) value = 0; // no "-0"
    return UserLocale().toString(value, 'g', 15);
}

bool StrToFloat(QStringView text, double& value) {
    const QLocale locale = UserLocale();
    bool ok = false;
    value = locale.toDouble(text, &ok);
    if (!ok && text.trimmed().endsWith(locale.decimalPoint()))
        value = locale.toDouble(text.trimmed().chopped(1), &ok);
    return ok;
}
