#include "PriceGrid.h"

#include "framework/MemTable.h"
#include "text/Cp1251.h"

#include <QPainter>
#include <QPolygon>

using namespace Qt::StringLiterals;

namespace {

// The price text keeps clear of the icon; the icon's right edge may touch it.
constexpr int kPriceIndent = TPriceGridPainter::IconSize - 2;

void DrawPlus(QPainter& p, int left, QColor colour) {
    p.fillRect(left + 3, 6, 10, 4, colour);
    p.fillRect(left + 6, 3, 4, 10, colour);
}

// An arrow over the cell's height: a shaft and a head, pointing down or up.
void DrawArrow(QPainter& p, int left, QColor colour, bool down) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    if (down) {
        p.fillRect(left + 6, 1, 4, 8, colour);
        p.drawPolygon(QPolygon(
            {QPoint(left + 2, 8), QPoint(left + 13, 8), QPoint(left + 8, 14), QPoint(left + 7, 14)}));
    } else {
        p.fillRect(left + 6, 7, 4, 8, colour);
        p.drawPolygon(
            QPolygon({QPoint(left + 2, 7), QPoint(left + 13, 7), QPoint(left + 8, 1), QPoint(left + 7, 1)}));
    }
}

} // namespace

TPriceGridPainter::TPriceGridPainter(const TDBGrid& grid) : m_grid(grid) {
    const QImage strip = PicClip().convertToFormat(QImage::Format_ARGB32);
    for (int cell = 0; cell < int(m_icons.size()); ++cell) {
        QImage icon = strip.copy(cell * IconSize, 0, IconSize, IconSize);
        for (int y = 0; y < icon.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
            for (int x = 0; x < icon.width(); ++x)
                if ((line[x] & RGB_MASK) == (Transparent & RGB_MASK)) line[x] = 0;
        }
        m_icons[size_t(cell)] = QPixmap::fromImage(icon);
    }
}

QImage TPriceGridPainter::PicClip() {
    QImage strip(3 * IconSize, IconSize, QImage::Format_RGB32);
    strip.fill(Transparent);
    // Hard edges: a blended edge pixel would be neither the icon's colour nor transparent.
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawPlus(p, 0, QColor(0, 0, 255));
    DrawArrow(p, IconSize, QColor(0, 160, 0), true);
    DrawArrow(p, 2 * IconSize, QColor(255, 0, 0), false);
    return strip;
}

int TPriceGridPainter::ChangeIconIndex(QByteArrayView priceFlag) {
    if (priceFlag == "N") return 0;
    if (priceFlag == "D") return 1;
    if (priceFlag == "U") return 2;
    return -1;
}

void TPriceGridPainter::DrawColumnCell(QPainter& canvas, const QRect& rect, int column, int recNo,
                                       TGridDrawState state, bool highlightPresence) const {
    const TMemTable* table = m_grid.Table();
    if (!table || !table->Active() || recNo < 0 || recNo >= table->RecordCount()) {
        canvas.fillRect(rect, canvas.brush());
        return;
    }
    const int row = table->RowAt(recNo);
    if (highlightPresence && state.Empty()) {
        const TField* presence = table->FindField(u"presence");
        if (presence && table->RowBytes(row, presence->Index()) == "+") canvas.setBrush(Lime);
    }
    canvas.fillRect(rect, canvas.brush());

    const TGridColumn col = m_grid.Column(column);
    const TField* field = table->FindField(col.FieldName);
    if (!field) return;
    const QString text = table->RowText(row, field->Index());
    if (!SameText(field->FieldName(), u"price")) {
        TDBGrid::DrawCellText(canvas, rect, text, col.Alignment);
        return;
    }
    TDBGrid::DrawCellText(canvas, rect.adjusted(kPriceIndent, 0, 0, 0), text, col.Alignment);
    const TField* flag = table->FindField(u"Price_flag");
    const int icon = flag ? ChangeIconIndex(table->RowBytes(row, flag->Index())) : -1;
    if (icon >= 0) canvas.drawPixmap(rect.topLeft(), m_icons[size_t(icon)]);
}
