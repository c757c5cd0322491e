#pragma once

#include "shell/FormStorage.h"
#include "framework/DBGrid.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "order/ContactFormUnit.h"
#include "order/EditFormUnit.h"
#include "order/EMAILFormUnit.h"
#include "order/OrderTabs.h"
#include "price/PriceList.h"
#include "price/TableViewUnit.h"

#include <QTabWidget>
#include <QTemporaryDir>

#include <memory>

// The open orders as the main window hosts them, without the main window: a tab control, a price
// view, stored values in a temporary system.ini and the order dialogs.
class TOrderTestBase : public QObject {
protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTabWidget> m_orderControl;
    std::unique_ptr<TTableView> m_price;
    std::unique_ptr<TFormStorage> m_storage;
    std::unique_ptr<TContactForm> m_contactForm;
    std::unique_ptr<TEditForm> m_editForm;
    std::unique_ptr<TEMAILForm> m_emailForm;
    TSaveDialog m_saveDialog;
    TOpenDialog m_openDialog;
    QList<TDiscountEntry> m_scale;
    std::unique_ptr<TOrderTabs> m_orders;

    void StartOrders() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_orderControl = std::make_unique<QTabWidget>();
        m_price = std::make_unique<TTableView>();
        DefinePriceFields(*m_price->Table);
        m_price->TableViewGrid->SetColumns(PriceColumns());
        m_storage = std::make_unique<TFormStorage>(m_dir->filePath(QStringLiteral("system.ini")),
                                                   QStringLiteral("SYSTEM"));
        m_storage->SetStoredValue(TStoredValue::FOrgName, QStringLiteral(u"ООО Ромашка"));
        m_storage->SetStoredValue(TStoredValue::FAdress, QStringLiteral(u"г. Тверь, ул. Луговая, 1"));
        m_storage->SetStoredValue(TStoredValue::FPhone, QStringLiteral("12-34-56"));
        m_storage->SetStoredValue(TStoredValue::FContactPerson, QStringLiteral(u"Иванов И. И."));
        m_contactForm = std::make_unique<TContactForm>();
        m_editForm = std::make_unique<TEditForm>();
        m_emailForm = std::make_unique<TEMAILForm>(*m_storage);
        m_scale = {{1000, 3}, {5000, 5}};
        TOrderEnvironment env;
        env.StoredValue = [this](TStoredValue value) { return m_storage->StoredValue(value); };
        env.DiscountScale = &m_scale;
        env.PriceView = m_price.get();
        env.SaveDialog = &m_saveDialog;
        env.OpenDialog = &m_openDialog;
        env.ContactForm = m_contactForm.get();
        env.EditForm = m_editForm.get();
        env.EMAILForm = m_emailForm.get();
        env.Storage = m_storage.get();
        m_contactForm->SetStoredValues(env.StoredValue);
        m_orders = std::make_unique<TOrderTabs>(m_orderControl.get(), env);
        TMessageBox::Reset();
        TFileDialog::Reset();
    }

    void StopOrders() {
        m_orders.reset();
        m_orderControl.reset();
    }
};
