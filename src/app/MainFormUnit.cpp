#include "MainFormUnit.h"

#include "AboutFormUnit.h"
#include "AutorFormUnit.h"
#include "framework/DBGrid.h"
#include "framework/DBNavigator.h"
#include "framework/MemTable.h"
#include "framework/StatusBar.h"
#include "framework/StringGrid.h"
#include "order/ContactFormUnit.h"
#include "order/EditFormUnit.h"
#include "order/OrderFrameUnit.h"
#include "order/OrderTabs.h"
#include "price/FilterFormUnit.h"
#include "price/PriceExport.h"
#include "price/PriceGrid.h"
#include "price/TableViewUnit.h"
#include "SelectFormUnit.h"
#include "SettingFormUnit.h"
#include "shell/Application.h"
#include "shell/FlashForm.h"
#include "shell/Platform.h"
#include "shell/SysUnit.h"
#include "shell/VendorInfo.h"
#include "text/TException.h"
#include "update/AutoUpdate.h"
#include "update/UpgradeFormUnit.h"

#include <QAbstractEventDispatcher>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kNoIcon = -1;
constexpr int kDesignPanel1Height = 251;

struct TActionDef {
    QAction* TMainForm::*Action;
    const char16_t* Name;
    const char16_t* Category;
    const char16_t* Caption;
    const char16_t* Hint;
    const char16_t* Shortcut;
    int Icon;
    void (TMainForm::*Execute)(); // nullptr: the command comes with its area
};

const TActionDef kActions[] = {
    {&TMainForm::PriceFilter, u"PriceFilter", u"Price", u"Фильтр прайс-листа", u"Фильтрация прайс-листа",
     u"Ctrl+F", QStyle::SP_FileDialogContentsView, &TMainForm::PriceFilterExecute},
    {&TMainForm::PriceExportExcel, u"PriceExportExcel", u"Price", u"Экспорт в Excel",
     u"Экспорт прайс-листа в Excel", u"", QStyle::SP_FileDialogDetailedView,
     &TMainForm::PriceExportExcelExecute},
    {&TMainForm::PriceUpdateManual, u"PriceUpdateManual", u"Price", u"Обновление прайс-листа...",
     u"Обновление прайс-листа из файла", u"", QStyle::SP_BrowserReload, &TMainForm::PriceUpdateManualExecute},
    {&TMainForm::PriceUpdateAuto, u"PriceUpdateAuto", u"Price", u"Автоматическое обновление",
     u"Автоматическое обновление прайс-листа из интернета", u"", QStyle::SP_DriveNetIcon,
     &TMainForm::PriceUpdateAutoExecute},
    {&TMainForm::InfPrice, u"InfPrice", u"Inf", u"о текущем прайс-листе", u"Информация о прайс-листе", u"",
     QStyle::SP_FileDialogInfoView, &TMainForm::InfPriceExecute},
    {&TMainForm::InfDiscount, u"InfDiscount", u"Inf", u"о системе скидок", u"Информация о системе скидок",
     u"", kNoIcon, &TMainForm::InfDiscountExecute},
    // The vendor's name is appended to this caption and hint.
    {&TMainForm::InfAutor, u"InfAutor", u"Inf", u"Информация ", u"Информация ", u"", kNoIcon,
     &TMainForm::InfAutorExecute},
    {&TMainForm::InfAbout, u"InfAbout", u"Inf", u"Информация о программе", u"Информация о программе", u"",
     QStyle::SP_MessageBoxInformation, &TMainForm::InfAboutExecute},
    {&TMainForm::CopyRecordinStringGrid, u"CopyRecordinStringGrid", u"General", u"Копировать",
     u"Копировать в буфер обмена", u"Ctrl+C", kNoIcon, &TMainForm::CopyRecordinStringGridExecute},
    {&TMainForm::Help, u"Help", u"General", u"Помощь", u"Помощь", u"F1", QStyle::SP_DialogHelpButton,
     &TMainForm::HelpExecute},
    {&TMainForm::Setting, u"Setting", u"General", u"Настройки", u"Настройки", u"Ctrl+P", kNoIcon,
     &TMainForm::SettingExecute},
    {&TMainForm::NewOrder, u"NewOrder", u"Order", u"Новый заказ", u"Добавление нового заказа", u"Ctrl+N",
     QStyle::SP_FileIcon, &TMainForm::NewOrderExecute},
    {&TMainForm::OrderOpen, u"OrderOpen", u"Order", u"Открыть", u"Открыть заказ", u"Ctrl+O",
     QStyle::SP_DialogOpenButton, &TMainForm::OrderOpenExecute},
    {&TMainForm::OrderCloseAll, u"OrderCloseAll", u"Order", u"&Закрыть все", u"Закрыть все заказы", u"",
     kNoIcon, &TMainForm::OrderCloseAllExecute},
    {&TMainForm::OrderClose, u"OrderClose", u"Order", u"Закрыть", u"Закрыть текущий заказ", u"Ctrl+F4",
     QStyle::SP_DialogCloseButton, &TMainForm::OrderCloseExecute},
    {&TMainForm::OrderSave, u"OrderSave", u"Order", u"Сохранить", u"Сохранить заказ", u"Ctrl+S",
     QStyle::SP_DialogSaveButton, &TMainForm::OrderSaveExecute},
    {&TMainForm::OrderSaveAs, u"OrderSaveAs", u"Order", u"Сохранить как", u"Сохранить заказ в файл", u"",
     kNoIcon, &TMainForm::OrderSaveAsExecute},
    {&TMainForm::OrderSendEMAIL, u"OrderSendEMAIL", u"Order", u"Отправить по E-Mail",
     u"Посылка заказа по E-Mail", u"", kNoIcon, &TMainForm::OrderSendEMAILExecute},
    {&TMainForm::OrderExportExcel, u"OrderExportExcel", u"Order", u"Экспорт в Excel",
     u"Экспорт заказа в Excel", u"", QStyle::SP_FileDialogDetailedView, &TMainForm::OrderExportExcelExecute},
    {&TMainForm::OrderInf, u"OrderInf", u"Order", u"Информация о заказе", u"Информация о заказе", u"",
     QStyle::SP_FileDialogInfoView, &TMainForm::OrderInfExecute},
};

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

// The stored layout of a grid goes by field names.
TGridBinding GridBinding(const QString& tableViewName, TDBGrid* grid) {
    return {tableViewName, [grid] { return grid->ColumnLayout(); },
            [grid](const QList<TColumnLayout>& layout) { grid->RestoreColumnLayout(layout); }};
}

} // namespace

TMainForm::TMainForm(TSelectForm& selectForm)
    : FormStorage(ProgramDir() + u"/system.ini"_s, u"SYSTEM"_s), m_selectForm(selectForm) {
    setObjectName(u"MainForm"_s);
    setWindowTitle(Vendor::MainCaption());
    // Restored from maximized, the window keeps a useful size.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        setGeometry(QStyle::alignedRect(
            Qt::LeftToRight, Qt::AlignCenter,
            (area.size() * 3 / 4).expandedTo(QSize(800, 550)).boundedTo(area.size()), area));
    }
    setWindowState(Qt::WindowMaximized);

    CreateActions();
    CreateLayout();
    CreateMenu();
    CreateToolBar();

    // The idle moment before the event loop waits is when the commands are checked.
    connect(QAbstractEventDispatcher::instance(thread()), &QAbstractEventDispatcher::aboutToBlock, this,
            &TMainForm::ActionListUpdate);
    qApp->installEventFilter(this);

    FormCreate();
    ActionListUpdate();
}

TMainForm::~TMainForm() {
    Price_Data->TableViewGrid->OnDrawColumnCell = nullptr;
}

void TMainForm::CreateActions() {
    for (const TActionDef& def : kActions) {
        auto* action = new QAction(Text(def.Caption), this);
        action->setObjectName(Text(def.Name));
        action->setProperty("Category", Text(def.Category));
        action->setStatusTip(Text(def.Hint));
        action->setToolTip(Text(def.Hint));
        action->setShortcut(QKeySequence(Text(def.Shortcut)));
        if (def.Icon != kNoIcon) action->setIcon(style()->standardIcon(QStyle::StandardPixmap(def.Icon)));
        // A hint shown in a dialog the command opened would otherwise outlive the dialog.
        if (const auto execute = def.Execute)
            connect(action, &QAction::triggered, this, [this, execute] {
                RunHandler([&] { (this->*execute)(); });
                ApplicationEventsHint({});
            });
        // Shortcuts work wherever the focus is in this window.
        addAction(action);
        this->*def.Action = action;
    }
    InfAutor->setText(InfAutor->text() + Vendor::Name());
    InfAutor->setStatusTip(InfAutor->text());
    InfAutor->setToolTip(InfAutor->text());
}

void TMainForm::CreateLayout() {
    OrderControl = new QTabWidget;
    OrderControl->setObjectName(u"OrderControl"_s);
    // Flat tabs that light up under the mouse; Qt has one row only, with scroll buttons.
    OrderControl->setDocumentMode(true);
    OrderControl->setUsesScrollButtons(true);
    OrderControl->tabBar()->setExpanding(false);
    OrderControl->tabBar()->setAttribute(Qt::WA_Hover);

    Panel1 = new QWidget;
    Panel1->setObjectName(u"Panel1"_s);
    ToolBar = new QToolBar(Panel1);
    ToolBar->setObjectName(u"ToolBar"_s);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    Price_Data = new TTableView(Panel1);
    Price_Data->setObjectName(u"Price_Data"_s);
    StatusBar = new TStatusBar({120, 100, 50}, Panel1);
    StatusBar->setObjectName(u"StatusBar"_s);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    panelLayout->addWidget(ToolBar);
    panelLayout->addWidget(Price_Data, 1);
    panelLayout->addWidget(StatusBar);

    Splitter1 = new QSplitter(Qt::Vertical);
    Splitter1->setObjectName(u"Splitter1"_s);
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(OrderControl);
    Splitter1->addWidget(Panel1);
    // The order area takes every change of the window's height; the lower panel keeps its own.
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { m_panel1HeightChosen = true; });
    SetPanel1Height(kDesignPanel1Height);

    OrderHint = new QLabel(u"Чтобы начать заказ, нажмите Ctrl+N (\"Новый заказ\")\n"
                           u"или дважды щёлкните по товару в прайс-листе."_s,
                           OrderControl);
    OrderHint->setObjectName(u"OrderHint"_s);
    OrderHint->setAlignment(Qt::AlignCenter);
    OrderHint->setEnabled(false); // drawn in the muted colour of a hint
    setCentralWidget(Splitter1);

    TDBGrid* grid = Price_Data->TableViewGrid;
    grid->OnDblClick = [this] { RunHandler([this] { Price_DataTableViewGridDblClick(); }); };
    grid->OnKeyDown = [this](QKeyEvent& event) {
        bool taken = false;
        RunHandler([&] { taken = Price_DataTableViewGridKeyDown(event); });
        return taken;
    };
    m_pricePainter = std::make_unique<TPriceGridPainter>(*grid);
    grid->OnDrawColumnCell = [this](QPainter& canvas, const QRect& rect, int column, int recNo,
                                    TGridDrawState state) {
        Price_DataTableViewGridDrawColumnCell(canvas, rect, column, recNo, state);
    };
}

void TMainForm::CreateMenu() {
    QMenuBar* menu = menuBar();
    menu->setObjectName(u"MainMenu"_s);

    QMenu* orders = menu->addMenu(u"Заказы"_s);
    orders->setObjectName(u"MenuOrders"_s);
    orders->addActions({NewOrder, OrderOpen});
    orders->addSeparator();
    orders->addActions({OrderInf, OrderSendEMAIL, OrderExportExcel});
    orders->addSeparator();
    orders->addActions({OrderSave, OrderSaveAs});
    orders->addSeparator();
    orders->addActions({OrderClose, OrderCloseAll});

    QMenu* price = menu->addMenu(u"Прайс-лист"_s);
    price->setObjectName(u"MenuPrice"_s);
    // This menu item has a caption of its own; it stands in for the command.
    auto* updateItem = new QAction(u"Обновление из файла..."_s, this);
    updateItem->setObjectName(u"PriceUpdateManualItem"_s);
    updateItem->setStatusTip(PriceUpdateManual->statusTip());
    updateItem->setToolTip(PriceUpdateManual->toolTip());
    updateItem->setIcon(PriceUpdateManual->icon());
    connect(updateItem, &QAction::triggered, PriceUpdateManual, &QAction::trigger);
    connect(PriceUpdateManual, &QAction::enabledChanged, updateItem, &QAction::setEnabled);
    price->addActions({updateItem, PriceUpdateAuto});
    price->addSeparator();
    price->addActions({PriceFilter, PriceExportExcel});
    price->addSeparator();
    QMenu* information = price->addMenu(u"Информация..."_s);
    information->setObjectName(u"MenuPriceInf"_s);
    information->addActions({InfPrice, InfDiscount});

    QMenu* setup = menu->addMenu(u"Установки"_s);
    setup->setObjectName(u"MenuSetup"_s);
    setup->addAction(Setting);

    QMenu* help = menu->addMenu(u"Справка"_s);
    help->setObjectName(u"MenuHelp"_s);
    help->addAction(Help);
    help->addSeparator();
    help->addActions({InfAutor, InfAbout});
}

void TMainForm::CreateToolBar() {
    ToolBar->addAction(NewOrder);
    ToolBar->addSeparator();
    ToolBar->addAction(PriceFilter);
    ToolBar->addSeparator();
    ToolBar->addAction(PriceExportExcel);
    ToolBar->addSeparator();

    PopupMenu_Price = new QMenu(this);
    PopupMenu_Price->setObjectName(u"PopupMenu_Price"_s);
    PopupMenu_Price->addActions({InfPrice, InfDiscount});
    InfButton = new QToolButton(ToolBar);
    InfButton->setObjectName(u"InfButton"_s);
    InfButton->setText(u"Информация"_s);
    InfButton->setToolTip(u"Информация"_s);
    InfButton->setStatusTip(u"Информация"_s);
    InfButton->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    InfButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    InfButton->setAutoRaise(true);
    InfButton->setMenu(PopupMenu_Price);
    InfButton->setPopupMode(QToolButton::InstantPopup);
    ToolBar->addWidget(InfButton);
    ToolBar->addSeparator();

    PriceNavigator = new TDBNavigator({TDBNavigator::First, TDBNavigator::Prior, TDBNavigator::Next,
                                       TDBNavigator::Last, TDBNavigator::Refresh},
                                      ToolBar);
    PriceNavigator->setObjectName(u"PriceNavigator"_s);
    PriceNavigator->SetDataSource(Price_Data->DataSource.get());
    ToolBar->addWidget(PriceNavigator);
}

void TMainForm::SetPanel1Height(int height) {
    const int total = std::max(Splitter1->height(), height + Splitter1->handleWidth() + 1);
    Splitter1->setSizes({total - height - Splitter1->handleWidth(), height});
}

void TMainForm::FormCreate() {
    TDBGrid* priceGrid = Price_Data->TableViewGrid;
    DefinePriceFields(*Price_Data->Table);
    priceGrid->SetDesignColumns(PriceColumns());

    FormStorage.AttachWindow(this);
    FormStorage.AttachHeight(
        u"Panel1"_s, [this] { return Panel1->height(); },
        [this](int height) {
            m_panel1HeightChosen = true;
            SetPanel1Height(height);
        });
    FormStorage.AttachGrid(GridBinding(u"Price_Data"_s, priceGrid));
    FormStorage.AttachViewState([this] {
        TViewState state;
        Price_Data->GetViewState(state.Sort, state.Filter);
        return state;
    });
    FormStorage.RestoreFormPlacement();

    TDBGrid* selectGrid = m_selectForm.Select_Table->TableViewGrid;
    selectGrid->SetColumns(priceGrid->Columns());
    FormStorage.AttachGrid(GridBinding(u"Select_Table"_s, selectGrid));
    FormStorage.RestoreFormPlacement();

    FormStorage.LoadStoredValues();
    if (!LoadPriceList()) TApplication::Terminate();
}

bool TMainForm::LoadPriceList() {
    return RunWaiting(u"Открытие прайс-листа\rЖдите..."_s, [this] {
        PriceList.Load(ProgramDir() + u"/data.iop"_s, *Price_Data, *m_selectForm.Select_Table->Table,
                       FormStorage.StoredValue(TStoredValue::Price_Data_Sort),
                       FormStorage.StoredValue(TStoredValue::Price_Data_Filter));
        UpdatePriceStatus();
    });
}

void TMainForm::UpdatePriceStatus() {
    StatusBar->SetPanelText(0, u"Всего записей "_s + QString::number(Price_Data->Table->TotalRecordCount()));
    StatusBar->SetPanelText(1, Price_Data->FilterRejected ? u"Отфильтовано"_s : QString());
}

void TMainForm::SaveViewState() {
    FormStorage.SaveViewState();
}

void TMainForm::ActionListUpdate() {
    const bool anyOrder = OrderControl->count() > 0;
    const bool currentOrder = OrderControl->currentIndex() >= 0;
    OrderCloseAll->setEnabled(anyOrder);
    OrderHint->setVisible(!anyOrder);
    for (QAction* action : {OrderClose, OrderSave, OrderSaveAs, OrderSendEMAIL, OrderExportExcel, OrderInf})
        action->setEnabled(currentOrder);
}

void TMainForm::ApplicationEventsHint(const QString& hint) {
    StatusBar->SetPanelText(2, hint);
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) RunHandler([this] { FormActivate(); });
    return QMainWindow::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Until a height is stored or chosen, the price list takes two thirds of whatever room there is.
    if (watched == Splitter1 && event->type() == QEvent::Resize && !m_panel1HeightChosen)
        SetPanel1Height(Splitter1->height() * 2 / 3);
    if (watched == OrderControl && event->type() == QEvent::Resize)
        OrderHint->setGeometry(OrderControl->rect());
    // Every window's hints, as they come and go under the mouse.
    if (event->type() == QEvent::StatusTip)
        ApplicationEventsHint(static_cast<QStatusTipEvent*>(event)->tip());
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormActivate() {
    Price_Data->TableViewGrid->setFocus();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The orders and the stored values are in use by the operation under the wait window.
    if (Waiting()) {
        event->ignore();
        QApplication::beep();
        return;
    }
    // The placement and the stored values are written before the window's own close handler runs.
    RunHandler([this] { FormStorage.SaveFormPlacement(); });
    FormClose(*event);
}

void TMainForm::FormClose(QCloseEvent& event) {
    RunHandler([this] { SaveViewState(); });
    RunHandler([this] { CloseAllOrders(); });
    QCoreApplication::processEvents();
    // An order whose closing the user cancelled keeps the program running.
    if (OrderControl->count() > 0)
        event.ignore();
    else
        event.accept();
}

void TMainForm::HelpExecute() {
    const QString file = HelpFile();
    if (!QFileInfo(file).isFile())
        throw TException(u"Файл справки не найден: "_s + QDir::toNativeSeparators(file));
    ShellOpen(file, u"Не удалось открыть файл справки "_s + QDir::toNativeSeparators(file));
}

void TMainForm::SettingExecute() {
    m_dialogs.SettingForm->OpenSetting();
    // The presence highlighting may have changed.
    Price_Data->TableViewGrid->viewport()->update();
}

void TMainForm::AttachDialogs(const TMainDialogs& dialogs) {
    m_dialogs = dialogs;
    CreateOrders();
}

void TMainForm::CreateOrders() {
    TOrderEnvironment env;
    env.StoredValue = [this](TStoredValue value) { return FormStorage.StoredValue(value); };
    env.DiscountScale = &PriceList.DiscountScale;
    env.PriceView = Price_Data;
    env.SaveDialog = &SaveDialog;
    env.OpenDialog = &OpenDialog;
    env.ContactForm = m_dialogs.ContactForm;
    env.EditForm = m_dialogs.EditForm;
    env.EMAILForm = m_dialogs.EMAILForm;
    env.Storage = &FormStorage;
    env.ToolActions = {OrderSave, OrderSendEMAIL, OrderExportExcel, OrderInf};
    m_dialogs.ContactForm->SetStoredValues(env.StoredValue);
    Orders = std::make_unique<TOrderTabs>(OrderControl, std::move(env));
}

bool TMainForm::CloseAllOrders() {
    return Orders->OrderCloseAllExecute();
}

void TMainForm::OrderOpenFile(const QString& fileName) {
    Orders->CreateOrder(fileName);
}

void TMainForm::NewOrderExecute() {
    Orders->NewOrderExecute();
}

void TMainForm::OrderOpenExecute() {
    Orders->OrderOpenExecute();
}

void TMainForm::OrderSaveExecute() {
    Orders->OrderSaveExecute();
}

void TMainForm::OrderSaveAsExecute() {
    Orders->OrderSaveAsExecute();
}

void TMainForm::OrderCloseExecute() {
    Orders->OrderCloseExecute();
}

void TMainForm::OrderCloseAllExecute() {
    CloseAllOrders();
}

void TMainForm::OrderInfExecute() {
    Orders->OrderInfExecute();
}

void TMainForm::OrderSendEMAILExecute() {
    Orders->OrderSendEMAILExecute();
}

void TMainForm::OrderExportExcelExecute() {
    Orders->OrderExportExcelExecute();
}

void TMainForm::Price_DataTableViewGridDblClick() {
    Orders->AddFromPrice();
}

bool TMainForm::Price_DataTableViewGridKeyDown(QKeyEvent& event) {
    if (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter) return false;
    Price_DataTableViewGridDblClick();
    return true;
}

void TMainForm::Price_DataTableViewGridDrawColumnCell(QPainter& canvas, const QRect& rect, int column,
                                                      int recNo, TGridDrawState state) {
    m_pricePainter->DrawColumnCell(canvas, rect, column, recNo, state, FormStorage.LightPresense());
}

void TMainForm::PriceFilterExecute() {
    // The dialog only sets the view's filter text and flag; applying them is the window's job.
    if (m_dialogs.FilterForm->exec() == QDialog::Accepted) Price_Data->ApplyFilter();
    UpdatePriceStatus();
}

void TMainForm::PriceExportExcelExecute() {
    SaveDialog.Prepare(u"xls"_s, QString(), u"Файлы Excel|*.xls|Все файлы|*.*"_s,
                       u"Сохранение прайс-листа в файл Excel"_s);
    if (!SaveDialog.Execute()) return;
    {
        TWaitGuard wait(u"Запись в файл Excel\rЖдите..."_s);
        ExportPriceList(*Price_Data->Table, Price_Data->TableViewGrid->Columns(), SaveDialog.FileName);
    }
    OpenExport(SaveDialog.FileName);
}

void TMainForm::CopyRecordinStringGridExecute() {
    const auto* grid = qobject_cast<const TStringGrid*>(QApplication::focusWidget());
    if (!grid) return;
    const QString text = grid->SelectedText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void TMainForm::InfPriceExecute() {
    m_dialogs.AboutForm->ShowPage(m_dialogs.AboutForm->TabSheet_Price);
}

void TMainForm::InfDiscountExecute() {
    m_dialogs.AboutForm->ShowPage(m_dialogs.AboutForm->TabSheet_Discount);
}

void TMainForm::InfAboutExecute() {
    m_dialogs.AboutForm->ShowPage(m_dialogs.AboutForm->TabSheet_About);
}

void TMainForm::InfAutorExecute() {
    m_dialogs.AutorForm->exec();
}

void TMainForm::PriceUpdateManualExecute() {
    CloseAllOrders();
    QCoreApplication::processEvents();
    if (OrderControl->count() > 0) {
        ShowError(u"При обновлении должны быть закрыты все заказы"_s);
        return;
    }
    OpenDialog.Prepare(u"upr"_s, u"upgrade.upr"_s,
                       u"Файлы обновления|*.upr|Файлы обновления (ZIP)|*.zip|Все файлы|*.*"_s,
                       u"Обновление прайс-листа из файла"_s);
    if (!OpenDialog.Execute()) return;
    m_dialogs.UpgradeForm->UpdateFromFile(OpenDialog.FileName);
}

void TMainForm::PriceUpdateAutoExecute() {
    // Open orders stay: they keep their lines through the reload of the price list.
    const QString fileName = DownloadUpdate(FormStorage.StoredValue(TStoredValue::FURL),
                                            FormStorage.StoredValue(TStoredValue::FProxi),
                                            FormStorage.StoredValue(TStoredValue::FProxiPort));
    ShowInformation(u"Файл обновления был успешно закачан в "_s + fileName);
    m_dialogs.UpgradeForm->UpdateFromFile(fileName);
}

TUpgradeEnvironment TMainForm::UpgradeEnvironment() {
    return {InfPrice, [this] { SaveViewState(); }, [this] { return LoadPriceList(); }};
}
