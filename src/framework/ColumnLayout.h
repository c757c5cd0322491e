#pragma once

#include <QString>

// Where a grid column stands (from 0) and how wide it is in pixels, kept by the field it shows.
struct TColumnLayout {
    QString FieldName;
    int Index = 0;
    int Width = 0;
    friend bool operator==(const TColumnLayout&, const TColumnLayout&) = default;
};
