#include "Cp1251Validator.h"

#include "text/Cp1251.h"

QValidator::State TCp1251Validator::validate(QString& input, int&) const {
    return Cp1251::CanEncode(input) ? Acceptable : Invalid;
}
