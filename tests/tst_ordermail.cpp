#include "FileSizeLimit.h"
#include "ModalHelper.h"
#include "OrderTestBase.h"
#include "PrivateDesktop.h"
#include "TestFiles.h"

#include "framework/DBGrid.h"
#include "framework/FileDialog.h"
#include "framework/MemTable.h"
#include "framework/MessageBox.h"
#include "framework/TabTextWriter.h"
#include "order/ContactFormUnit.h"
#include "order/EditFormUnit.h"
#include "order/EMAILFormUnit.h"
#include "order/OrderExport.h"
#include "order/OrderFrameUnit.h"
#include "order/OrderMail.h"
#include "order/OrderTabs.h"
#include "price/PriceList.h"
#include "price/TableViewUnit.h"
#include "shell/FormStorage.h"
#include "shell/VendorInfo.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>

#include <QtTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QString kSavePrompt = u"В заказ №1 [Без имени] были внесены изменения. Сохранить заказ?"_s;
const QString kExportNotice =
    u"ВАЖНО!!! Данная функция (Экспорт в Excel) формирует файл предназначенный только для Вашего "
    u"пользования. Для ООО \"Велстрон\" необходим непосредственно файл заказа (*.zkz)!"_s;

OrderHeader SampleHeader() {
    return {u"7"_s,        QDate(2004, 3, 5),     u"срочно\tочень"_s, u"ООО «Ромашка»"_s,
            u"г. Тверь"_s, u"+7 4822 00-00-00"_s, u"Иванов И. И."_s,  5};
}

QList<TGridColumn> DefaultColumns() {
    return {{u"Code"_s, u"Код"_s},   {u"Name"_s, u"Наименование"_s}, {u"Count"_s, u"Кол-во"_s},
            {u"Price"_s, u"Цена"_s}, {u"Summa"_s, u"Сумма"_s},       {u"Comment"_s, u"Комментарий"_s}};
}

// A line table as the order frame keeps it.
std::unique_ptr<TMemTable> LineTable(const std::vector<OrderLine>& lines) {
    auto table = std::make_unique<TMemTable>();
    table->AddField(u"ID"_s, TFieldType::AutoInc);
    table->AddField(u"Code"_s, TFieldType::String, 255);
    table->AddField(u"Name"_s, TFieldType::String, 255);
    table->AddField(u"Count"_s, TFieldType::Float);
    table->AddField(u"Price"_s, TFieldType::Float);
    table->AddField(u"Summa"_s, TFieldType::Float);
    table->AddField(u"Comment"_s, TFieldType::String, 255);
    table->Open();
    for (const OrderLine& line : lines) {
        table->Append();
        table->FieldByName(u"Code").SetAsString(line.Code);
        table->FieldByName(u"Name").SetAsString(line.Name);
        table->FieldByName(u"Count").SetAsFloat(line.Count);
        table->FieldByName(u"Price").SetAsFloat(line.Price);
        table->FieldByName(u"Summa").SetAsFloat(line.Summa);
        table->FieldByName(u"Comment").SetAsString(line.Comment);
        table->Post();
    }
    return table;
}

// The lines of an export file, decoded.
QStringList ExportLines(QByteArrayView bytes) {
    QStringList lines = Cp1251::Decode(bytes).split(u"\r\n"_s);
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// What the desktop's mail program received, the calls of the recording program parsed.
QList<TPrivateDesktop::TMailto> Mails(const TPrivateDesktop& desktop) {
    QList<TPrivateDesktop::TMailto> mails;
    for (const QStringList& call : desktop.Calls())
        mails.append(TPrivateDesktop::ParseMailto(call.value(0)));
    return mails;
}

// Ticks the given entries of the recipient dialog, then presses a button.
std::shared_ptr<ModalOutcome> ChooseRecipients(const QList<bool>& ticks, const QString& button) {
    return OnNextModal([=](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>(u"EMAILListBox"_s);
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState(ticks.value(i) ? Qt::Checked : Qt::Unchecked);
        dialog->findChild<QPushButton*>(button)->click();
    });
}

} // namespace

class TstOrderMail : public TOrderTestBase {
    Q_OBJECT

    QString PathOf(const QString& name) const { return m_dir->filePath(name); }

    // A new order, its information dialog closed with "Отмена".
    TOrderFrame* NewOrder() {
        auto outcome =
            OnNextModal([](QWidget* dialog) { dialog->findChild<QPushButton*>(u"Button_Exit"_s)->click(); });
        m_orders->NewOrderExecute();
        [&] { QVERIFY(outcome->Ok()); }();
        TOrderFrame* order = m_orders->CurrentOrder();
        if (order) order->Header.OrderDate = QDate(2024, 2, 1);
        return order;
    }

    // An order read from a file, so nothing to save before it goes out.
    TOrderFrame* SavedOrder() {
        const QString path = PathOf(u"Заказ 7.zkz"_s);
        OrderFile::Write(path, SampleHeader(), {{u"AB1"_s, u"Фильтр"_s, 2, 40, 80, {}}});
        return m_orders->CreateOrder(path);
    }

    static void AddLine(TOrderFrame* order, const OrderLine& line) {
        TMemTable& table = *order->Order_data->Table;
        table.Append();
        table.FieldByName(u"Code").SetAsString(line.Code);
        table.FieldByName(u"Name").SetAsString(line.Name);
        table.FieldByName(u"Count").SetAsFloat(line.Count);
        table.FieldByName(u"Price").SetAsFloat(line.Price);
        table.FieldByName(u"Summa").SetAsFloat(line.Summa);
        table.FieldByName(u"Comment").SetAsString(line.Comment);
        table.Post();
    }

    // Fails when a modal window shows: the command was expected to stop before any dialog.
    static std::shared_ptr<ModalOutcome> NoDialog() {
        return OnNextModal([](QWidget* dialog) { dialog->close(); }, 300);
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init() { StartOrders(); }

    void cleanup() { StopOrders(); }

    // The texts without a window

    void exportIsByteExact() {
        const auto lines =
            LineTable({{u"AB1"_s, u"Фильтр масляный"_s, 2, 12.5, 25, {}},
                       {u"тр7"_s, u"Свеча\tзажигания"_s, 1000, 1234.5, 1234500, u"в коробке\r\nверх"_s}});
        const QByteArray bytes = TabText([&](TTabTextWriter& out) {
            OrderExport::Write(out, SampleHeader(), 1234525, DefaultColumns(), *lines);
        });
        const QString expected = u"Заказ №7 от 05.03.2004\r\n"
                                 u"Организация\tООО «Ромашка»\r\n"
                                 u"Адрес\tг. Тверь\r\n"
                                 u"Телефон\t+7 4822 00-00-00\r\n"
                                 u"Контактное лицо\tИванов И. И.\r\n"
                                 u"Комментарий\tсрочно очень\r\n"
                                 u"\r\n"
                                 u"КОД\tНАИМЕНОВАНИЕ\tКОЛ-ВО\tЦЕНА\tСУММА\tКОММЕНТАРИЙ\r\n"
                                 u" AB1\t Фильтр масляный\t 2\t 12,5\t 25\t \r\n"
                                 u" тр7\t Свеча зажигания\t 1000\t 1234,5\t 1234500\t в коробке  верх\r\n"
                                 u"\r\n"
                                 u"\t\t\tИТОГО\t1234525,00\r\n"
                                 u"\t\t\tСКИДКА(5,00%)\t61726,25\r\n"
                                 u"\t\t\tИТОГО СО СКИДКОЙ\t1172798,75\r\n"_s;
        QCOMPARE(bytes, Cp1251::Encode(expected));
        QCOMPARE(ExportLines(bytes).size(), 14);
    }

    void totalsFollowTheSumColumn_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QString>("total");
        QTest::newRow("sum first") << QStringList{u"Summa"_s, u"Code"_s} << u"СУММА\tКОД"_s
                                   << u"ИТОГО\t80,00"_s;
        QTest::newRow("sum second") << QStringList{u"Code"_s, u"summa"_s} << u"КОД\tСУММА"_s
                                    << u"ИТОГО\t80,00"_s;
        QTest::newRow("sum third") << QStringList{u"Code"_s, u"Name"_s, u"SUMMA"_s, u"Count"_s}
                                   << u"КОД\tНАИМЕНОВАНИЕ\tСУММА\tКОЛ-ВО"_s << u"\tИТОГО\t80,00"_s;
        QTest::newRow("no sum column") << QStringList{u"Name"_s, u"Price"_s, u"Count"_s}
                                       << u"НАИМЕНОВАНИЕ\tЦЕНА\tКОЛ-ВО"_s << u"ИТОГО\t80,00"_s;
    }

    void totalsFollowTheSumColumn() {
        QFETCH(QStringList, fields);
        QFETCH(QString, titles);
        QFETCH(QString, total);
        QList<TGridColumn> columns;
        for (const QString& field : fields)
            for (const TGridColumn& column : DefaultColumns())
                if (SameText(column.FieldName, field)) columns.append({field, column.Title});
        OrderHeader header = SampleHeader();
        header.DiscountPercent = 0;
        const auto table = LineTable({{u"AB1"_s, u"Фильтр"_s, 2, 40, 80, {}}});
        const QStringList lines = ExportLines(
            TabText([&](TTabTextWriter& out) { OrderExport::Write(out, header, 80, columns, *table); }));
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines[7], titles);
        QCOMPARE(lines[10], total);
        QCOMPARE(lines[11], QString(total).replace(u"ИТОГО\t80,00"_s, u"СКИДКА(0,00%)\t0,00"_s));
    }

    // The e-mail command

    void modifiedOrderIsSavedThenMailed() {
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s});
        TOrderFrame* order = NewOrder();
        AddLine(order, {u"AB1"_s, u"Фильтр"_s, 2, 40, 80, {}});
        const QString path = PathOf(u"Заказ 1.zkz"_s);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TFileDialog::SetNextFileName(path);
        auto chosen = ChooseRecipients({true, true}, u"Button_Ok"_s);
        m_orders->OrderSendEMAILExecute();
        QVERIFY(chosen->Ok());

        QCOMPARE(TMessageBox::ShownTexts(), QStringList{kSavePrompt});
        QVERIFY(!order->Modified);
        QVERIFY(order->HasFile);
        QCOMPARE(OrderFile::Read(path).Lines.size(), size_t(1));
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 1, 20000);
        const TPrivateDesktop::TMailto mail = Mails(desktop)[0];
        // Each mailbox stays one recipient, though their display names hold commas.
        QCOMPARE(mail.To, (QStringList{u"\"ООО Велстрон, отдел продаж\" <zakaz@velstron.example>"_s,
                                       u"\"ООО Велстрон, склад\" <sklad@velstron.example>"_s}));
        QCOMPARE(mail.Subject, u"Заказ №1 от 01.02.2024"_s);
        QCOMPARE(mail.Body, u"Здравствуйте.\r\n\r\nКонтактная информация.\r\nОрганизация: ООО Ромашка\r\n"
                            u"Телефон: 12-34-56\r\nАдрес: г. Тверь, ул. Луговая, 1\r\n\r\n"
                            u"С уважением,\r\n   Иванов И. И."_s);
        QCOMPARE(mail.Attach, QStringList{path});
    }

    void declinedSaveSendsNothing_data() {
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("Cancel at the question") << false;
        QTest::newRow("save dialog cancelled") << true;
    }

    void declinedSaveSendsNothing() {
        QFETCH(bool, confirmed);
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s});
        TOrderFrame* order = NewOrder();
        AddLine(order, {u"AB1"_s, u"Фильтр"_s, 2, 40, 80, {}});
        TMessageBox::SetNextAnswer(confirmed ? TMessageBox::Ok : TMessageBox::Cancel);
        TFileDialog::SetNextCancel();
        auto dialog = NoDialog();
        m_orders->OrderSendEMAILExecute();
        QCOMPARE(TMessageBox::ShownTexts(), QStringList{kSavePrompt});
        QCOMPARE(TFileDialog::Shown().size(), confirmed ? 1 : 0);
        QVERIFY(order->Modified);
        QVERIFY(!order->HasFile);
        QTest::qWait(350);
        QVERIFY(!dialog->Acted);
        QVERIFY(desktop.Calls().isEmpty());
    }

    void unchangedNewOrderSendsNothing() {
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s});
        NewOrder();
        auto dialog = NoDialog();
        m_orders->OrderSendEMAILExecute();
        QTest::qWait(350);
        QVERIFY(!dialog->Acted);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QVERIFY(TFileDialog::Shown().isEmpty());
        QVERIFY(desktop.Calls().isEmpty());
    }

    void recipientsAreTheTickedEntries() {
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s});
        TOrderFrame* order = SavedOrder();
        const QStringList mailboxes{Vendor::OrderEmail1(), Vendor::OrderEmail2()};
        QCOMPARE(m_emailForm->windowTitle(), u"Выбор E-mail получателя"_s);
        QCOMPARE(m_emailForm->EMAILListBox->count(), 2);
        QCOMPARE(m_emailForm->EMAILListBox->item(0)->text(), mailboxes[0]);
        QCOMPARE(m_emailForm->EMAILListBox->item(1)->text(), mailboxes[1]);

        // Cancel in the recipient dialog ends the command. Both mailboxes show whole, none scrolls.
        QRect shown, needed;
        auto cancelled = OnNextModal([&](QWidget* dialog) {
            auto* list = dialog->findChild<QListWidget*>(u"EMAILListBox"_s);
            shown = list->viewport()->rect();
            needed = list->visualItemRect(list->item(0)).united(list->visualItemRect(list->item(1)));
            needed.setWidth(list->sizeHintForColumn(0));
            dialog->findChild<QPushButton*>(u"ButtonExit"_s)->click();
        });
        order->SendOrderByEMAIL();
        QVERIFY(cancelled->Ok());
        QVERIFY2(shown.contains(needed), qPrintable(u"%1x%2 in %3x%4"_s.arg(needed.width())
                                                        .arg(needed.height())
                                                        .arg(shown.width())
                                                        .arg(shown.height())));

        const auto send = [&](const QList<bool>& ticks) {
            auto chosen = ChooseRecipients(ticks, u"Button_Ok"_s);
            order->SendOrderByEMAIL();
            QVERIFY(chosen->Ok());
        };
        // Without a recipient the mail program opens the message with an empty "To".
        send({false, false});
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 1, 20000);
        send({false, true});
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 2, 20000);
        QList<QStringList> recipients;
        for (const TPrivateDesktop::TMailto& mail : Mails(desktop)) {
            recipients.append(mail.To);
            QCOMPARE(mail.Subject, u"Заказ №7 от 05.03.2004"_s);
            QCOMPARE(mail.Body, OrderMail::Body(SampleHeader()));
            QCOMPARE(mail.Attach, QStringList{PathOf(u"Заказ 7.zkz"_s)});
        }
        QVERIFY(recipients.contains(QStringList{}));
        QVERIFY(recipients.contains(QStringList{mailboxes[1]}));
        QVERIFY(TMessageBox::ShownTexts().isEmpty());

        // The tick marks are there again in the next run.
        TEMAILForm nextRun(*m_storage);
        QCOMPARE(nextRun.Recipients(), mailboxes[1]);
        nextRun.EMAILListBox->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(nextRun.Recipients(), mailboxes.join(u','));
    }

    // The export command

    void exportFollowsTheGridAndKeepsTheOrderAsItIs() {
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"application/vnd.ms-excel"_s});
        TOrderFrame* order = NewOrder();
        AddLine(order, {u"AB1"_s, u"Фильтр"_s, 2, 40, 80, {}});
        AddLine(order, {u"тр7"_s, u"Свеча"_s, 4, 250, 1000, u"в коробке"_s});
        TMemTable& table = *order->Order_data->Table;
        table.SortOnField(table.FieldByName(u"Name").Index(), false);
        // "Сумма" moved to the front.
        QHeaderView* header = order->Order_data->TableViewGrid->horizontalHeader();
        header->moveSection(header->visualIndex(4), 0);

        const QString path = PathOf(u"Заказ.xls"_s);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TFileDialog::SetNextFileName(PathOf(u"Заказ"_s));
        m_orders->OrderExportExcelExecute();

        QCOMPARE(TMessageBox::ShownTexts(), QStringList{kExportNotice});
        QCOMPARE(TFileDialog::Shown().size(), 1);
        QCOMPARE(TFileDialog::Shown()[0].Title, u"Сохранение заказа в файл Excel"_s);
        QCOMPARE(TFileDialog::Shown()[0].Filter, u"Файлы Excel|*.xls|Все файлы|*.*"_s);
        QCOMPARE(TFileDialog::Shown()[0].FileName, QString());
        QCOMPARE(m_saveDialog.DefaultExt, u"xls"_s);
        QVERIFY(m_saveDialog.Options.testFlag(TFileDialog::OverwritePrompt));

        const QStringList lines = ExportLines(ReadBytes(path));
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines[0], u"Заказ №1 от 01.02.2024"_s);
        QCOMPARE(lines[1], u"Организация\tООО Ромашка"_s);
        QCOMPARE(lines[7], u"СУММА\tКОД\tНАИМЕНОВАНИЕ\tКОЛ-ВО\tЦЕНА\tКОММЕНТАРИЙ"_s);
        QCOMPARE(lines[8], u" 1000\t тр7\t Свеча\t 4\t 250\t в коробке"_s);
        QCOMPARE(lines[9], u" 80\t AB1\t Фильтр\t 2\t 40\t "_s);
        // 1080 reaches the 3 % threshold.
        QCOMPARE(lines.mid(11), (QStringList{u"ИТОГО\t1080,00"_s, u"СКИДКА(3,00%)\t32,40"_s,
                                             u"ИТОГО СО СКИДКОЙ\t1047,60"_s}));
        QVERIFY(order->Modified);
        QVERIFY(!order->HasFile);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls(), QList<QStringList>{{path}}, 20000);
    }

    void exportOpensInLibreOfficeAsTheTableItIs() {
        // LibreOffice as the desktop's program for .xls files, converting what it reads to a flat
        // OpenDocument file instead of showing it.
        const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
        if (soffice.isEmpty()) QSKIP("LibreOffice is not installed (scripts/setup installs it)");
        QTemporaryDir office;
        const QString wrapper = office.filePath(u"calc"_s);
        WriteBytes(wrapper, u"#!/bin/sh\n"
                            u"\"%1\" -env:UserInstallation=file://%2/profile --headless --convert-to fods "
                            u"--outdir %2/out \"$@\" >/dev/null 2>&1\n"
                            u"echo $? > %2/done\n"_s.arg(soffice, office.path())
                                .toUtf8());
        QFile(wrapper).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        TPrivateDesktop desktop;
        desktop.RegisterHandler(u"libreoffice-calc.desktop"_s, wrapper + u" %U"_s,
                                {u"application/vnd.ms-excel"_s});

        TOrderFrame* order = SavedOrder();
        AddLine(order, {u"тр7"_s, u"Свеча зажигания"_s, 4, 250.5, 1002, u"в коробке"_s});
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TFileDialog::SetNextFileName(PathOf(u"Заказ.xls"_s));
        m_orders->OrderExportExcelExecute();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(office.filePath(u"done"_s)), 180000);
        QCOMPARE(ReadBytes(office.filePath(u"done"_s)).trimmed(), QByteArray("0"));

        // The cells as LibreOffice read them: their types and texts (numbers in its own form).
        QFile fods(office.filePath(u"out/Заказ.fods"_s));
        QVERIFY(fods.open(QIODevice::ReadOnly));
        QList<QStringList> rows;
        QXmlStreamReader xml(&fods);
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == u"table-row"_s) rows.append(QStringList());
            if (xml.name() != u"table-cell"_s || rows.isEmpty()) continue;
            const QString type = xml.attributes().value(u"office:value-type"_s).toString();
            const int repeated = qMax(1, xml.attributes().value(u"table:number-columns-repeated"_s).toInt());
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            for (int i = 0; i < repeated && !type.isEmpty(); ++i)
                rows.last().append(type + u':' + text);
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(rows.value(0), QStringList{u"string:Заказ №7 от 05.03.2004"_s});
        QCOMPARE(rows.value(1), (QStringList{u"string:Организация"_s, u"string:ООО «Ромашка»"_s}));
        QCOMPARE(rows.value(7), (QStringList{u"string:КОД"_s, u"string:НАИМЕНОВАНИЕ"_s, u"string:КОЛ-ВО"_s,
                                             u"string:ЦЕНА"_s, u"string:СУММА"_s, u"string:КОММЕНТАРИЙ"_s}));
        // An empty comment is its one space.
        QCOMPARE(rows.value(8), (QStringList{u"string:AB1"_s, u"string:Фильтр"_s, u"float:2"_s, u"float:40"_s,
                                             u"float:80"_s, u"string:"_s}));
        QCOMPARE(rows.value(9), (QStringList{u"string:тр7"_s, u"string:Свеча зажигания"_s, u"float:4"_s,
                                             u"float:250.5"_s, u"float:1002"_s, u"string:в коробке"_s}));
        QCOMPARE(rows.value(11), (QStringList{u"string:ИТОГО"_s, u"float:1082"_s}));
        QVERIFY(TMessageBox::ShownTexts().size() == 1); // the export's notice
    }

    void cancelledExportWritesNothing() {
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"application/vnd.ms-excel"_s});
        SavedOrder();
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TFileDialog::SetNextCancel();
        m_orders->OrderExportExcelExecute();
        QCOMPARE(TMessageBox::ShownTexts(), QStringList{kExportNotice});
        QCOMPARE(QDir(m_dir->path()).entryList({u"*.xls"_s}, QDir::Files), QStringList());
        QTest::qWait(300);
        QVERIFY(desktop.Calls().isEmpty());
    }

    void failedExportKeepsTheOldFileAndOpensNothing() {
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"application/vnd.ms-excel"_s});
        TOrderFrame* order = SavedOrder();
        for (int i = 0; i < 50; ++i)
            AddLine(order, {u"AB%1"_s.arg(i), u"Фильтр масляный"_s, 1, 40, 40, {}});
        const QString path = PathOf(u"Заказ.xls"_s);
        WriteBytes(path, "old export");
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TFileDialog::SetNextFileName(path);
        {
            const FileSizeLimit limit(1024);
            try {
                m_orders->OrderExportExcelExecute();
                QFAIL("an export beyond the file size limit succeeded");
            } catch (const TException& e) {
                QVERIFY2(e.Message().startsWith(u"Ошибка записи файла "_s + path), qPrintable(e.Message()));
            }
        }
        QCOMPARE(ReadBytes(path), "old export");
        QCOMPARE(QDir(m_dir->path()).entryList({u"Заказ.xls*"_s}, QDir::Files | QDir::Hidden),
                 QStringList{u"Заказ.xls"_s});
        QTest::qWait(300);
        QVERIFY(desktop.Calls().isEmpty());
        QVERIFY(order->Modified); // the unsaved lines are still the order's
    }
};

QTEST_MAIN(TstOrderMail)
#include "tst_ordermail.moc"
