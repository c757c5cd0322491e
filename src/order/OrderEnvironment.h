#pragma once

#include "shell/StoredValue.h"

#include <QList>
#include <QString>

#include <functional>

class QAction;
class TContactForm;
class TEMAILForm;
class TEditForm;
class TFormStorage;
class TOpenDialog;
class TSaveDialog;
class TTableView;
struct TDiscountEntry;

// What the orders take from the main window: its stored values, dialogs, price list and commands.
struct TOrderEnvironment {
    std::function<QString(TStoredValue)> StoredValue;
    const QList<TDiscountEntry>* DiscountScale = nullptr;
    TTableView* PriceView = nullptr;
    TSaveDialog* SaveDialog = nullptr;
    TOpenDialog* OpenDialog = nullptr;
    TContactForm* ContactForm = nullptr;
    TEditForm* EditForm = nullptr;
    TEMAILForm* EMAILForm = nullptr;
    TFormStorage* Storage = nullptr; // the order grids share one stored column layout
    // The commands on each order's tool bar, a separator after each.
    QList<QAction*> ToolActions;
};
