#pragma once

#include "shell/FormStorage.h"
#include "MainDialogs.h"
#include "framework/DBGrid.h"
#include "framework/FileDialog.h"
#include "price/PriceList.h"
#include "shell/FormStorage.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QKeyEvent;
class QMenu;
class QPainter;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class TDBNavigator;
class TOrderTabs;
class TPriceGridPainter;
class TSelectForm;
class TStatusBar;
class TTableView;
struct TUpgradeEnvironment;

// The main window: the open orders on tabs above, the price list below, the program's commands in
// the menu and on the toolbar. Its handlers hand the work to the code of their area.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // Creating the window loads the price list; when that fails the program is asked to end.
    explicit TMainForm(TSelectForm& selectForm);
    ~TMainForm() override;
    // The dialogs of the commands, made after the window; the orders are set up with them.
    void AttachDialogs(const TMainDialogs& dialogs);

    TFormStorage FormStorage;
    TPriceList PriceList;
    TSaveDialog SaveDialog;
    TOpenDialog OpenDialog;

    QTabWidget* OrderControl;
    QSplitter* Splitter1;
    QWidget* Panel1;
    QToolBar* ToolBar;
    QToolButton* InfButton;
    QMenu* PopupMenu_Price;
    TDBNavigator* PriceNavigator;
    TTableView* Price_Data;
    TStatusBar* StatusBar;

    // The open orders; they exist once the dialogs are attached.
    std::unique_ptr<TOrderTabs> Orders;

    QAction* PriceFilter;
    QAction* PriceExportExcel;
    QAction* PriceUpdateManual;
    QAction* PriceUpdateAuto;
    QAction* InfPrice;
    QAction* InfDiscount;
    QAction* InfAutor;
    QAction* InfAbout;
    QAction* CopyRecordinStringGrid;
    QAction* Help;
    QAction* Setting;
    QAction* NewOrder;
    QAction* OrderOpen;
    QAction* OrderCloseAll;
    QAction* OrderClose;
    QAction* OrderSave;
    QAction* OrderSaveAs;
    QAction* OrderSendEMAIL;
    QAction* OrderExportExcel;
    QAction* OrderInf;

    // True when the whole price list was read; a failure has been shown to the user.
    bool LoadPriceList();
    void UpdatePriceStatus();
    void SaveViewState();

    // What the OrderCloseAll command does: closes every order, each perhaps asking to be saved; false
    // when one stays open.
    bool CloseAllOrders();
    // Opens an order file on a tab of its own, as OrderOpen does after its file dialog.
    void OrderOpenFile(const QString& fileName);

    void ActionListUpdate();
    void ApplicationEventsHint(const QString& hint);

    void HelpExecute();
    void SettingExecute();
    void NewOrderExecute();
    void OrderOpenExecute();
    void OrderSaveExecute();
    void OrderSaveAsExecute();
    void OrderCloseExecute();
    void OrderCloseAllExecute();
    void OrderInfExecute();
    void PriceFilterExecute();
    void PriceExportExcelExecute();
    // Copies the selected cells of the text grid that has the focus.
    void CopyRecordinStringGridExecute();
    void InfPriceExecute();
    void InfDiscountExecute();
    void InfAboutExecute();
    void InfAutorExecute();
    void PriceUpdateManualExecute();
    // Downloads the package from the stored address, then goes the way of a chosen file.
    void PriceUpdateAutoExecute();
    // What the update dialog takes from this window.
    TUpgradeEnvironment UpgradeEnvironment();
    void OrderSendEMAILExecute();
    void OrderExportExcelExecute();
    void Price_DataTableViewGridDblClick();
    // True when the key was taken.
    bool Price_DataTableViewGridKeyDown(QKeyEvent& event);
    void Price_DataTableViewGridDrawColumnCell(QPainter& canvas, const QRect& rect, int column, int recNo,
                                               TGridDrawState state);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenu();
    void CreateToolBar();
    void CreateLayout();
    void CreateOrders();
    void FormCreate();
    void FormActivate();
    void FormClose(QCloseEvent& event);
    void SetPanel1Height(int height);

    TSelectForm& m_selectForm;
    std::unique_ptr<TPriceGridPainter> m_pricePainter;
    int m_panel1Height = 251;
    TMainDialogs m_dialogs;
};
