#include "FileSizeLimit.h"
#include "ModalHelper.h"
#include "OrderTestBase.h"
#include "TestFiles.h"

#include "framework/CalcEdit.h"
#include "framework/DBGrid.h"
#include "framework/FileDialog.h"
#include "framework/MemTable.h"
#include "framework/MessageBox.h"
#include "order/ContactFormUnit.h"
#include "order/EditFormUnit.h"
#include "order/OrderFrameUnit.h"
#include "order/OrderTabs.h"
#include "order/OrderTotals.h"
#include "price/PriceList.h"
#include "price/TableViewUnit.h"
#include "shell/FormStorage.h"
#include "text/TException.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct TArticle {
    QString Code, Name;
    double Price;
};

// Presses a button of the next modal dialog after an optional action on it.
std::shared_ptr<ModalOutcome> Answer(const QString& button, std::function<void(QWidget*)> before = {}) {
    return OnNextModal([button, before = std::move(before)](QWidget* dialog) {
        if (before) before(dialog);
        dialog->findChild<QPushButton*>(button)->click();
    });
}

} // namespace

class TstOrders : public TOrderTestBase {
    Q_OBJECT

    void SetPrices(const QList<TArticle>& articles) {
        TMemTable& table = *m_price->Table;
        table.Close();
        table.Open();
        for (const TArticle& a : articles) {
            table.Append();
            table.FieldByName(u"Code").SetAsString(a.Code);
            table.FieldByName(u"Name").SetAsString(a.Name);
            table.FieldByName(u"Price").SetAsFloat(a.Price);
            table.Post();
        }
        table.First();
    }

    bool GoToArticle(const QString& code) {
        TMemTable& table = *m_price->Table;
        return table.Locate(table.FieldByName(u"Code").Index(), code, {});
    }

    // A new order, its information dialog closed with the given button.
    TOrderFrame* NewOrder(const QString& button = u"Button_Exit"_s) {
        auto outcome = Answer(button);
        m_orders->NewOrderExecute();
        [&] { QVERIFY(outcome->Ok()); }();
        return m_orders->CurrentOrder();
    }

    // Adds the price row of the code through the line dialog with a quantity.
    QString AddArticle(const QString& code, double count, const QString& comment = {}) {
        if (!GoToArticle(code)) return u"no article"_s;
        auto title = std::make_shared<QString>();
        auto outcome = Answer(u"Button_Ok"_s, [=](QWidget* dialog) {
            *title = dialog->windowTitle();
            dialog->findChild<TCalcEdit*>(u"EDIT_COUNT"_s)->SetValue(count);
            if (!comment.isEmpty()) dialog->findChild<QLineEdit*>(u"EDIT_COMMENT"_s)->setText(comment);
        });
        m_orders->AddFromPrice();
        return outcome->Ok() ? *title : u"no dialog"_s;
    }

    static double LineValue(TOrderFrame* order, int recNo, const QString& field) {
        TMemTable& t = *order->Order_data->Table;
        return t.RowFloat(t.RowAt(recNo), t.FieldByName(field).Index());
    }

    void MarkModified(TOrderFrame* order) {
        order->Modified = true;
        order->UpdateStatus();
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init() {
        StartOrders();
        SetPrices({{u"AB1"_s, u"Фильтр"_s, 40},
                   {u"AB12"_s, u"Фильтр длинный"_s, 100},
                   {u"тр7"_s, u"Свеча"_s, 250}});
    }

    void cleanup() { StopOrders(); }

    void numbersBySlotsAndNeverReusesThem() {
        NewOrder();
        TOrderFrame* second = NewOrder();
        QCOMPARE(m_orderControl->count(), 2);
        QCOMPARE(m_orderControl->tabText(0), u"Заказ №1 [Без имени]"_s);
        QCOMPARE(m_orderControl->tabText(1), u"Заказ №2 [Без имени]"_s);
        QCOMPARE(m_orders->CurrentOrder(), second);
        QVERIFY(m_orders->OrderCloseAllExecute());
        QCOMPARE(m_orderControl->count(), 0);
        QVERIFY(TMessageBox::ShownTexts().isEmpty()); // unmodified orders close without a question
        NewOrder();
        QCOMPARE(m_orderControl->tabText(0), u"Заказ №3 [Без имени]"_s);
    }

    void newOrderOpensItsInformationPrefilled() {
        auto seen = std::make_shared<QStringList>();
        auto outcome = Answer(u"Button_Ok"_s, [=](QWidget* dialog) {
            *seen << dialog->findChild<QLineEdit*>(u"EDIT_NUMBER"_s)->text()
                  << dialog->findChild<QLineEdit*>(u"EDIT_ORGNAME"_s)->text()
                  << dialog->findChild<QLineEdit*>(u"EDIT_PHONE"_s)->text();
            dialog->findChild<QLineEdit*>(u"EDIT_NUMBER"_s)->setText(u"А-17"_s);
        });
        m_orders->NewOrderExecute();
        QVERIFY(outcome->Ok());
        QCOMPARE(*seen, (QStringList{u"1"_s, u"ООО Ромашка"_s, u"12-34-56"_s}));
        TOrderFrame* order = m_orders->CurrentOrder();
        QCOMPARE(m_orderControl->tabText(0), u"Заказ №А-17 [Без имени]"_s);
        // The dialog of the creation is no change: the empty order closes without a question.
        QVERIFY(!order->Modified);
        QVERIFY(m_orders->OrderCloseAllExecute());
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void confirmedInformationMarksTheOrderModified() {
        TOrderFrame* order = NewOrder();
        auto cancelled = Answer(u"Button_Exit"_s, [](QWidget* d) {
            d->findChild<QLineEdit*>(u"EDIT_NUMBER"_s)->setText(u"9"_s);
        });
        m_orders->OrderInfExecute();
        QVERIFY(cancelled->Ok());
        QCOMPARE(order->Header.OrderNumber, u"1"_s);
        QVERIFY(!order->Modified);

        // "По умолчанию" then "Отмена" leaves the contact data as it was.
        order->Header.OrgName = u"Другая"_s;
        auto defaulted = Answer(u"Button_Exit"_s,
                                [](QWidget* d) { d->findChild<QPushButton*>(u"ButtonDefault"_s)->click(); });
        m_orders->OrderInfExecute();
        QVERIFY(defaulted->Ok());
        QCOMPARE(order->Header.OrgName, u"Другая"_s);

        // OK without a change is no change.
        auto unchanged = Answer(u"Button_Ok"_s);
        m_orders->OrderInfExecute();
        QVERIFY(unchanged->Ok());
        QVERIFY(!order->Modified);

        auto confirmed = Answer(
            u"Button_Ok"_s, [](QWidget* d) { d->findChild<QLineEdit*>(u"EDIT_NUMBER"_s)->setText(u"9"_s); });
        m_orders->OrderInfExecute();
        QVERIFY(confirmed->Ok());
        QCOMPARE(m_orderControl->tabText(0), u"Заказ №9 [Без имени]"_s);
        QVERIFY(order->Modified);
        QCOMPARE(order->StatusPanels[1]->text(), u"Изменен"_s);
    }

    void tabWalksTheInformationTopToBottom() {
        NewOrder();
        QStringList visited;
        auto outcome = Answer(u"Button_Exit"_s, [&](QWidget* dialog) {
            QTRY_VERIFY(dialog->isActiveWindow());
            for (int i = 0; i < 5; ++i) {
                visited.append(QApplication::focusWidget()->objectName());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
        });
        m_orders->OrderInfExecute();
        QVERIFY(outcome->Ok());
        // The date takes one stop, in its place.
        QCOMPARE(visited, (QStringList{u"EDIT_NUMBER"_s, u"EDIT_DATE"_s, u"EDIT_COMMENT"_s, u"EDIT_ORGNAME"_s,
                                       u"EDIT_ADRESS"_s}));
    }

    void discountRule_data() {
        QTest::addColumn<double>("total");
        QTest::addColumn<QList<TDiscountEntry>>("scale");
        QTest::addColumn<double>("percent");
        const QList<TDiscountEntry> up = {{1000, 3}, {5000, 5}, {15000, 7}};
        const QList<TDiscountEntry> down = {{15000, 7}, {5000, 5}, {1000, 3}};
        QTest::newRow("below every threshold") << 999.99 << up << 0.0;
        QTest::newRow("equal to a threshold") << 5000.0 << up << 5.0;
        QTest::newRow("a cent below it") << 4999.99 << up << 3.0;
        QTest::newRow("above all") << 20000.0 << up << 7.0;
        QTest::newRow("descending scale") << 5000.0 << down << 5.0;
        QTest::newRow("empty order, threshold 0") << 0.0 << QList<TDiscountEntry>{{0, 2}} << 2.0;
        QTest::newRow("empty scale") << 100.0 << QList<TDiscountEntry>{} << 0.0;
    }

    void discountRule() {
        QFETCH(double, total);
        QFETCH(QList<TDiscountEntry>, scale);
        QFETCH(double, percent);
        QCOMPARE(OrderTotals::DiscountPercentFor(total, scale), percent);
    }

    void statusTextsOfThreeLines() {
        SetPrices({{u"A"_s, u"a"_s, 400}, {u"B"_s, u"b"_s, 350}, {u"C"_s, u"c"_s, 250}});
        TOrderFrame* order = NewOrder();
        QCOMPARE(order->StatusPanels[0]->text(), u"Всего записей: 0"_s);
        QCOMPARE(order->StatusPanels[2]->text(), u"Итого со скидкой     0,00"_s);
        QCOMPARE(order->StatusPanels[3]->text(), u"Скидка(0,00%)     0,00"_s);
        m_scale = {{500, 3}, {900, 5}};
        for (const QString& code : {u"A"_s, u"B"_s, u"C"_s})
            QCOMPARE(AddArticle(code, 1), u"Добавление"_s);
        QCOMPARE(order->Total, 1000.0);
        QCOMPARE(order->StatusPanels[0]->text(), u"Всего записей: 3"_s);
        QCOMPARE(order->StatusPanels[1]->text(), u"Изменен"_s);
        QCOMPARE(order->StatusPanels[2]->text(), u"Итого со скидкой   950,00"_s);
        QCOMPARE(order->StatusPanels[3]->text(), u"Скидка(5,00%)    50,00"_s);
    }

    void quantityAndSumFollowEachOther() {
        TEditForm& form = *m_editForm;
        form.EDIT_PRICE->SetValue(40);
        form.EDIT_COUNT->SetValue(1);
        form.EDIT_SUMMA->setText(u"100"_s);
        QCOMPARE(form.EDIT_COUNT->Value(), 2.5);
        QCOMPARE(form.EDIT_COUNT->text(), u"2,5"_s);
        form.EDIT_COUNT->setText(u"3"_s);
        QCOMPARE(form.EDIT_SUMMA->Value(), 120.0);
        // With price 0 a sum leaves the quantity alone.
        form.EDIT_PRICE->SetValue(0);
        form.EDIT_SUMMA->setText(u"50"_s);
        QCOMPARE(form.EDIT_COUNT->Value(), 3.0);
        // A computed quantity is kept exactly, not as the 15 digits it shows: a sum of 1 at 3 stays 1.
        form.EDIT_PRICE->SetValue(3);
        form.EDIT_SUMMA->setText(u"1"_s);
        QCOMPARE(form.EDIT_COUNT->text(), u"0,333333333333333"_s);
        QVERIFY(form.EDIT_COUNT->Value() * 3 == 1.0);
        // Typed over, the text counts again.
        form.EDIT_COUNT->setText(u"0,5"_s);
        QCOMPARE(form.EDIT_COUNT->Value(), 0.5);
    }

    void f2OpensTheCalculatorUnderTheField() {
        TEditForm& form = *m_editForm;
        form.show();
        form.EDIT_PRICE->SetValue(10);
        form.EDIT_COUNT->setFocus();
        QTest::keyClick(form.EDIT_COUNT, Qt::Key_F2);
        auto* popup = form.EDIT_COUNT->findChild<QWidget*>(u"Calculator"_s);
        QVERIFY(popup && popup->isVisible());
        QVERIFY(popup->geometry().top() >= form.EDIT_COUNT->mapToGlobal(QPoint(0, 0)).y());
        for (const QString& key : {u"C"_s, u"1"_s, u"2"_s, u"*"_s, u"3"_s, u"OK"_s})
            popup->findChild<QToolButton*>(u"CalcKey_"_s + key)->click();
        QCOMPARE(form.EDIT_COUNT->Value(), 36.0);
        QCOMPARE(form.EDIT_SUMMA->Value(), 360.0);
        // A read-only field opens nothing.
        QTest::keyClick(form.EDIT_PRICE, Qt::Key_F2);
        QVERIFY(!form.EDIT_PRICE->findChild<QWidget*>(u"Calculator"_s));
        form.hide();
    }

    void addingTheSameArticleKeepsOneLine() {
        TOrderFrame* order = NewOrder();
        QCOMPARE(AddArticle(u"AB12"_s, 2, u"срочно"_s), u"Добавление"_s);
        QVERIFY(order->Modified);
        // The other letter case is the same article.
        auto seen = std::make_shared<QStringList>();
        SetPrices({{u"ab12"_s, u"Фильтр новый"_s, 110}, {u"AB1"_s, u"Фильтр"_s, 40}});
        GoToArticle(u"ab12"_s);
        auto outcome = Answer(u"Button_Ok"_s, [=](QWidget* d) {
            *seen << d->windowTitle() << d->findChild<TCalcEdit*>(u"EDIT_COUNT"_s)->text()
                  << d->findChild<QLineEdit*>(u"EDIT_COMMENT"_s)->text();
        });
        m_orders->AddFromPrice();
        QVERIFY(outcome->Ok());
        QCOMPARE(*seen, (QStringList{u"Редактирование"_s, u"2"_s, u"срочно"_s}));
        QCOMPARE(order->Order_data->Table->RecordCount(), 1);
        QCOMPARE(LineValue(order, 0, u"Price"_s), 110.0); // brought up to the current price list
        QCOMPARE(LineValue(order, 0, u"Summa"_s), 220.0);
        // A shorter code is another article, not a prefix of the line's code.
        QCOMPARE(AddArticle(u"AB1"_s, 1), u"Добавление"_s);
        QCOMPARE(order->Order_data->Table->RecordCount(), 2);
    }

    void addingNeedsAnOrderAndAnArticle() {
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        m_orders->AddFromPrice();
        QCOMPARE(TMessageBox::ShownTexts().value(0),
                 u"Ошибка!\rТекст ошибки: Необходимо сначала либо создать, либо открыть заказ!"_s);
        TOrderFrame* order = NewOrder();
        AddArticle(u"AB1"_s, 1);
        order->Modified = false;
        SetPrices({});
        m_orders->AddFromPrice(); // no current article: no dialog, nothing changes
        QCOMPARE(order->Order_data->Table->RecordCount(), 1);
        QVERIFY(!order->Modified);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void editingTakesTheCurrentPriceOrKeepsAVanishedOne() {
        TOrderFrame* order = NewOrder();
        AddArticle(u"AB1"_s, 3);
        AddArticle(u"тр7"_s, 1);
        SetPrices({{u"AB1"_s, u"Фильтр (новый)"_s, 50}});
        TMemTable& lines = *order->Order_data->Table;
        lines.First();
        auto first = Answer(u"Button_Ok"_s);
        m_orders->EditLine(order);
        QVERIFY(first->Ok());
        QCOMPARE(LineValue(order, 0, u"Price"_s), 50.0);
        QCOMPARE(LineValue(order, 0, u"Summa"_s), 150.0);
        QCOMPARE(lines.FieldByName(u"Name").AsString(), u"Фильтр (новый)"_s);
        lines.Last();
        auto second = Answer(u"Button_Ok"_s);
        m_orders->EditLine(order);
        QVERIFY(second->Ok());
        QCOMPARE(LineValue(order, 1, u"Price"_s), 250.0);
        QCOMPARE(lines.FieldByName(u"Name").AsString(), u"Свеча"_s);
        // Cancel changes nothing.
        order->Modified = false;
        auto cancelled = Answer(u"Button_Exit"_s,
                                [](QWidget* d) { d->findChild<TCalcEdit*>(u"EDIT_COUNT"_s)->SetValue(9); });
        m_orders->EditLine(order);
        QVERIFY(cancelled->Ok());
        QVERIFY(!order->Modified);
        QCOMPARE(LineValue(order, 1, u"Count"_s), 1.0);
    }

    void deleteAsksFirst() {
        TOrderFrame* order = NewOrder();
        AddArticle(u"AB1"_s, 1);
        order->Modified = false;
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        TMessageBox::SetNextAnswer(TMessageBox::Cancel);
        QVERIFY(m_orders->OrderGridKeyDown(order, del));
        QCOMPARE(order->Order_data->Table->RecordCount(), 1);
        QCOMPARE(TMessageBox::ShownTexts().value(0), u"Удалить запись?"_s);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        m_orders->OrderGridKeyDown(order, del);
        QCOMPARE(order->Order_data->Table->RecordCount(), 0);
        QVERIFY(order->Modified);
        QCOMPARE(order->StatusPanels[0]->text(), u"Всего записей: 0"_s);
        // Enter on an empty order grid does nothing.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        m_orders->OrderGridKeyDown(order, enter);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void closeAllStopsAtTheFirstCancel() {
        TOrderFrame* first = NewOrder();
        TOrderFrame* second = NewOrder();
        TOrderFrame* third = NewOrder();
        for (TOrderFrame* o : {first, second, third})
            MarkModified(o);
        TMessageBox::SetNextAnswer(TMessageBox::No);
        TMessageBox::SetNextAnswer(TMessageBox::Cancel);
        QVERIFY(!m_orders->OrderCloseAllExecute());
        QCOMPARE(m_orderControl->count(), 2);
        QCOMPARE(m_orders->OrderSlots[0], nullptr);
        QCOMPARE(TMessageBox::ShownTexts(),
                 (QStringList{u"В заказ №1 [Без имени] были внесены изменения. Сохранить заказ?"_s,
                              u"В заказ №2 [Без имени] были внесены изменения. Сохранить заказ?"_s}));
        // Yes on a never-saved order asks for a file; cancelling that keeps the tab.
        TMessageBox::SetNextAnswer(TMessageBox::Yes);
        TFileDialog::SetNextCancel();
        QVERIFY(!m_orders->CloseOrder(second));
        QCOMPARE(m_orderControl->count(), 2);
    }

    void saveAsRenamesTheTabAndSaveReusesTheFile() {
        TOrderFrame* order = NewOrder();
        AddArticle(u"AB1"_s, 2);
        const QString path = m_dir->filePath(u"first.zkz"_s);
        TFileDialog::SetNextFileName(path);
        m_orders->OrderSaveExecute();
        QCOMPARE(m_orderControl->tabText(0), u"Заказ №1 ["_s + path + u"]"_s);
        QVERIFY(!order->Modified && order->HasFile);
        AddArticle(u"тр7"_s, 1);
        m_orders->OrderSaveExecute(); // no dialog this time
        QCOMPARE(TFileDialog::Shown().size(), 1);
        QCOMPARE(OrderFile::Read(path).Lines.size(), size_t(2));

        const QString other = m_dir->filePath(u"second.zkz"_s);
        TFileDialog::SetNextFileName(other);
        m_orders->OrderSaveAsExecute();
        QCOMPARE(m_orderControl->tabText(0), u"Заказ №1 ["_s + other + u"]"_s);

        // Opening the saved file gives an independent order with the stored lines.
        TFileDialog::SetNextFileName(other);
        m_orders->OrderOpenExecute();
        QCOMPARE(m_orderControl->count(), 2);
        TOrderFrame* reopened = m_orders->CurrentOrder();
        QCOMPARE(reopened->Order_data->Table->RecordCount(), 2);
        QVERIFY(!reopened->Modified);
        QCOMPARE(reopened->Total, 330.0);
    }

    void failedSaveKeepsTheOrderAndTheOldFile() {
        TOrderFrame* order = NewOrder();
        AddArticle(u"AB1"_s, 1);
        const QString path = m_dir->filePath(u"old.zkz"_s);
        TFileDialog::SetNextFileName(path);
        m_orders->OrderSaveExecute();
        const QByteArray before = ReadBytes(path);
        AddArticle(u"AB12"_s, 2, QString(80, u'ж'));
        AddArticle(u"тр7"_s, 3, QString(80, u'ю'));
        QVERIFY(order->Modified);
        {
            // The disk fills up while the larger order is written over the old file.
            const FileSizeLimit limit(before.size() + 60);
            QVERIFY_THROWS_EXCEPTION(TException, m_orders->OrderSaveExecute());
            // Saved under another name, the order still belongs to its file.
            TFileDialog::SetNextFileName(m_dir->filePath(u"other.zkz"_s));
            QVERIFY_THROWS_EXCEPTION(TException, m_orders->OrderSaveAsExecute());
        }
        QCOMPARE(ReadBytes(path), before);
        QVERIFY(!QFileInfo::exists(m_dir->filePath(u"other.zkz"_s)));
        QVERIFY(order->Modified);
        QVERIFY(order->HasFile);
        QCOMPARE(order->FileName, path);
        m_orders->OrderSaveExecute();
        QCOMPARE(OrderFile::Read(path).Lines.size(), order->Lines().size());
    }

    // Lines read from a file keep their numbers' text when the order is saved again; a line added or
    // edited since is written in the file's own form.
    void resavingKeepsTheNumbersItRead() {
        const QString path = m_dir->filePath(u"read.zkz"_s);
        OrderFile::Write(path, {u"1"_s, QDate(2004, 3, 5)}, {{u"AB1"_s, u"Ремень"_s, 1, 2, 3, u""_s}});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        f.close();
        bytes.replace("\r\n1.0000000\r\n2.0000000\r\n3.0000000\r\n", "\r\n2\r\n753.06\r\n1506.12\r\n");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();

        TFileDialog::SetNextFileName(path);
        m_orders->OrderOpenExecute();
        TOrderFrame* order = m_orders->CurrentOrder();
        QCOMPARE(LineValue(order, 0, u"Price"_s), 753.06);
        // Sorted by price, so that the read line is no longer first.
        AddArticle(u"тр7"_s, 2);
        order->Order_data->Table->SortOnField(order->Order_data->Table->FieldByName(u"Price").Index(), false);
        m_orders->OrderSaveExecute();
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QVERIFY2(saved.contains("\r\n2\r\n753.06\r\n1506.12\r\n"), saved.constData());
        QVERIFY(saved.contains("\r\n2.0000000\r\n250.0000000\r\n500.0000000\r\n"));
    }

    void damagedFilesOpenNoTab_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage") << QByteArray("\x00\x01\xff\xfe\x80garbage", 12);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("other version")
            << QByteArray("\t\xcd\xc0\xd7\xc0\xcb\xce_\xd0\xc0\xc7\xc4\xc5\xcb\xc0\t\r\n");
    }

    void damagedFilesOpenNoTab() {
        QFETCH(QByteArray, content);
        const QString path = m_dir->filePath(u"bad.zkz"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        TFileDialog::SetNextFileName(path);
        try {
            m_orders->OrderOpenExecute();
            QFAIL("no error");
        } catch (const TException& e) {
            QVERIFY(e.Message().startsWith(u"Несоответствие версий программы (ver 1020) и файла заказа "_s));
        }
        QCOMPARE(m_orderControl->count(), 0);
        QVERIFY(m_orders->OrderSlots.empty());
    }
};

QTEST_MAIN(TstOrders)
#include "tst_orders.moc"
