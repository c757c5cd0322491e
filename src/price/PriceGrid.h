#pragma once

#include "framework/DBGrid.h"

#include <QByteArrayView>
#include <QColor>
#include <QImage>
#include <QPixmap>

#include <array>

// Paints the cells of the price grid: the unselected cells of articles in stock ("+" in Presence)
// lime, and the price's change mark as an icon at the left end of the price cell, the price text
// right of it.
class TPriceGridPainter {
public:
    static constexpr QColor Lime{0, 255, 0};
    static constexpr QRgb Transparent = qRgb(255, 0, 255); // the background of the icon strip
    static constexpr int IconSize = 16;

    explicit TPriceGridPainter(const TDBGrid& grid);

    void DrawColumnCell(QPainter& canvas, const QRect& rect, int column, int recNo, TGridDrawState state,
                        bool highlightPresence) const;

    // The strip of the three change icons, 16 by 16 each, on magenta: a blue plus (new article), a
    // green arrow down (price lowered), a red arrow up (price raised).
    static QImage PicClip();
    // The strip's cell for a Price_flag: "N" 0, "D" 1, "U" 2, -1 for anything else.
    static int ChangeIconIndex(QByteArrayView priceFlag);

private:
    const TDBGrid& m_grid;
    std::array<QPixmap, 3> m_icons; // the strip's cells, magenta made transparent
};
