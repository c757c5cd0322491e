#pragma once

#include <QPointer>
#include <QToolBar>

class QAction;
class TDataSource;
class TMemTable;

// The record navigator of a data source's table: first, prior, next, last, and optionally delete (after
// the question "Удалить запись?") and refresh. Buttons follow the table's position. Like a grid it hears
// of the table only through the data source, so detaching the table there (while it is refilled)
// detaches the navigator too.
class TDBNavigator : public QToolBar {
    Q_OBJECT

public:
    enum Button { First, Prior, Next, Last, Delete, Refresh };

    TDBNavigator(const QList<Button>& buttons, QWidget* parent = nullptr);
    void SetDataSource(TDataSource* source);
    TMemTable* DataSet() const;

    QAction* Action(Button button) const { return m_actions[button]; }
    // What the delete button does; also the Delete key of a grid.
    void DeleteClick();
    void UpdateButtons();

private:
    QPointer<TDataSource> m_source;
    QAction* m_actions[6] = {};
};
