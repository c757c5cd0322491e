#pragma once

#include "OrderEnvironment.h"

#include <QObject>

#include <vector>

class QKeyEvent;
class QTabWidget;
class TOrderFrame;

// The open orders: one slot per order created or opened in this run (closed slots stay empty and are
// never reused) and one page of the main window's tab control per open order. The order commands of
// the main window act on the order of the active page.
class TOrderTabs : public QObject {
    Q_OBJECT

public:
    TOrderTabs(QTabWidget* orderControl, TOrderEnvironment environment, QObject* parent = nullptr);
    ~TOrderTabs() override;

    std::vector<TOrderFrame*> OrderSlots;

    QTabWidget* OrderControl() const { return m_orderControl; }
    TOrderFrame* CurrentOrder() const;
    bool HasOrders() const;

    // A new order (empty file name) or the order of a file on a new active page; TException when the
    // file cannot be read, and then no page is added.
    TOrderFrame* CreateOrder(const QString& fileName);

    void NewOrderExecute();
    void OrderOpenExecute();
    void OrderSaveExecute();
    void OrderSaveAsExecute();
    void OrderCloseExecute();
    // Closes the orders in the order they were created, stopping at the first the user keeps.
    bool OrderCloseAllExecute();
    void OrderInfExecute();
    void OrderSendEMAILExecute();
    void OrderExportExcelExecute();
    bool CloseOrder(TOrderFrame* order);

    // The price grid's double click and Enter: the current article into the current order.
    void AddFromPrice();
    // The order grid's double click and Enter: the current line in the line dialog.
    void EditLine(TOrderFrame* order);
    bool OrderGridKeyDown(TOrderFrame* order, QKeyEvent& event);

private:
    QTabWidget* m_orderControl;
    TOrderEnvironment m_env;
};
