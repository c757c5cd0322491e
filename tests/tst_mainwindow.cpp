#include "app/MainFormUnit.h"
#include "app/SelectFormUnit.h"
#include "demo/DemoData.h"
#include "framework/DBGrid.h"
#include "framework/DBNavigator.h"
#include "framework/FileDialog.h"
#include "framework/IniFile.h"
#include "framework/MemTable.h"
#include "framework/MessageBox.h"
#include "framework/StatusBar.h"
#include "ModalHelper.h"
#include "order/EMAILFormUnit.h"
#include "order/OrderFile.h"
#include "order/OrderFrameUnit.h"
#include "order/OrderTabs.h"
#include "price/TableViewUnit.h"
#include "PrivateDesktop.h"
#include "ProgramFixture.h"
#include "shell/Application.h"
#include "shell/FlashForm.h"
#include "shell/SysUnit.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include "TestFiles.h"
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

constexpr int kArticles = 50;

const QString kErrorPrefix = u"Ошибка!\rТекст ошибки: "_s;

QString VersionMessage(const QString& version) {
    return u"Несоответствие версий программы (ver 1020) и файла данных data.iop (ver "_s + version + u")."_s;
}

// The names of a menu's items, "-" for a separator, "Title>" for a submenu.
QStringList Items(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            items << u"-"_s;
        else if (action->menu())
            items << action->text() + u'>';
        else
            items << action->objectName();
    }
    return items;
}

// Lets the event loop run dry once, as it does between the user's actions.
void Idle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

struct TProgramRun {
    bool Finished = false;
    QProcess::ExitStatus Status = QProcess::CrashExit;
    int ExitCode = -1;
    QString Errors;
};

// The real program on a program folder, without a screen; its message boxes answer themselves.
TProgramRun RunProgram(const QString& home, const QString& screenshot = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TEVLAR_HOME"_s, home);
    env.insert(u"XDG_DATA_HOME"_s, home + u"/xdg"_s);
    // No desktop database refreshes left running in the folder after the program ended.
    env.insert(u"PATH"_s, home + u"/bin"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"TEVLAR_TEST_ANSWER_OK"_s, u"1"_s);
    if (!screenshot.isEmpty()) env.insert(u"TEVLAR_SCREENSHOT"_s, screenshot);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TEVLAR_EXECUTABLE), {});
    TProgramRun run;
    run.Finished = process.waitForFinished(30000);
    if (!run.Finished) {
        process.kill();
        process.waitForFinished();
    }
    run.Status = process.exitStatus();
    run.ExitCode = process.exitCode();
    run.Errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TstMainWindow : public QObject, TProgramFixture {
    Q_OBJECT

    QTemporaryDir m_home;

    QString HomeFile(const QString& name) const { return m_home.filePath(name); }
    TSelectForm& Select() const { return m_program->SelectForm(); }
    QAction* Action(const QString& name) const { return m_main->findChild<QAction*>(name); }
    QString Panel(int panel) const { return m_main->StatusBar->PanelText(panel); }
    bool Restored() const {
        return !m_program->Flash().isVisible() && m_main->isEnabled() && Select().isEnabled() &&
               !QApplication::overrideCursor();
    }

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(m_home.isValid());
        UseProgramFolder(m_home.path());
        Demo::WritePriceList(HomeFile(u"data.iop"_s), Demo::MakeArticles({.Articles = kArticles, .Seed = 7}));
    }

    void init() {
        QFile::remove(HomeFile(u"system.ini"_s));
        TMessageBox::Reset();
        StartAndShowProgram();
    }

    void cleanup() { StopProgram(); }

    void startsMaximizedOnThePriceList() {
        QCOMPARE(m_main->windowTitle(), u"Тевлар. ООО Велстрон, г. Ольмеград"_s);
        QVERIFY(m_main->isMaximized());
        QVERIFY(!TApplication::Terminated());
        QCOMPARE(m_main->Price_Data->Table->RecordCount(), kArticles);
        QCOMPARE(Select().Select_Table->Table->RecordCount(), kArticles);
        QCOMPARE(Select().Select_Table->TableViewGrid->ColumnCount(), 11);
        QCOMPARE(Panel(0), u"Всего записей 50"_s);
        QCOMPARE(Panel(1), QString());
        // The panels stand side by side with their widths, the last one taking the rest.
        QList<QRect> panels;
        for (int i = 0; i < 3; ++i)
            panels << m_main->StatusBar->findChild<QLabel*>(u"Panel%1"_s.arg(i))->geometry();
        QVERIFY(panels[0].width() >= 120 && panels[1].width() >= 100 && panels[2].width() >= 50);
        QVERIFY2(panels[0].right() < panels[1].left() && panels[1].right() < panels[2].left(),
                 qPrintable(u"%1 %2 %3"_s.arg(panels[0].left()).arg(panels[1].left()).arg(panels[2].left())));
        QVERIFY(panels[2].right() > m_main->StatusBar->width() / 2);
        // No height stored yet: the price list takes two thirds, the empty order area says how to start.
        QTRY_VERIFY(std::abs(m_main->Panel1->height() - m_main->Splitter1->height() * 2 / 3) <= 4);
        QVERIFY(m_main->OrderControl->height() > 0);
        Idle();
        QVERIFY(m_main->OrderHint->isVisible());
        QVERIFY(m_main->OrderHint->text().contains(u"Ctrl+N"_s));
        QTRY_VERIFY(m_main->Price_Data->TableViewGrid->hasFocus());
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void navigatorMovesThePriceRecord() {
        TMemTable& table = *m_main->Price_Data->Table;
        const auto button = [this](const QString& name) {
            return m_main->PriceNavigator->findChild<QToolButton*>(name);
        };
        QCOMPARE(table.RecNo(), 0);
        QVERIFY(!button(u"NavFirst"_s)->isEnabled() && !button(u"NavPrior"_s)->isEnabled());
        button(u"NavLast"_s)->click();
        QCOMPARE(table.RecNo(), kArticles - 1);
        QCOMPARE(m_main->Price_Data->TableViewGrid->currentIndex().row(), kArticles - 1);
        QVERIFY(!button(u"NavNext"_s)->isEnabled() && !button(u"NavLast"_s)->isEnabled());
        button(u"NavPrior"_s)->click();
        QCOMPARE(table.RecNo(), kArticles - 2);
        button(u"NavRefresh"_s)->click();
        QCOMPARE(table.RecNo(), kArticles - 2);
        QCOMPARE(m_main->Price_Data->TableViewGrid->currentIndex().row(), kArticles - 2);
        button(u"NavFirst"_s)->click();
        QCOMPARE(table.RecNo(), 0);
    }

    void actionsCarryTheirCaptionsHintsAndShortcuts() {
        struct Row {
            const char16_t* Name;
            const char16_t* Category;
            const char16_t* Caption;
            const char16_t* Hint;
            const char16_t* Shortcut;
        };
        const Row table[] = {
            {u"PriceFilter", u"Price", u"Фильтр прайс-листа", u"Фильтрация прайс-листа", u"Ctrl+F"},
            {u"PriceExportExcel", u"Price", u"Экспорт в Excel", u"Экспорт прайс-листа в Excel", u""},
            {u"PriceUpdateManual", u"Price", u"Обновление прайс-листа...", u"Обновление прайс-листа из файла",
             u""},
            {u"PriceUpdateAuto", u"Price", u"Автоматическое обновление",
             u"Автоматическое обновление прайс-листа из интернета", u""},
            {u"InfPrice", u"Inf", u"о текущем прайс-листе", u"Информация о прайс-листе", u""},
            {u"InfDiscount", u"Inf", u"о системе скидок", u"Информация о системе скидок", u""},
            {u"InfAutor", u"Inf", u"Информация ООО \"Велстрон\"", u"Информация ООО \"Велстрон\"", u""},
            {u"InfAbout", u"Inf", u"Информация о программе", u"Информация о программе", u""},
            {u"CopyRecordinStringGrid", u"General", u"Копировать", u"Копировать в буфер обмена", u"Ctrl+C"},
            {u"Help", u"General", u"Помощь", u"Помощь", u"F1"},
            {u"Setting", u"General", u"Настройки", u"Настройки", u"Ctrl+P"},
            {u"NewOrder", u"Order", u"Новый заказ", u"Добавление нового заказа", u"Ctrl+N"},
            {u"OrderOpen", u"Order", u"Открыть", u"Открыть заказ", u"Ctrl+O"},
            {u"OrderCloseAll", u"Order", u"&Закрыть все", u"Закрыть все заказы", u""},
            {u"OrderClose", u"Order", u"Закрыть", u"Закрыть текущий заказ", u"Ctrl+F4"},
            {u"OrderSave", u"Order", u"Сохранить", u"Сохранить заказ", u"Ctrl+S"},
            {u"OrderSaveAs", u"Order", u"Сохранить как", u"Сохранить заказ в файл", u""},
            {u"OrderSendEMAIL", u"Order", u"Отправить по E-Mail", u"Посылка заказа по E-Mail", u""},
            {u"OrderExportExcel", u"Order", u"Экспорт в Excel", u"Экспорт заказа в Excel", u""},
            {u"OrderInf", u"Order", u"Информация о заказе", u"Информация о заказе", u""},
        };
        for (const Row& row : table) {
            const QString name = QString::fromUtf16(row.Name);
            const QAction* action = Action(name);
            QVERIFY2(action, qPrintable(name));
            QCOMPARE(action->property("Category").toString(), QString::fromUtf16(row.Category));
            QCOMPARE(action->text(), QString::fromUtf16(row.Caption));
            QCOMPARE(action->statusTip(), QString::fromUtf16(row.Hint));
            QCOMPARE(action->shortcut(), QKeySequence(QString::fromUtf16(row.Shortcut)));
        }
    }

    void menusAndToolbar() {
        QStringList titles;
        for (const QAction* action : m_main->menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{u"Заказы"_s, u"Прайс-лист"_s, u"Установки"_s, u"Справка"_s}));
        const auto menu = [this](const QString& name) { return m_main->findChild<QMenu*>(name); };
        QCOMPARE(Items(menu(u"MenuOrders"_s)),
                 (QStringList{u"NewOrder"_s, u"OrderOpen"_s, u"-"_s, u"OrderInf"_s, u"OrderSendEMAIL"_s,
                              u"OrderExportExcel"_s, u"-"_s, u"OrderSave"_s, u"OrderSaveAs"_s, u"-"_s,
                              u"OrderClose"_s, u"OrderCloseAll"_s}));
        QCOMPARE(Items(menu(u"MenuPrice"_s)),
                 (QStringList{u"PriceUpdateManualItem"_s, u"PriceUpdateAuto"_s, u"-"_s, u"PriceFilter"_s,
                              u"PriceExportExcel"_s, u"-"_s, u"Информация...>"_s}));
        QCOMPARE(Items(menu(u"MenuPriceInf"_s)), (QStringList{u"InfPrice"_s, u"InfDiscount"_s}));
        QCOMPARE(Items(menu(u"MenuSetup"_s)), QStringList{u"Setting"_s});
        QCOMPARE(Items(menu(u"MenuHelp"_s)), (QStringList{u"Help"_s, u"-"_s, u"InfAutor"_s, u"InfAbout"_s}));
        QCOMPARE(Items(m_main->PopupMenu_Price), (QStringList{u"InfPrice"_s, u"InfDiscount"_s}));

        // The menu item stands in for the update command under a caption of its own.
        QAction* item = Action(u"PriceUpdateManualItem"_s);
        QCOMPARE(item->text(), u"Обновление из файла..."_s);
        QCOMPARE(Action(u"PriceUpdateManual"_s)->text(), u"Обновление прайс-листа..."_s);
        QSignalSpy triggered(Action(u"PriceUpdateManual"_s), &QAction::triggered);
        TFileDialog::SetNextCancel(); // the update's file dialog
        item->trigger();
        QCOMPARE(triggered.count(), 1);

        QStringList toolbar;
        for (QAction* action : m_main->ToolBar->actions()) {
            if (action->isSeparator())
                toolbar << u"-"_s;
            else if (!action->objectName().isEmpty())
                toolbar << action->objectName();
            else // a widget on the toolbar
                toolbar << m_main->ToolBar->widgetForAction(action)->objectName();
        }
        QCOMPARE(toolbar, (QStringList{u"NewOrder"_s, u"-"_s, u"PriceFilter"_s, u"-"_s, u"PriceExportExcel"_s,
                                       u"-"_s, u"InfButton"_s, u"-"_s, u"PriceNavigator"_s}));
        QCOMPARE(m_main->InfButton->menu(), m_main->PopupMenu_Price);
    }

    void selectionWindowPicksTheRecordUnderADoubleClick() {
        QCOMPARE(Select().windowTitle(), u"Выбрать..."_s);
        TTableView& view = *Select().Select_Table;
        QVERIFY(!view.Table->Filtered());
        bool focused = false;
        auto outcome = OnNextModal([&](QWidget* window) {
            QTRY_VERIFY(view.TableViewGrid->hasFocus());
            focused = true;
            QWidget* viewport = view.TableViewGrid->viewport();
            const QRect cell = view.TableViewGrid->visualRect(view.DataSource->index(2, 1));
            QTest::mouseClick(viewport, Qt::LeftButton, {}, cell.center());
            // Sent to the grid alone: the window closes before a release could follow.
            QMouseEvent doubleClick(QEvent::MouseButtonDblClick, cell.center(),
                                    viewport->mapToGlobal(cell.center()), Qt::LeftButton, Qt::LeftButton,
                                    Qt::NoModifier);
            QApplication::sendEvent(viewport, &doubleClick);
            if (window->isVisible()) qobject_cast<QDialog*>(window)->reject();
        });
        QCOMPARE(Select().exec(), int(QDialog::Accepted));
        QVERIFY(outcome->Ok());
        QVERIFY(focused);
        QCOMPARE(view.Table->RecNo(), 2);

        // Enter chooses as the default button does; Escape leaves.
        outcome = OnNextModal([&](QWidget*) { QTest::keyClick(view.TableViewGrid, Qt::Key_Return); });
        QCOMPARE(Select().exec(), int(QDialog::Accepted));
        outcome = OnNextModal([&](QWidget*) { QTest::keyClick(view.TableViewGrid, Qt::Key_Escape); });
        QCOMPARE(Select().exec(), int(QDialog::Rejected));
    }

    void orderCommandsFollowTheTabs() {
        const QStringList current{u"OrderClose"_s,     u"OrderSave"_s,        u"OrderSaveAs"_s,
                                  u"OrderSendEMAIL"_s, u"OrderExportExcel"_s, u"OrderInf"_s};
        const auto enabled = [&](const QStringList& names) {
            for (const QString& name : names)
                if (!Action(name)->isEnabled()) return false;
            return true;
        };
        const auto disabled = [&](const QStringList& names) {
            for (const QString& name : names)
                if (Action(name)->isEnabled()) return false;
            return true;
        };
        const QStringList always{u"NewOrder"_s,
                                 u"OrderOpen"_s,
                                 u"PriceFilter"_s,
                                 u"PriceUpdateManual"_s,
                                 u"PriceExportExcel"_s,
                                 u"InfPrice"_s,
                                 u"Help"_s,
                                 u"Setting"_s,
                                 u"CopyRecordinStringGrid"_s};

        // Checked when the event loop runs dry, without anyone asking.
        Idle();
        QVERIFY(disabled(current) && disabled({u"OrderCloseAll"_s}));
        QVERIFY(enabled(always));

        auto* page = new QWidget;
        m_main->OrderControl->addTab(page, u"Заказ 1"_s);
        QVERIFY(disabled(current));
        Idle();
        QVERIFY(enabled(current) && enabled({u"OrderCloseAll"_s}));
        QVERIFY(enabled(always));
        QVERIFY(!m_main->OrderHint->isVisible());

        delete page;
        Idle();
        QVERIFY(disabled(current) && disabled({u"OrderCloseAll"_s}));
    }

    void hintPanelShowsTheHintUnderTheMouse() {
        QWidget* newOrder = m_main->ToolBar->widgetForAction(m_main->NewOrder);
        QTest::mouseMove(newOrder, newOrder->rect().center());
        QTRY_COMPARE(Panel(2), u"Добавление нового заказа"_s);

        QWidget* last = m_main->PriceNavigator->findChild<QToolButton*>(u"NavLast"_s);
        QTest::mouseMove(last, last->rect().center());
        QTRY_COMPARE(Panel(2), u"Последняя запись"_s);

        QWidget* grid = m_main->Price_Data->TableViewGrid->viewport();
        QTest::mouseMove(grid, grid->rect().center());
        QTRY_COMPARE(Panel(2), QString());

        // The hint of a menu item whose command opened a dialog goes when the command ends.
        QStatusTipEvent hovered(m_main->InfAutor->statusTip());
        QApplication::sendEvent(m_main->menuBar(), &hovered);
        QCOMPARE(Panel(2), m_main->InfAutor->statusTip());
        auto closed = OnNextModal([](QWidget* dialog) { dialog->close(); });
        m_main->InfAutor->trigger();
        QVERIFY(closed->Ok());
        QCOMPARE(Panel(2), QString());
    }

    void exceptionDuringAWaitIsShownAfterTheWaitEnds_data() {
        QTest::addColumn<bool>("standard");
        QTest::newRow("TException") << false;
        QTest::newRow("std::exception") << true;
    }
    void exceptionDuringAWaitIsShownAfterTheWaitEnds() {
        QFETCH(bool, standard);
        bool restoredAtTheBox = false;
        QString text;
        auto outcome = OnNextModal([&](QWidget* box) {
            restoredAtTheBox = Restored();
            text = box->findChild<QLabel*>(u"qt_msgbox_label"_s)->text();
            box->findChild<QPushButton*>(u"ButtonOk"_s)->click();
        });
        // Thrown from a timer: nothing but the application's last net is there to catch it.
        QTimer::singleShot(0, m_main, [standard] {
            ShowWait(u"Запись заказа в файл\rЖдите..."_s);
            if (standard) throw std::runtime_error("disk full");
            throw TException(u"Диск переполнен"_s);
        });
        QTRY_VERIFY(outcome->Acted);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(outcome->Ok());
        QVERIFY(restoredAtTheBox);
        QCOMPARE(text, u"Ошибка!\nТекст ошибки: "_s + (standard ? u"disk full"_s : u"Диск переполнен"_s));
        QVERIFY(m_main->isVisible());
    }

    void failingCommandEndsInTheErrorBox() {
        // No help file in this program folder: the command fails while a wait is shown.
        ShowWait(u"Открытие заказа\rЖдите..."_s);
        bool restoredAtTheBox = false;
        auto outcome = OnNextModal([&](QWidget* box) {
            restoredAtTheBox = Restored();
            box->findChild<QPushButton*>(u"ButtonOk"_s)->click();
        });
        QVERIFY(Action(u"Help"_s)->shortcut() == QKeySequence(Qt::Key_F1));
        Action(u"Help"_s)->trigger();
        QVERIFY(outcome->Ok());
        QVERIFY(restoredAtTheBox);
        QCOMPARE(TMessageBox::ShownTexts(),
                 QStringList{kErrorPrefix + u"Файл справки не найден: "_s + HomeFile(u"Help/Tevlar.html"_s)});
    }

    void helpOpensTheHelpFile() {
        QVERIFY(QDir(m_home.path()).mkpath(u"Help"_s));
        WriteBytes(HomeFile(u"Help/Tevlar.html"_s), "<html></html>");
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"text/html"_s});
        QTest::keyClick(m_main, Qt::Key_F1);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls(), QList<QStringList>{{HomeFile(u"Help/Tevlar.html"_s)}},
                                  20000);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QFile::remove(HomeFile(u"Help/Tevlar.html"_s));
    }

    void closingWhileAnOrderStaysOpenKeepsTheWindow() {
        auto* page = new QWidget;
        m_main->OrderControl->addTab(page, u"Заказ 1"_s);
        QVERIFY(!m_main->close());
        QVERIFY(m_main->isVisible());
        // What the close wrote stays written.
        QCOMPARE(TIniFile(HomeFile(u"system.ini"_s)).ReadString(u"SYSTEM"_s, u"Price_Data_Sort"_s), u"0#"_s);

        delete page;
        QVERIFY(m_main->close());
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void closingDuringAnOperationIsRefused() {
        auto info = OnNextModal([](QWidget* d) { d->findChild<QPushButton*>(u"Button_Exit"_s)->click(); });
        Action(u"NewOrder"_s)->trigger();
        QVERIFY(info->Ok());
        ShowWait(u"Обновление прайс-листа.\rЖдите..."_s);
        // The title bar's button, as the window manager sends it.
        QVERIFY(!m_main->close());
        QVERIFY(m_main->isVisible());
        QCOMPARE(m_main->OrderControl->count(), 1);
        QVERIFY(!QFileInfo::exists(HomeFile(u"system.ini"_s)));
        HideWait();
        QVERIFY(m_main->close());
        QCOMPARE(m_main->OrderControl->count(), 0);
        QVERIFY(QFileInfo::exists(HomeFile(u"system.ini"_s)));
    }

    void closingAsksAboutAModifiedOrder() {
        auto info = OnNextModal([](QWidget* d) { d->findChild<QPushButton*>(u"Button_Exit"_s)->click(); });
        Action(u"NewOrder"_s)->trigger();
        QVERIFY(info->Ok());
        QCOMPARE(m_main->OrderControl->tabText(0), u"Заказ №1 [Без имени]"_s);
        // Enter on the price grid adds the current article, as a double click does.
        auto line = OnNextModal([](QWidget* d) { d->findChild<QPushButton*>(u"Button_Ok"_s)->click(); });
        QTest::keyClick(m_main->Price_Data->TableViewGrid, Qt::Key_Return);
        QVERIFY(line->Ok());
        QVERIFY(m_main->Orders->CurrentOrder()->Modified);

        TMessageBox::SetNextAnswer(TMessageBox::Cancel);
        QVERIFY(!m_main->close());
        QCOMPARE(m_main->OrderControl->count(), 1);
        QCOMPARE(TMessageBox::ShownTexts().value(0),
                 u"В заказ №1 [Без имени] были внесены изменения. Сохранить заказ?"_s);
        TMessageBox::SetNextAnswer(TMessageBox::No);
        QVERIFY(m_main->close());
        QCOMPARE(m_main->OrderControl->count(), 0);
    }

    void mailAndExportCommandsActOnTheCurrentOrder() {
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s});
        const QString path = HomeFile(u"mail.zkz"_s);
        OrderFile::Write(path, {u"12"_s, QDate(2026, 12, 1)}, {{u"A1"_s, u"Ремень"_s, 2, 100, 200, {}}});
        m_main->OrderOpenFile(path);
        Idle();

        auto chosen = OnNextModal([](QWidget* dialog) {
            dialog->findChild<QListWidget*>(u"EMAILListBox"_s)->item(0)->setCheckState(Qt::Checked);
            dialog->findChild<QPushButton*>(u"Button_Ok"_s)->click();
        });
        Action(u"OrderSendEMAIL"_s)->trigger();
        QVERIFY(chosen->Ok());
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 1, 20000);
        QCOMPARE(TPrivateDesktop::ParseMailto(desktop.Calls()[0].value(0)).Subject,
                 u"Заказ №12 от 01.12.2026"_s);

        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TFileDialog::SetNextCancel();
        Action(u"OrderExportExcel"_s)->trigger();
        QCOMPARE(TMessageBox::ShownTexts().size(), 1);
        QVERIFY(TMessageBox::ShownTexts()[0].startsWith(u"ВАЖНО!!! Данная функция (Экспорт в Excel)"_s));
        QCOMPARE(TFileDialog::Shown().last().Title, u"Сохранение заказа в файл Excel"_s);
    }

    void commandLineOrderOpensBeforeTheWindowShows() {
        StopProgram();
        StartProgram({HomeFile(u"missing.zkz"_s)});
        QCOMPARE(m_main->OrderControl->count(), 0);
        StopProgram();

        const QString path = HomeFile(u"arg.zkz"_s);
        OrderFile::Write(path, {u"5"_s, QDate(2026, 12, 1)}, {{u"A1"_s, u"Ремень"_s, 2, 100, 200, {}}});
        StartProgram({path});
        QVERIFY(!m_main->isVisible());
        QCOMPARE(m_main->OrderControl->count(), 1);
        ShowProgram();
        QCOMPARE(m_main->OrderControl->tabText(0), u"Заказ №5 ["_s + path + u"]"_s);
        QVERIFY(m_main->OrderControl->currentWidget()->isVisible());
        QCOMPARE(m_main->Orders->CurrentOrder()->Order_data->Table->RecordCount(), 1);
        StopProgram();

        // Named relative to the folder the program starts in, the order keeps its whole path.
        const QString started = QDir::currentPath();
        QDir::setCurrent(m_home.path());
        StartProgram({u"arg.zkz"_s});
        QDir::setCurrent(started);
        QCOMPARE(m_main->OrderControl->tabText(0), u"Заказ №5 ["_s + path + u"]"_s);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void closingWithAnUnwritableSettingsFileStillCloses() {
        QVERIFY(QDir(m_home.path()).mkpath(u"system.ini"_s)); // a folder where the file should be
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        QVERIFY(m_main->close());
        // The placement and the view state: each write fails on its own.
        QCOMPARE(TMessageBox::ShownTexts().size(), 2);
        for (const QString& text : TMessageBox::ShownTexts())
            QVERIFY2(text.startsWith(kErrorPrefix), qPrintable(text));
        QVERIFY(QDir(HomeFile(u"system.ini"_s)).removeRecursively());
    }

    void viewPlacementAndLayoutSurviveARestart() {
        TTableView& view = *m_main->Price_Data;
        view.SetViewState(u"2#Name"_s, u"1#Presence=+|"_s);
        const int shown = view.Table->RecordCount();
        QVERIFY(shown > 0 && shown < kArticles);
        TDBGrid* grid = view.TableViewGrid;
        grid->horizontalHeader()->moveSection(0, 3); // Code after Price
        grid->SetColumnWidth(0, 222);                // Name, now first
        m_main->Splitter1->setSizes({m_main->Splitter1->height() - 303, 300});
        QCOMPARE(m_main->Panel1->height(), 300);
        QVERIFY(m_main->close());

        StopProgram();
        StartAndShowProgram();
        TTableView& again = *m_main->Price_Data;
        QCOMPARE(again.SortMode, TSortMode::Descending);
        QCOMPARE(again.SortField, u"Name"_s);
        QCOMPARE(again.FilterText, u"Presence=+|"_s);
        QCOMPARE(again.Table->RecordCount(), shown);
        QCOMPARE(Panel(0), u"Всего записей 50"_s);
        QCOMPARE(Panel(1), u"Отфильтовано"_s);
        QCOMPARE(again.TableViewGrid->Column(0).FieldName, u"Name"_s);
        QCOMPARE(again.TableViewGrid->Column(0).Width, 222);
        QCOMPARE(again.TableViewGrid->Column(3).FieldName, u"Code"_s);
        QCOMPARE(m_main->Panel1->height(), 300);
        QVERIFY(m_main->isMaximized());
        // The selection window holds every record, whatever the price view filters.
        QCOMPARE(Select().Select_Table->Table->RecordCount(), kArticles);
    }

    void damagedSettingsFileIsTolerated() {
        StopProgram();
        QByteArray garbage(4096, Qt::Uninitialized);
        QRandomGenerator random(11);
        for (char& c : garbage)
            c = char(random.bounded(256));
        WriteBytes(HomeFile(u"system.ini"_s),
                   garbage +
                       Cp1251::Encode(u"\r\n[SYSTEM]\r\nWindowState=0\r\nLeft=-50000\r\nTop=90000\r\n"
                                      u"Width=999999\r\nHeight=-5\r\nPanel1.Height=9000\r\n"
                                      u"Price_Data_Sort=9#НетТакого\r\nPrice_Data_Filter=мусор\r\n"
                                      u"[SYSTEM\\Price_DataTableViewGrid]\r\nTableViewGrid.Code=abc\r\n"
                                      u"TableViewGrid.Name=0,99999999\r\nTableViewGrid.Price=99,-20\r\n"
                                      u"TableViewGrid.=1,1\r\n"_s) +
                       garbage);
        StartAndShowProgram();
        QCOMPARE(m_main->Price_Data->Table->TotalRecordCount(), kArticles);
        const QRect screen = m_main->screen()->availableGeometry();
        // On the screen, and no larger than it.
        QVERIFY(screen.contains(m_main->frameGeometry().topLeft()));
        QVERIFY(m_main->width() <= screen.width() && m_main->height() <= screen.height());
        QVERIFY(m_main->Panel1->height() < m_main->Splitter1->height());
        TDBGrid* grid = m_main->Price_Data->TableViewGrid;
        QCOMPARE(grid->ColumnCount(), 11);
        for (int column = 0; column < grid->ColumnCount(); ++column) {
            QVERIFY(grid->Column(column).Width >= 10);
            QVERIFY(grid->Column(column).Width <= 2000);
        }
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QVERIFY(m_main->close());
    }

    // The whole program, started on a bad price list file, shows the error and ends.
    void badPriceListEndsTheProgram_data() {
        QTest::addColumn<QByteArray>("content"); // "<missing>" for no file
        QTest::addColumn<QString>("message");    // empty: any error
        QByteArray good = ReadBytes(HomeFile(u"data.iop"_s));
        QByteArray other = good;
        other.replace("\r\n1020\r\n", "\r\n1021\r\n");
        QByteArray garbage(100000, Qt::Uninitialized);
        QRandomGenerator random(5);
        for (char& c : garbage)
            c = char(random.bounded(256));
        QTest::newRow("missing") << QByteArray("<missing>") << VersionMessage({});
        QTest::newRow("empty") << QByteArray() << VersionMessage({});
        QTest::newRow("other version") << other << VersionMessage(u"1021"_s);
        QTest::newRow("truncated") << good.left(60) << VersionMessage({});
        QTest::newRow("garbage") << garbage << QString();
    }
    void badPriceListEndsTheProgram() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir home;
        if (content != "<missing>") WriteBytes(home.filePath(u"data.iop"_s), content);

        const TProgramRun run = RunProgram(home.path());
        QVERIFY2(run.Finished, "the program did not end");
        QCOMPARE(run.Status, QProcess::NormalExit);
        QCOMPARE(run.ExitCode, 1);
        const QString shown = u"tevlar: message box: "_s + kErrorPrefix + message;
        QVERIFY2(run.Errors.contains(shown), qPrintable(run.Errors));
        QCOMPARE(run.Errors.count(u"tevlar: message box: "_s), 1);
    }

    void truncatedPriceSectionStillStarts() {
        QTemporaryDir home;
        const QByteArray good = ReadBytes(HomeFile(u"data.iop"_s));
        WriteBytes(home.filePath(u"data.iop"_s), good.left(good.size() * 2 / 3));
        const QString shot = home.filePath(u"shot.png"_s);
        const TProgramRun run = RunProgram(home.path(), shot);
        QVERIFY2(run.Finished, "the program did not end");
        QCOMPARE(run.Status, QProcess::NormalExit);
        QCOMPARE(run.ExitCode, 0);
        QVERIFY2(!run.Errors.contains(u"message box"_s), qPrintable(run.Errors));
        QImage picture(shot);
        QVERIFY(!picture.isNull());
        QVERIFY(picture.width() > 600);
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TstMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
