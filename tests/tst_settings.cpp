#include "app/SettingFormUnit.h"
#include "framework/IniFile.h"
#include "framework/MessageBox.h"
#include "ModalHelper.h"
#include "shell/FormStorage.h"
#include "shell/VendorInfo.h"
#include "text/Cp1251.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTableView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QLineEdit* Edit(QWidget* dialog, const QString& name) {
    return dialog->findChild<QLineEdit*>(name);
}
QCheckBox* Presence(QWidget* dialog) {
    return dialog->findChild<QCheckBox*>(u"LightPresense"_s);
}
void Click(QWidget* dialog, const QString& name) {
    dialog->findChild<QPushButton*>(name)->click();
}

// Key presses carrying any character (QTest::keyClicks knows only ASCII).
void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

const QStringList kEdits{u"EDIT_ORGNAME"_s, u"EDIT_ADRESS"_s,   u"EDIT_PHONE"_s,   u"EDIT_PERSON"_s,
                         u"URLEdit"_s,      u"ProxyHostEdit"_s, u"ProxyPortEdit"_s};

// A price grid stand-in: a table whose header sections are the columns.
struct Grid {
    QStandardItemModel Model{2, 3};
    QTableView View;
    Grid() {
        Model.setHorizontalHeaderLabels({u"Code"_s, u"Name"_s, u"Price"_s});
        View.setModel(&Model);
    }
    QHeaderView* Header() { return View.horizontalHeader(); }
    TGridBinding Binding() {
        return TFormStorage::HeaderBinding(u"Price_Data"_s, Header(), [this](int logical) {
            return Model.headerData(logical, Qt::Horizontal).toString();
        });
    }
    QStringList VisualOrder() {
        QStringList names;
        for (int visual = 0; visual < Header()->count(); ++visual)
            names << Model.headerData(Header()->logicalIndex(visual), Qt::Horizontal).toString();
        return names;
    }
};

} // namespace

class TstSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString IniPath() const { return m_dir.filePath(u"system.ini"_s); }

    void WriteIni(const QString& text) {
        QFile file(IniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Cp1251::Encode(text));
    }
    QByteArray IniBytes() const {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString Stored(const QString& key, const QString& section = u"SYSTEM"_s) const {
        return TIniFile(IniPath()).ReadString(section, key, u"<absent>"_s);
    }

private Q_SLOTS:
    void init() {
        QFile::remove(IniPath());
        TMessageBox::Reset();
    }

    void firstRunShowsDefaultsAndOkWritesAllTenValues() {
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        storage.RestoreFormPlacement();
        TSettingForm form(storage);
        QStringList texts;
        bool ticked = false;
        int page = -1;
        auto outcome = OnNextModal([&](QWidget* dialog) {
            for (const QString& name : kEdits)
                texts << Edit(dialog, name)->text();
            ticked = Presence(dialog)->isChecked();
            page = dialog->findChild<QTabWidget*>(u"PageControl"_s)->currentIndex();
            Click(dialog, u"Button_Ok"_s);
        });
        form.OpenSetting();
        QVERIFY(outcome->Ok());
        QCOMPARE(form.windowTitle(), u"Настройки"_s);
        QCOMPARE(
            texts,
            (QStringList{
                {}, {}, {}, {}, u"www.velstron.example/dynamic/upload/upload/upgrade.zip"_s, {}, u"80"_s}));
        QVERIFY(ticked);
        QCOMPARE(page, 0);

        // The keys other versions of the program read, in the order they are written.
        QStringList keys;
        for (const auto& [key, value] : TIniFile(IniPath()).ReadSectionValues(u"SYSTEM"))
            keys << key;
        QCOMPARE(keys, (QStringList{u"Price_Data_Filter"_s, u"Price_Data_Sort"_s, u"FOrgName"_s, u"FAdress"_s,
                                    u"FPhone"_s, u"FContactPerson"_s, u"FURL"_s, u"FProxi"_s, u"FProxiPort"_s,
                                    u"FLightPresense"_s}));
        QCOMPARE(Stored(u"FLightPresense"_s), u"1"_s);
        QCOMPARE(Stored(u"FURL"_s), Vendor::DefaultUpdateAddress());
        QCOMPARE(Stored(u"FProxiPort"_s), u"80"_s);
        QCOMPARE(Stored(u"FOrgName"_s), QString());
        QCOMPARE(Stored(u"Price_Data_Sort"_s), QString());
    }

    void presenceBox_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("absent") << u"<absent>"_s << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("1") << u"1"_s << true;
        QTest::newRow("0") << u"0"_s << false;
        QTest::newRow("x") << u"x"_s << false;
        QTest::newRow(" 1") << u" 1"_s << false;
    }
    void presenceBox() {
        QFETCH(QString, stored);
        QFETCH(bool, ticked);
        WriteIni(stored == u"<absent>" ? u"[SYSTEM]\r\n"_s
                                       : u"[SYSTEM]\r\nFLightPresense="_s + stored + u"\r\n"_s);
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        storage.LoadStoredValues();
        QCOMPARE(storage.LightPresense(), ticked);
        TSettingForm form(storage);
        bool shown = !ticked;
        auto outcome = OnNextModal([&](QWidget* dialog) {
            shown = Presence(dialog)->isChecked();
            Click(dialog, u"Button_Ok"_s);
        });
        form.OpenSetting();
        QVERIFY(outcome->Ok());
        QCOMPARE(shown, ticked);
        QCOMPARE(Stored(u"FLightPresense"_s), ticked ? u"1"_s : u"0"_s);
    }

    void defaultsLeaveTheContactsAndCancelStoresNothing() {
        WriteIni(u"[SYSTEM]\r\nFOrgName=ООО Ромашка\r\nFURL=host/u.zip\r\nFProxi=proxy\r\nFProxiPort=3128\r\n"
                 u"FLightPresense=0\r\n"_s);
        const QByteArray before = IniBytes();
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        storage.LoadStoredValues();
        TSettingForm form(storage);
        QStringList afterDefault;
        bool tickedAfterDefault = false;
        auto outcome = OnNextModal([&](QWidget* dialog) {
            Edit(dialog, u"EDIT_ORGNAME"_s)->setText(u"Новое имя"_s);
            Edit(dialog, u"EDIT_PERSON"_s)->setText(u"Петров"_s);
            Click(dialog, u"ButtonDefault"_s);
            for (const QString& name : kEdits)
                afterDefault << Edit(dialog, name)->text();
            tickedAfterDefault = Presence(dialog)->isChecked();
            Click(dialog, u"Button_Exit"_s);
        });
        form.OpenSetting();
        QVERIFY(outcome->Ok());
        QCOMPARE(
            afterDefault,
            (QStringList{u"Новое имя"_s, {}, {}, u"Петров"_s, Vendor::DefaultUpdateAddress(), {}, u"80"_s}));
        QVERIFY(tickedAfterDefault);
        QCOMPARE(IniBytes(), before);
        QCOMPARE(storage.StoredValue(TStoredValue::FOrgName), u"ООО Ромашка"_s);

        // The next opening shows the stored values again.
        QStringList reopened;
        bool ticked = true;
        outcome = OnNextModal([&](QWidget* dialog) {
            for (const QString& name : kEdits)
                reopened << Edit(dialog, name)->text();
            ticked = Presence(dialog)->isChecked();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        form.OpenSetting();
        QVERIFY(outcome->Ok());
        QCOMPARE(reopened,
                 (QStringList{u"ООО Ромашка"_s, {}, {}, {}, u"host/u.zip"_s, u"proxy"_s, u"3128"_s}));
        QVERIFY(!ticked);
        QCOMPARE(IniBytes(), before);
    }

    void okStoresTextsAsTyped() {
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        TSettingForm form(storage);
        auto outcome = OnNextModal([&](QWidget* dialog) {
            Edit(dialog, u"EDIT_ORGNAME"_s)->setText(u"  ООО «Рога и копыта»  "_s);
            Edit(dialog, u"ProxyPortEdit"_s)->setText(u"не число"_s);
            Edit(dialog, u"URLEdit"_s)->clear();
            // Characters that Windows-1251 lacks cannot be typed.
            Type(Edit(dialog, u"EDIT_PHONE"_s), u"8✓(000)€"_s);
            Click(dialog, u"Button_Ok"_s);
        });
        form.OpenSetting();
        QVERIFY(outcome->Ok());
        QCOMPARE(Stored(u"FOrgName"_s), u"  ООО «Рога и копыта»  "_s);
        QCOMPARE(Stored(u"FProxiPort"_s), u"не число"_s);
        QCOMPARE(Stored(u"FURL"_s), QString());
        QCOMPARE(Stored(u"FPhone"_s), u"8(000)€"_s);
    }

    void failedWriteKeepsTheDialogOpen() {
        TFormStorage storage(m_dir.filePath(u"missing/system.ini"_s), u"SYSTEM"_s);
        TSettingForm form(storage);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        bool stillOpen = false;
        auto outcome = OnNextModal([&](QWidget* dialog) {
            Edit(dialog, u"EDIT_ORGNAME"_s)->setText(u"ООО Ромашка"_s);
            Click(dialog, u"Button_Ok"_s);
            stillOpen = dialog->isVisible();
            Click(dialog, u"Button_Exit"_s);
        });
        form.OpenSetting();
        QVERIFY(outcome->Ok());
        QVERIFY(stillOpen);
        QCOMPARE(TMessageBox::ShownTexts().size(), 1);
        QVERIFY(
            TMessageBox::ShownTexts()[0].startsWith(u"Ошибка!\rТекст ошибки: Не удалось записать файл"_s));
        // Cancel after the failure: new orders and the save at close see what was stored, not what was typed.
        QCOMPARE(storage.StoredValue(TStoredValue::FOrgName), QString());
    }

    void typingGoesIntoTheFirstFieldOfThePage() {
        TFormStorage storage(m_dir.filePath(u"system.ini"_s), u"SYSTEM"_s);
        TSettingForm form(storage);
        QStringList focused;
        for (const int page : {0, 2}) {
            form.findChild<QTabWidget*>(u"PageControl"_s)->setCurrentIndex(page);
            auto outcome = OnNextModal([&](QWidget* dialog) {
                QTRY_VERIFY(dialog->isActiveWindow());
                focused.append(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                           : QString());
                Click(dialog, u"Button_Exit"_s);
            });
            form.OpenSetting();
            QVERIFY(outcome->Ok());
        }
        QCOMPARE(focused, (QStringList{u"EDIT_ORGNAME"_s, u"URLEdit"_s}));
    }

    void valuesPlacementAndLayoutsSurviveAReload() {
        // A section that another window keeps in the same file, written after the storage read it.
        QWidget window;
        window.setObjectName(u"MainForm"_s);
        window.resize(500, 300);
        window.move(40, 30);
        window.show();
        int panelHeight = 180;
        Grid grid;
        grid.Header()->moveSection(2, 0);
        grid.Header()->resizeSection(1, 250);
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        storage.AttachWindow(&window);
        storage.AttachHeight(
            u"Panel1"_s, [&] { return panelHeight; }, [](int) {});
        storage.AttachGrid(grid.Binding());
        storage.AttachViewState([] { return TViewState{u"2#Name"_s, u"1#Name=*фильтр*"_s}; });
        storage.RestoreFormPlacement();
        {
            TIniFile other(IniPath());
            other.WriteString(u"SYSTEM\\EMAILForm", u"Item0", u"1");
            other.UpdateFile();
        }
        storage.SetStoredValue(TStoredValue::FOrgName, u"ООО \"Ромашка\"; филиал №2"_s);
        storage.SaveFormPlacement();
        storage.SaveViewState();
        QCOMPARE(Stored(u"Price_Data_Sort"_s), u"2#Name"_s);
        QCOMPARE(Stored(u"Item0"_s, u"SYSTEM\\EMAILForm"_s), u"1"_s);
        QCOMPARE(Stored(u"TableViewGrid.Name"_s, u"SYSTEM\\Price_DataTableViewGrid"_s), u"2,250"_s);

        QWidget restored;
        int restoredHeight = 0;
        Grid restoredGrid;
        TFormStorage again(IniPath(), u"SYSTEM"_s);
        again.AttachWindow(&restored);
        again.AttachHeight(
            u"Panel1"_s, [] { return 0; }, [&](int h) { restoredHeight = h; });
        again.AttachGrid(restoredGrid.Binding());
        again.RestoreFormPlacement();
        QCOMPARE(restored.pos(), QPoint(40, 30));
        QCOMPARE(restored.size(), QSize(500, 300));
        QCOMPARE(restoredHeight, 180);
        QCOMPARE(restoredGrid.VisualOrder(), (QStringList{u"Price"_s, u"Code"_s, u"Name"_s}));
        QCOMPARE(restoredGrid.Header()->sectionSize(1), 250);
        QCOMPARE(again.StoredValue(TStoredValue::Price_Data_Sort), u"2#Name"_s);
        QCOMPARE(again.StoredValue(TStoredValue::Price_Data_Filter), u"1#Name=*фильтр*"_s);
        QCOMPARE(again.StoredValue(TStoredValue::FOrgName), u"ООО \"Ромашка\"; филиал №2"_s);
    }

    void maximizedWindowKeepsItsNormalPlacement() {
        QWidget window;
        window.resize(400, 250);
        window.move(20, 10);
        window.show();
        window.setWindowState(Qt::WindowMaximized);
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        storage.AttachWindow(&window);
        storage.SaveFormPlacement();
        QCOMPARE(Stored(u"WindowState"_s), u"2"_s);
        QCOMPARE(Stored(u"Width"_s), u"400"_s);

        QWidget restored;
        TFormStorage again(IniPath(), u"SYSTEM"_s);
        again.AttachWindow(&restored);
        again.RestoreFormPlacement();
        QVERIFY(restored.windowState() & Qt::WindowMaximized);
    }

    void damagedFileIsTolerated_data() {
        QTest::addColumn<QByteArray>("content");
        QByteArray garbage(4096, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919) % 251);
        QTest::newRow("garbage") << garbage;
        QTest::newRow("no sections") << QByteArray("FOrgName=x\r\nLeft=10\r\n");
        QTest::newRow("other sections only") << QByteArray("[OTHER]\r\nFOrgName=x\r\n");
        QTest::newRow("empty") << QByteArray();
    }
    void damagedFileIsTolerated() {
        QFETCH(QByteArray, content);
        {
            QFile file(IniPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QWidget window;
        window.setGeometry(30, 40, 300, 200);
        Grid grid;
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        storage.AttachWindow(&window);
        storage.AttachGrid(grid.Binding());
        storage.RestoreFormPlacement();
        QCOMPARE(window.geometry(), QRect(30, 40, 300, 200));
        QCOMPARE(grid.VisualOrder(), (QStringList{u"Code"_s, u"Name"_s, u"Price"_s}));
        for (const TStoredValue value : kStoredValues)
            QCOMPARE(storage.StoredValue(value), QString());
        QVERIFY(storage.LightPresense());
        // Saving over it works, and keeps what it did not understand.
        storage.SaveFormPlacement();
        QVERIFY(IniBytes().startsWith(content.left(content.indexOf('\n'))));
    }

    void absurdValuesAreTolerated() {
        WriteIni(u"[SYSTEM]\r\nWindowState=7\r\nLeft=50000\r\nTop=-40000\r\nWidth=999999\r\nHeight=-5\r\n"
                 u"Panel1.Height=-7\r\nActiveControl=nothing\r\n"
                 u"[SYSTEM\\Price_DataTableViewGrid]\r\n"
                 u"TableViewGrid.Name=abc\r\n"
                 u"TableViewGrid.Code=1,99999999\r\n"
                 u"TableViewGrid.Price=-3,50\r\n"
                 u"TableViewGrid.=0,10\r\n"
                 u"TableViewGrid.Qty=0,-100\r\n"
                 u"Other=0,10\r\n"_s);
        QWidget window;
        bool heightSet = false;
        Grid grid;
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        storage.AttachWindow(&window);
        storage.AttachHeight(
            u"Panel1"_s, [] { return 0; }, [&](int) { heightSet = true; });
        storage.AttachGrid(grid.Binding());
        storage.RestoreFormPlacement();

        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(
            screen.contains(window.frameGeometry()),
            qPrintable(
                u"%1,%2 %3x%4"_s.arg(window.x()).arg(window.y()).arg(window.width()).arg(window.height())));
        QVERIFY(window.width() > 100 && window.height() > 100);
        QVERIFY(!(window.windowState() & Qt::WindowMaximized));
        QVERIFY(!heightSet);
        QCOMPARE(storage.ReadGridLayout(u"Price_Data"_s),
                 (QList<TColumnLayout>{{u"Qty"_s, 0, 10}, {u"Code"_s, 1, 2000}}));
        QCOMPARE(grid.VisualOrder(), (QStringList{u"Code"_s, u"Name"_s, u"Price"_s}));
        QCOMPARE(grid.Header()->sectionSize(0), 2000);
    }

    void windowOffEveryScreenComesBack() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // Only the top left corner of the title bar would show: not enough to grab it.
        WriteIni(u"[SYSTEM]\r\nLeft=%1\r\nTop=%2\r\nWidth=400\r\nHeight=300\r\n"_s.arg(screen.right() - 20)
                     .arg(screen.bottom() - 10));
        QWidget window;
        TFormStorage storage(IniPath(), u"SYSTEM"_s);
        storage.AttachWindow(&window);
        storage.RestoreFormPlacement();
        QCOMPARE(window.size(), QSize(400, 300));
        QCOMPARE(window.frameGeometry().center(), screen.center());

        // Partly off the screen but with its title bar in reach: left where the user put it.
        WriteIni(u"[SYSTEM]\r\nLeft=-200\r\nTop=50\r\nWidth=400\r\nHeight=300\r\n"_s);
        storage.RestoreFormPlacement();
        QCOMPARE(window.pos(), QPoint(-200, 50));
    }
};

QTEST_MAIN(TstSettings)
#include "tst_settings.moc"
