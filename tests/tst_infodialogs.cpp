#include "app/AboutFormUnit.h"
#include "app/AutorFormUnit.h"
#include "app/MainFormUnit.h"
#include "app/SelectFormUnit.h"
#include "demo/DemoData.h"
#include "framework/LinkLabel.h"
#include "framework/StringGrid.h"
#include "ModalHelper.h"
#include "price/PriceList.h"
#include "PrivateDesktop.h"
#include "ProgramFixture.h"
#include "shell/FlashForm.h"
#include "shell/VendorInfo.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>

#include <QHeaderView>
#include <QScrollBar>

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList Column(const TStringGrid& grid, int col) {
    QStringList cells;
    for (int row = 0; row < grid.RowCount(); ++row)
        cells << grid.Cells(col, row);
    return cells;
}

const QString kSubject = u"Программа \"Тевлар\""_s;

} // namespace

class TstInfoDialogs : public QObject, TProgramFixture {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(m_home.isValid());
        UseProgramFolder(m_home.path());
        Demo::WritePriceList(m_home.filePath(u"data.iop"_s), Demo::MakeArticles({.Articles = 20, .Seed = 3}));
    }

    void versionTextComesFromTheFileVersion() {
        QCOMPARE(ProgramVersionText(u"1.0.2.0"_s), u"1.0 (2)"_s);
        QCOMPARE(ProgramVersionText(u"2.11.305.7"_s), u"2.11 (305)"_s);
        for (const QString& missing : {QString(), u"1.0.2"_s, u"1.0.2.0.1"_s, u"1.x.2.0"_s})
            QCOMPARE(ProgramVersionText(missing), u"ошибка!"_s);

        // Whatever the version, the label shows it in that form, never the error text.
        TPriceList list;
        TAboutForm form(list, nullptr);
        QVERIFY2(QRegularExpression(u"^версия \\d+\\.\\d+ \\(\\d+\\)   $"_s)
                     .match(form.VersionLabel->text())
                     .hasMatch(),
                 qPrintable(form.VersionLabel->text()));
        QCOMPARE(form.PageControl->currentWidget(), form.TabSheet_About);
        QCOMPARE(form.windowTitle(), u"Информация"_s);
    }

    void gridsAreRefilledEachTimeTheDialogShows() {
        TPriceList list;
        list.PriceInfo = {
            {u"Поставщик"_s, u"ООО \"Велстрон\""_s}, {u"Дата"_s, u"01.12.2026"_s}, {u"Валюта"_s, {}}};
        list.DiscountScale = {{5000, 3}, {12500.5, 7.25}, {1000000, 10}};
        TAboutForm form(list, nullptr);

        form.show();
        QCOMPARE(form.InfPrice->RowCount(), 4);
        QCOMPARE(Column(*form.InfPrice, 0),
                 (QStringList{u"Параметр"_s, u"Поставщик"_s, u"Дата"_s, u"Валюта"_s}));
        QCOMPARE(Column(*form.InfPrice, 1),
                 (QStringList{u"Значение"_s, u"ООО \"Велстрон\""_s, u"01.12.2026"_s, QString()}));
        QCOMPARE(Column(*form.InfDiscount, 0),
                 (QStringList{u"Сумма, руб"_s, u"от 5000,00"_s, u"от 12500,50"_s, u"от 1000000,00"_s}));
        QCOMPARE(Column(*form.InfDiscount, 1),
                 (QStringList{u"Скидка, %"_s, u"3,00"_s, u"7,25"_s, u"10,00"_s}));
        QCOMPARE(form.AutorLabel->text(), u"Автор: ООО \"Велстрон\""_s);
        form.hide();

        // A new price list without information: one empty row under the titles.
        list.PriceInfo.clear();
        list.DiscountScale.clear();
        form.show();
        QCOMPARE(Column(*form.InfPrice, 0), (QStringList{u"Параметр"_s, QString()}));
        QCOMPARE(Column(*form.InfPrice, 1), (QStringList{u"Значение"_s, QString()}));
        QCOMPARE(Column(*form.InfDiscount, 0), (QStringList{u"Сумма, руб"_s, QString()}));
        QCOMPARE(Column(*form.InfDiscount, 1), (QStringList{u"Скидка, %"_s, QString()}));
    }

    void cleanup() { StopProgram(); }

    void infoGridKeepsItsFirstColumnAndResizesRows() {
        TPriceList list;
        list.PriceInfo = {{u"Поставщик"_s, QString(400, u'ж')}, {u"Дата"_s, u"01.12.2026"_s}};
        TAboutForm form(list, nullptr);
        form.PageControl->setCurrentWidget(form.TabSheet_Price);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TStringGrid& grid = *form.InfPrice;
        QHeaderView* fixed = grid.verticalHeader();
        QCOMPARE(grid.Cells(0, 1), u"Поставщик"_s);
        QCOMPARE(fixed->model()->headerData(0, Qt::Vertical).toString(), u"Поставщик"_s);

        // The value column widened beyond the dialog and scrolled to its end: the parameters stay.
        grid.SetColWidth(1, 2000);
        QTRY_VERIFY(grid.horizontalScrollBar()->maximum() > 0);
        // Taken once the scroll bar is laid out, which shortens the column of titles.
        QTRY_VERIFY(grid.horizontalScrollBar()->isVisible());
        QTRY_COMPARE(fixed->height(), grid.viewport()->height());
        const QRect titles = fixed->geometry();
        grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
        QVERIFY(fixed->isVisible());
        QCOMPARE(fixed->geometry(), titles);

        // The border under a row, dragged down in the fixed column, makes the row taller.
        const int height = grid.rowHeight(0);
        const QPoint border(fixed->width() / 2, fixed->sectionViewportPosition(0) + height - 1);
        QTest::mousePress(fixed->viewport(), Qt::LeftButton, {}, border);
        QTest::mouseMove(fixed->viewport(), border + QPoint(0, 15));
        QTest::mouseRelease(fixed->viewport(), Qt::LeftButton, {}, border + QPoint(0, 15));
        QVERIFY2(grid.rowHeight(0) > height, qPrintable(QString::number(grid.rowHeight(0))));
    }

    void commandsShowTheirPage() {
        StartAndShowProgram();
        TMainForm& main = *m_main;
        TAboutForm& about = m_program->AboutForm();
        TAutorForm& autor = m_program->AutorForm();

        const QList<std::pair<QAction*, QWidget*>> commands = {
            {main.InfPrice, about.TabSheet_Price},
            {main.InfDiscount, about.TabSheet_Discount},
            {main.InfAbout, about.TabSheet_About},
        };
        for (const auto& [command, page] : commands) {
            QWidget* shownPage = nullptr;
            int priceRows = 0;
            auto outcome = OnNextModal([&](QWidget* dialog) {
                if (dialog == &about) shownPage = about.PageControl->currentWidget();
                priceRows = about.InfPrice->RowCount();
                about.Button_Close->click();
            });
            QVERIFY(command->isEnabled());
            command->trigger();
            QVERIFY(outcome->Ok());
            QCOMPARE(shownPage, page);
            QCOMPARE(priceRows, 1 + int(main.PriceList.PriceInfo.size()));
        }

        // The grids' context menus offer the copy command.
        for (TStringGrid* grid : {about.InfPrice, about.InfDiscount}) {
            QCOMPARE(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
            QCOMPARE(grid->actions(), QList<QAction*>{main.CopyRecordinStringGrid});
        }

        QString vendorTitle;
        auto outcome = OnNextModal([&](QWidget* dialog) {
            vendorTitle = dialog->windowTitle();
            autor.Button_Close->click();
        });
        main.InfAutor->trigger();
        QVERIFY(outcome->Ok());
        QCOMPARE(vendorTitle, u"Информация ООО \"Велстрон\""_s);
    }

    void aboutLinksWriteToTheDeveloperAndOpenTheVendor() {
        StartAndShowProgram();
        TAboutForm& about = m_program->AboutForm();
        TAutorForm& autor = m_program->AutorForm();
        about.show();
        QCOMPARE(about.MainLabel->text(), Vendor::DeveloperName.toString());
        QCOMPARE(about.MainLabel->toolTip(), u"Написать письмо разработчику"_s);
        QCOMPARE(about.AutorLabel->toolTip(), u"Информация о авторе"_s);

        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s});
        QTest::mouseClick(about.MainLabel, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 1, 20000);
        const TPrivateDesktop::TMailto mail = TPrivateDesktop::ParseMailto(desktop.Calls()[0].value(0));
        QCOMPARE(mail.To, QStringList{u"tevlar@developer.example"_s});
        QCOMPARE(mail.Subject, kSubject);
        QCOMPARE(mail.Body, QString());

        bool vendorShown = false;
        auto outcome = OnNextModal([&](QWidget* dialog) {
            vendorShown = dialog == &autor;
            autor.Button_Close->click();
        });
        QTest::mouseClick(about.AutorLabel, Qt::LeftButton);
        QVERIFY(outcome->Ok());
        QVERIFY(vendorShown);
    }

    void vendorDialogShowsTheVendorWithLinks() {
        TAutorForm autor;
        QString focused;
        auto outcome = OnNextModal([&](QWidget*) {
            focused = autor.focusWidget() ? autor.focusWidget()->objectName() : QString();
            autor.Button_Close->click();
        });
        autor.exec();
        QVERIFY(outcome->Ok());
        QCOMPARE(focused, u"Button_Close"_s);
        QCOMPARE(autor.AUTOR_NAME_Label->text(), u"ООО \"Велстрон\""_s);
        // The example vendor file's values.
        QCOMPARE(autor.AUTOR_EMAIL1_Label->text(),
                 u"\"ООО Велстрон, отдел продаж\" <zakaz@velstron.example>"_s);
        QCOMPARE(autor.AUTOR_EMAIL2_Label->text(), u"\"ООО Велстрон, склад\" <sklad@velstron.example>"_s);
        QCOMPARE(autor.AUTOR_WEB_Label->text(), u"www.velstron.example"_s);
        QCOMPARE(autor.AUTOR_EMAIL1_Label->toolTip(), u"Написать письмо"_s);
        QCOMPARE(autor.AUTOR_WEB_Label->toolTip(), u"Открыть сайт"_s);
        QCOMPARE(autor.AUTOR_ADRESS_Memo->toPlainText().split(u'\n'),
                 (QStringList{u"000000, г. Ольмеград, а/я 00"_s, u"ул. Заводская, д. 1"_s,
                              u"тел. (000) 000-00-00, факс (000) 000-00-01"_s}));
        QVERIFY(autor.AUTOR_ADRESS_Memo->isReadOnly());

        autor.show();
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s, u"x-scheme-handler/http"_s});
        QTest::mouseClick(autor.AUTOR_EMAIL2_Label, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 1, 20000);
        const TPrivateDesktop::TMailto mail = TPrivateDesktop::ParseMailto(desktop.Calls()[0].value(0));
        QCOMPARE(mail.To, QStringList{u"\"ООО Велстрон, склад\" <sklad@velstron.example>"_s});
        QCOMPARE(mail.Subject, kSubject);

        QTest::mouseClick(autor.AUTOR_WEB_Label, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 2, 20000);
        QVERIFY(desktop.Calls().contains(QStringList{u"http://www.velstron.example"_s}));
    }
};

QTEST_MAIN(TstInfoDialogs)
#include "tst_infodialogs.moc"
