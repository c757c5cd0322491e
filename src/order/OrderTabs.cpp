#include "OrderTabs.h"

#include "EditFormUnit.h"
#include "framework/CalcEdit.h"
#include "framework/DBGrid.h"
#include "framework/DBNavigator.h"
#include "framework/FileDialog.h"
#include "framework/MemTable.h"
#include "framework/ProcessMessages.h"
#include "OrderFrameUnit.h"
#include "price/TableViewUnit.h"
#include "shell/SysUnit.h"
#include "text/TException.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>

using namespace Qt::StringLiterals;

TOrderTabs::TOrderTabs(QTabWidget* orderControl, TOrderEnvironment environment, QObject* parent)
    : QObject(parent), m_orderControl(orderControl), m_env(std::move(environment)) {}

TOrderTabs::~TOrderTabs() = default;

TOrderFrame* TOrderTabs::CurrentOrder() const {
    QWidget* page = m_orderControl->currentWidget();
    if (!page) return nullptr;
    bool tagged = false;
    const int slot = page->property("Tag").toInt(&tagged);
    return tagged && slot >= 0 && slot < int(OrderSlots.size()) ? OrderSlots[size_t(slot)] : nullptr;
}

bool TOrderTabs::HasOrders() const {
    return m_orderControl->count() > 0;
}

TOrderFrame* TOrderTabs::CreateOrder(const QString& fileName) {
    auto* order = new TOrderFrame(m_env, int(OrderSlots.size()), fileName); // throws: nothing added
    OrderSlots.push_back(order);
    order->SlotIndex = int(OrderSlots.size()) - 1;
    order->setObjectName(u"OrderFrame%1"_s.arg(order->SlotIndex));
    order->setProperty("Tag", order->SlotIndex);
    m_orderControl->addTab(order, QString());
    m_orderControl->setCurrentWidget(order);

    TDBGrid* grid = order->Order_data->TableViewGrid;
    grid->OnDblClick = [this, order] { EditLine(order); };
    grid->OnKeyDown = [this, order](QKeyEvent& event) { return OrderGridKeyDown(order, event); };

    order->UpdateStatus();
    ProcessMessages();
    if (!order->HasFile) order->EditOrderInfo(false);
    return order;
}

void TOrderTabs::NewOrderExecute() {
    CreateOrder(QString());
}

void TOrderTabs::OrderOpenExecute() {
    TOpenDialog& dialog = *m_env.OpenDialog;
    dialog.Prepare(u"zkz"_s, QString(), u"Файлы заказов|*.zkz|Все файлы|*.*"_s,
                   u"Открытие заказа из файла"_s);
    if (dialog.Execute()) CreateOrder(dialog.FileName);
}

void TOrderTabs::OrderSaveExecute() {
    if (TOrderFrame* order = CurrentOrder()) order->SaveOrder(false);
}

void TOrderTabs::OrderSaveAsExecute() {
    if (TOrderFrame* order = CurrentOrder()) order->SaveOrder(true);
}

void TOrderTabs::OrderCloseExecute() {
    if (TOrderFrame* order = CurrentOrder()) CloseOrder(order);
}

bool TOrderTabs::OrderCloseAllExecute() {
    for (TOrderFrame* order : OrderSlots)
        if (order && !CloseOrder(order)) return false;
    return true;
}

void TOrderTabs::OrderInfExecute() {
    if (TOrderFrame* order = CurrentOrder()) order->EditOrderInfo();
}

void TOrderTabs::OrderSendEMAILExecute() {
    if (TOrderFrame* order = CurrentOrder()) order->SendOrderByEMAIL();
}

void TOrderTabs::OrderExportExcelExecute() {
    if (TOrderFrame* order = CurrentOrder()) order->ExportOrderToExcel();
}

bool TOrderTabs::CloseOrder(TOrderFrame* order) {
    if (!order->CloseOrder()) return false;
    order->SaveGridLayout();
    OrderSlots[size_t(order->SlotIndex)] = nullptr;
    m_orderControl->removeTab(m_orderControl->indexOf(order));
    delete order;
    return true;
}

void TOrderTabs::AddFromPrice() {
    TOrderFrame* order = CurrentOrder();
    if (!order) {
        ShowError(u"Необходимо сначала либо создать, либо открыть заказ!"_s);
        return;
    }
    const TMemTable& price = *m_env.PriceView->Table;
    // Nothing to add without a current article; an empty code must never pick an existing line.
    if (!price.Active() || price.RecNo() < 0) return;

    TEditForm& form = *m_env.EditForm;
    const QString code = price.FieldByName(u"Code").AsString();
    form.EDIT_CODE->setText(code);
    form.EDIT_NAME->setText(price.FieldByName(u"Name").AsString());
    form.EDIT_COUNT->SetValue(1);
    form.EDIT_PRICE->SetValue(price.FieldByName(u"Price").AsFloat());
    form.EDIT_COMMENT->clear();
    bool adding = true;
    int id = -1;

    TMemTable& lines = *order->Order_data->Table;
    lines.SetFiltered(false);
    // The whole code, ignoring letter case: a short code must not find the line of a longer one.
    if (lines.Locate(lines.FieldByName(u"Code").Index(), code,
                     {.CaseInsensitive = true, .PartialKey = false})) {
        adding = false;
        id = int(lines.FieldByName(u"ID").AsInteger());
        form.EDIT_COUNT->SetValue(lines.FieldByName(u"Count").AsFloat());
        form.EDIT_COMMENT->setText(lines.FieldByName(u"Comment").AsString());
    }
    form.RecalcSumma();
    form.ShowEdit(&lines, adding, id);
    order->Order_data->ApplyFilter();
}

void TOrderTabs::EditLine(TOrderFrame* order) {
    TMemTable& lines = *order->Order_data->Table;
    if (!lines.Active() || lines.IsEmpty() || lines.RecNo() < 0) return;
    try {
        TEditForm& form = *m_env.EditForm;
        form.EDIT_CODE->setText(lines.FieldByName(u"Code").AsString());
        form.EDIT_NAME->setText(lines.FieldByName(u"Name").AsString());
        form.EDIT_COUNT->SetValue(lines.FieldByName(u"Count").AsFloat());
        form.EDIT_PRICE->SetValue(lines.FieldByName(u"Price").AsFloat());
        form.EDIT_COMMENT->setText(lines.FieldByName(u"Comment").AsString());

        TTableView& priceView = *m_env.PriceView;
        TMemTable& price = *priceView.Table;
        if (price.Active()) {
            price.SetFiltered(false);
            if (price.Locate(price.FieldByName(u"Code").Index(), form.EDIT_CODE->text(), {})) {
                form.EDIT_NAME->setText(price.FieldByName(u"Name").AsString());
                form.EDIT_PRICE->SetValue(price.FieldByName(u"Price").AsFloat());
            }
        }
        form.RecalcSumma();
        form.ShowEdit(&lines, false, int(lines.FieldByName(u"ID").AsInteger()));
        priceView.ApplyFilter();
    } catch (const TException& e) {
        ShowError(e.Message());
    }
}

bool TOrderTabs::OrderGridKeyDown(TOrderFrame* order, QKeyEvent& event) {
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        EditLine(order);
        return true;
    }
    if (event.key() == Qt::Key_Delete) {
        order->Navigator->DeleteClick();
        return true;
    }
    return false;
}
