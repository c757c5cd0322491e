#pragma once

#include "FilterText.h"
#include "framework/DataSource.h"
#include "framework/NumberText.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TMemTable;

// How a view orders its records; the number is the mode's digit in the stored sort string.
enum class TSortMode { None = 0, Ascending = 1, Descending = 2 };

// What a table view does, without its widgets: the table and its data source, the sort and filter
// state with its exchange strings, the record filter, the sort cycle of the column titles and the
// incremental search. TTableView puts a grid and a search panel on it; loading code that must run
// without a window works on this part alone.
class TTableViewLogic {
public:
    TTableViewLogic();
    virtual ~TTableViewLogic();
    TTableViewLogic(const TTableViewLogic&) = delete;
    TTableViewLogic& operator=(const TTableViewLogic&) = delete;

    const std::unique_ptr<TMemTable> Table;
    const std::unique_ptr<TDataSource> DataSource;

    QString SearchText;
    QString SortField;
    TSortMode SortMode = TSortMode::None;
    QString FilterText;
    bool FilterIgnoreCase = false;
    bool FilterRejected = false; // since the filter was last applied

    // Sort string: mode digit, "#", field name. Filter string: "1" (ignore case) or "0", "#", filter text.
    void SetViewState(const QString& sort, const QString& filter);
    void GetViewState(QString& sort, QString& filter) const;
    void ApplySort();
    void ApplyFilter();
    virtual void UpdateSearchPanel() {}
    QString SearchPanelText() const;

    void TableAfterScroll();
    bool TableFilterRecord(int row);

    // A click on the title of a column that shows this field.
    void SortTitleClick(const QString& fieldName);
    TSortMarker SortMarker(const QString& fieldName) const;
    // One typed character of the incremental search in the given field (-1: none).
    void SearchKeyPress(QChar key, int field);

protected:
    virtual void Beep() {}
    virtual void SortChanged() {}
    // Runs a sort that really reorders the records; a window shows that it takes a while.
    virtual void Sorting(const std::function<void()>& sort) { sort(); }

private:
    struct TCompiledTerm {
        int Field;
        TWildcard Pattern;
    };
    void CompileFilter();

    std::vector<TCompiledTerm> m_terms;
    TFloatText m_numberText;
};
