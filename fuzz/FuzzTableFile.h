#pragma once

#include "tablefile/ImpExp.h"
#include "text/Cp1251.h"

// What a value becomes in a table file: one that spells a marker line must not become one, so its TABs
// turn into spaces.
inline QByteArray Harmless(const QByteArray& value) {
    using Kind = TImpExpFile::LineKind;
    for (int k = int(Kind::Section); k <= int(Kind::DetailRecord); ++k)
        if (value == TImpExpFile::MarkerText(Kind(k))) return QByteArray(value).replace('\t', ' ');
    return value;
}

inline QString Harmless(const QString& value) {
    return Cp1251::Decode(Harmless(Cp1251::Encode(value)));
}
