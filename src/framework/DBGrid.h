#pragma once

#include "framework/ColumnLayout.h"

#include "DataSource.h"

#include <QFont>
#include <QTableView>

#include <functional>
#include <optional>
#include <vector>

class TMemTable;

struct TGridDrawState {
    bool Selected = false;
    bool Focused = false;
    bool Fixed = false;
    bool Empty() const { return !Selected && !Focused && !Fixed; }
};

// The read-only data grid over a TDataSource: one current cell that follows the table's current
// record, column titles that act as buttons and show sort markers, movable and resizable columns,
// rows of one fixed height, no row header.
//
// Columns are numbered in their on-screen order. The grid's events are plain handlers: the frame
// that owns the grid uses some, its owner the others (double click, key down, cell drawing).
class TDBGrid : public QTableView {
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return m_source; }
    TMemTable* Table() const { return m_source ? m_source->DataSet() : nullptr; }

    // A new column set, in this order.
    void SetColumns(const QList<TGridColumn>& columns);
    // Columns whose widths were designed for a font with 5-pixel characters: widened for this grid's
    // font, and each at least as wide as its title.
    void SetDesignColumns(QList<TGridColumn> columns);
    QList<TGridColumn> Columns() const; // with the widths and visibility they have now
    int ColumnCount() const;
    TGridColumn Column(int column) const;
    void SetColumnVisible(int column, bool visible);
    void SetColumnWidth(int column, int width);

    int SelectedIndex() const; // the current column
    void SetSelectedIndex(int column);
    int SelectedField() const; // the table field of the current column, -1 for none

    QList<TColumnLayout> ColumnLayout() const;
    // Entries for fields without a column are skipped.
    void RestoreColumnLayout(const QList<TColumnLayout>& layout);

    TSortMarker TitleMarker(int column) const;
    void UpdateTitleMarkers();

    // The standard cell: filled with the canvas brush, the field's text in the canvas pen and font.
    void DefaultDrawColumnCell(QPainter& canvas, const QRect& rect, int column, int recNo) const;
    // Text 2 pixels right of the left edge, 3 left of the right edge or centred, 2 below the top,
    // clipped to the cell.
    static void DrawCellText(QPainter& canvas, const QRect& rect, const QString& text,
                             Qt::Alignment alignment);

    std::function<void()> OnDblClick;
    // True when the handler took the key.
    std::function<bool(QKeyEvent& event)> OnKeyDown;
    std::function<void(QChar key)> OnKeyPress;
    std::function<void()> OnColEnter;
    std::function<void(int column)> OnTitleBtnClick;
    std::function<TSortMarker(int column)> OnGetBtnParams;
    // Called for every data cell with the canvas prepared (selection colours, the column's font);
    // without a handler the grid draws DefaultDrawColumnCell.
    std::function<void(QPainter& canvas, const QRect& rect, int column, int recNo, TGridDrawState state)>
        OnDrawColumnCell;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString&) override {}
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TDBGridDelegate;
    void PaintCell(QPainter& painter, const QRect& rect, const QModelIndex& index) const;
    int Logical(int column) const;
    int Visual(int logical) const;
    void FollowTable(int recNo);

    TDataSource* m_source = nullptr;
    std::vector<std::optional<QFont>> m_fonts; // by model column
    std::vector<int> m_widths;                 // by model column, kept while hidden
    int m_selected = 0;                        // model column
    bool m_following = false;
};
