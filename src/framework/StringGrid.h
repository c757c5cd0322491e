#pragma once

#include <QTableWidget>

// A grid of plain text cells, addressed as (column, row) with row 0 the title row. The title row
// stays in view and the first column is fixed: grey, not selectable, in view when the grid scrolls
// sideways, and its row borders can be dragged to resize the rows. (The title row is the horizontal
// header, the fixed column the vertical one.) A rectangular block of the other cells can be selected;
// the current cell counts as the block when nothing else is selected.
class TStringGrid : public QTableWidget {
    Q_OBJECT

public:
    explicit TStringGrid(int colCount, QWidget* parent = nullptr);

    struct TGridRect {
        int Left = 0;
        int Top = 0;
        int Right = -1;
        int Bottom = -1;
        bool IsEmpty() const { return Right < Left || Bottom < Top; }
        friend bool operator==(const TGridRect&, const TGridRect&) = default;
    };

    int ColCount() const { return columnCount() + 1; }
    // The title row included; at least 2. New rows are empty; the current cell goes to (1, 1).
    int RowCount() const { return rowCount() + 1; }
    void SetRowCount(int rows);
    QString Cells(int col, int row) const;
    void SetCells(int col, int row, const QString& text);
    void SetColWidth(int col, int width);
    void SetDefaultRowHeight(int height);

    TGridRect Selection() const;
    void SetSelection(TGridRect rect);
    // The selected block: the cells of a row separated by TAB, the rows by CR LF.
    QString SelectedText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableWidgetItem* Cell(int col, int row);
    QWidget* m_corner = nullptr; // above the fixed column: its title
    QString m_cornerTitle;
};
