#include "StringGrid.h"

#include <QHeaderView>

#include <algorithm>

using namespace Qt::StringLiterals;

TStringGrid::TStringGrid(int colCount, QWidget* parent) : QTableWidget(1, colCount, parent) {
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    for (int col = 0; col < colCount; ++col)
        setHorizontalHeaderItem(col, new QTableWidgetItem);
    SetRowCount(2);
}

void TStringGrid::SetRowCount(int rows) {
    const int old = rowCount();
    setRowCount(std::max(rows, 2) - 1);
    for (int row = old; row < rowCount(); ++row)
        for (int col = 0; col < columnCount(); ++col)
            Cell(col, row + 1);
    if (columnCount() > 1) setCurrentCell(0, 1);
}

void TStringGrid::SetDefaultRowHeight(int height) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
}

QTableWidgetItem* TStringGrid::Cell(int col, int row) {
    if (row == 0) return horizontalHeaderItem(col);
    QTableWidgetItem* cell = item(row - 1, col);
    if (cell) return cell;
    cell = new QTableWidgetItem;
    if (col == 0) {
        cell->setFlags(Qt::ItemIsEnabled);
        cell->setBackground(palette().button());
        cell->setForeground(palette().buttonText());
    } else {
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    setItem(row - 1, col, cell);
    return cell;
}

QString TStringGrid::Cells(int col, int row) const {
    const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
    return cell ? cell->text() : QString();
}

void TStringGrid::SetCells(int col, int row, const QString& text) {
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) return;
    Cell(col, row)->setText(text);
}

TStringGrid::TGridRect TStringGrid::Selection() const {
    TGridRect rect{.Left = ColCount(), .Top = RowCount(), .Right = -1, .Bottom = -1};
    for (const QTableWidgetSelectionRange& range : selectedRanges()) {
        rect.Left = std::min(rect.Left, range.leftColumn());
        rect.Right = std::max(rect.Right, range.rightColumn());
        rect.Top = std::min(rect.Top, range.topRow() + 1);
        rect.Bottom = std::max(rect.Bottom, range.bottomRow() + 1);
    }
    if (!rect.IsEmpty()) return rect;
    if (const QModelIndex current = currentIndex(); current.isValid())
        return {current.column(), current.row() + 1, current.column(), current.row() + 1};
    return {};
}

void TStringGrid::SetSelection(TGridRect rect) {
    clearSelection();
    if (rect.IsEmpty()) return;
    setCurrentCell(rect.Top - 1, rect.Left, QItemSelectionModel::NoUpdate);
    setRangeSelected(QTableWidgetSelectionRange(rect.Top - 1, rect.Left, rect.Bottom - 1, rect.Right), true);
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
