#pragma once

#include "TableViewLogic.h"

#include <QFrame>

class QLabel;
class TDBGrid;

// The reusable table view: a read-only grid over the view's table with a one-line search panel under
// it. Typing searches, a click on a column title sorts, the filter string filters. The owner defines
// the table's fields and the grid's columns, and may take the grid's OnDblClick, OnKeyDown and
// OnDrawColumnCell for itself: the frame uses none of them.
class TTableView : public QFrame, public TTableViewLogic {
    Q_OBJECT

public:
    explicit TTableView(QWidget* parent = nullptr);
    ~TTableView() override;

    TDBGrid* const TableViewGrid;
    QLabel* const SearchPanel;

    void TableViewGridColEnter();
    void TableViewGridKeyPress(QChar key);
    TSortMarker TableViewGridGetBtnParams(int column) const;
    void TableViewGridTitleBtnClick(int column);
    void UpdateSearchPanel() override;

protected:
    void Beep() override;
    void SortChanged() override;
    void Sorting(const std::function<void()>& sort) override;
};
