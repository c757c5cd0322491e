#include "StringGrid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QStyleOptionHeader>
#include <QStylePainter>

#include <algorithm>

using namespace Qt::StringLiterals;

TStringGrid::TStringGrid(int colCount, QWidget* parent) : QTableWidget(1, std::max(colCount, 2) - 1, parent) {
    verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // A value wider than the grid is read by scrolling through it, not past it.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    for (int col = 0; col < columnCount(); ++col)
        setHorizontalHeaderItem(col, new QTableWidgetItem);
    // The view's corner button is private; its painting is ours.
    m_corner = findChild<QAbstractButton*>();
    if (m_corner) m_corner->installEventFilter(this);
    SetRowCount(2);
}

void TStringGrid::SetColWidth(int col, int width) {
    if (col == 0)
        verticalHeader()->setFixedWidth(width);
    else
        setColumnWidth(col - 1, width);
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_corner || event->type() != QEvent::Paint)
        return QTableWidget::eventFilter(watched, event);
    QStyleOptionHeader option;
    option.initFrom(m_corner);
    option.rect = m_corner->rect();
    option.text = m_cornerTitle;
    option.textAlignment = horizontalHeader()->defaultAlignment();
    option.position = QStyleOptionHeader::Beginning;
    option.orientation = Qt::Horizontal;
    QStylePainter painter(m_corner);
    painter.drawControl(QStyle::CE_Header, option);
    return true;
}

void TStringGrid::SetRowCount(int rows) {
    const int old = rowCount();
    setRowCount(std::max(rows, 2) - 1);
    for (int row = old; row < rowCount(); ++row)
        for (int col = 0; col < columnCount(); ++col)
            Cell(col, row + 1);
    if (columnCount() > 0) setCurrentCell(0, 0);
}

void TStringGrid::SetDefaultRowHeight(int height) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
}

QTableWidgetItem* TStringGrid::Cell(int col, int row) {
    if (row == 0) return horizontalHeaderItem(col - 1);
    if (col == 0) {
        QTableWidgetItem* title = verticalHeaderItem(row - 1);
        if (!title) setVerticalHeaderItem(row - 1, title = new QTableWidgetItem);
        return title;
    }
    QTableWidgetItem* cell = item(row - 1, col - 1);
    if (cell) return cell;
    cell = new QTableWidgetItem;
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(row - 1, col - 1, cell);
    return cell;
}

QString TStringGrid::Cells(int col, int row) const {
    if (col == 0 && row == 0) return m_cornerTitle;
    const QTableWidgetItem* cell = row == 0   ? horizontalHeaderItem(col - 1)
                                   : col == 0 ? verticalHeaderItem(row - 1)
                                              : item(row - 1, col - 1);
    return cell ? cell->text() : QString();
}

void TStringGrid::SetCells(int col, int row, const QString& text) {
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) return;
    if (col == 0 && row == 0) {
        m_cornerTitle = text;
        if (m_corner) m_corner->update();
        return;
    }
    Cell(col, row)->setText(text);
}

TStringGrid::TGridRect TStringGrid::Selection() const {
    TGridRect rect{.Left = ColCount(), .Top = RowCount(), .Right = -1, .Bottom = -1};
    for (const QTableWidgetSelectionRange& range : selectedRanges()) {
        rect.Left = std::min(rect.Left, range.leftColumn() + 1);
        rect.Right = std::max(rect.Right, range.rightColumn() + 1);
        rect.Top = std::min(rect.Top, range.topRow() + 1);
        rect.Bottom = std::max(rect.Bottom, range.bottomRow() + 1);
    }
    if (!rect.IsEmpty()) return rect;
    if (const QModelIndex current = currentIndex(); current.isValid())
        return {current.column() + 1, current.row() + 1, current.column() + 1, current.row() + 1};
    return {};
}

void TStringGrid::SetSelection(TGridRect rect) {
    clearSelection();
    if (rect.IsEmpty()) return;
    // The fixed column cannot be selected.
    rect.Left = std::max(rect.Left, 1);
    if (rect.IsEmpty()) return;
    setCurrentCell(rect.Top - 1, rect.Left - 1, QItemSelectionModel::NoUpdate);
    setRangeSelected(QTableWidgetSelectionRange(rect.Top - 1, rect.Left - 1, rect.Bottom - 1, rect.Right - 1),
                     true);
}

QString TStringGrid::SelectedText() const {
    const TGridRect rect = Selection();
    QString text;
    for (int row = rect.Top; row <= rect.Bottom; ++row) {
        for (int col = rect.Left; col <= rect.Right; ++col) {
            if (col > rect.Left) text += u'\t';
            text += Cells(col, row);
        }
        if (row < rect.Bottom) text += u"\r\n"_s;
    }
    return text;
}
