#pragma once

#include <QString>

#include <array>

// The named values the program keeps between runs; each enumerator's name is its key in "system.ini".
enum class TStoredValue {
    Price_Data_Filter,
    Price_Data_Sort,
    FOrgName,
    FAdress,
    FPhone,
    FContactPerson,
    FURL,
    FProxi,
    FProxiPort,
    FLightPresense,
};

// In the order they are written.
inline constexpr std::array kStoredValues{
    TStoredValue::Price_Data_Filter, TStoredValue::Price_Data_Sort, TStoredValue::FOrgName,
    TStoredValue::FAdress,           TStoredValue::FPhone,          TStoredValue::FContactPerson,
    TStoredValue::FURL,              TStoredValue::FProxi,          TStoredValue::FProxiPort,
    TStoredValue::FLightPresense,
};

inline QString StoredValueName(TStoredValue value) {
    switch (value) {
    case TStoredValue::Price_Data_Filter: return QStringLiteral("Price_Data_Filter");
    case TStoredValue::Price_Data_Sort: return QStringLiteral("Price_Data_Sort");
    case TStoredValue::FOrgName: return QStringLiteral("FOrgName");
    case TStoredValue::FAdress: return QStringLiteral("FAdress");
    case TStoredValue::FPhone: return QStringLiteral("FPhone");
    case TStoredValue::FContactPerson: return QStringLiteral("FContactPerson");
    case TStoredValue::FURL: return QStringLiteral("FURL");
    case TStoredValue::FProxi: return QStringLiteral("FProxi");
    case TStoredValue::FProxiPort: return QStringLiteral("FProxiPort");
    case TStoredValue::FLightPresense: return QStringLiteral("FLightPresense");
    }
    return {};
}
