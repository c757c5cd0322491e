#pragma once

#include <QToolBar>

class QAction;
class TMemTable;

// The record navigator of a table: first, prior, next, last, and optionally delete (after the
// question "Удалить запись?") and refresh. Buttons follow the table's position.
class TDBNavigator : public QToolBar {
    Q_OBJECT

public:
    enum Button { First, Prior, Next, Last, Delete, Refresh };

    TDBNavigator(const QList<Button>& buttons, QWidget* parent = nullptr);
    void SetDataSet(TMemTable* table);
    TMemTable* DataSet() const { return m_table; }

    QAction* Action(Button button) const { return m_actions[button]; }
    // What the delete button does; also the Delete key of a grid.
    void DeleteClick();
    void UpdateButtons();

private:
    TMemTable* m_table = nullptr;
    QAction* m_actions[6] = {};
};
