#include "app/AboutFormUnit.h"
#include "FileSizeLimit.h"
#include "ProgramFixture.h"
#include "shell/FlashForm.h"
#include "app/MainFormUnit.h"
#include "app/SelectFormUnit.h"
#include "demo/DemoData.h"
#include "framework/DBGrid.h"
#include "framework/FileDialog.h"
#include "framework/MemTable.h"
#include "framework/MessageBox.h"
#include "framework/NumberText.h"
#include "framework/StringGrid.h"
#include "ModalHelper.h"
#include "price/PriceExport.h"
#include "price/PriceGrid.h"
#include "price/PriceList.h"
#include "price/TableViewLogic.h"
#include "price/TableViewUnit.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include "TestFiles.h"
#include "UrlRecorder.h"
#include <QClipboard>
#include <QDesktopServices>
#include <QHeaderView>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <QtTest>

#include <cmath>
#include <csignal>
#include <limits>
#include <memory>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

struct TArticle {
    QString Flag, Code, Name, Producer;
    double Price = kNoValue;
    QString Presence;
    double Pack = kNoValue;
    QString Unit;
    double Weight = kNoValue;
    QString CatNumber, Cert, Country;
};

void Fill(TMemTable& table, const QList<TArticle>& articles) {
    table.Open();
    for (const TArticle& a : articles) {
        table.Append();
        const QStringList texts = {a.Flag, a.Code,      a.Name, a.Producer, a.Presence,
                                   a.Unit, a.CatNumber, a.Cert, a.Country};
        const QStringList textFields = {u"Price_flag"_s, u"Code"_s,      u"Name"_s,
                                        u"Producer"_s,   u"Presence"_s,  u"Ed_izm"_s,
                                        u"Cat_number"_s, u"Code_sert"_s, u"Country"_s};
        for (int i = 0; i < texts.size(); ++i)
            table.FieldByName(textFields[i]).SetAsString(texts[i]);
        table.FieldByName(u"Price").SetAsFloat(a.Price);
        table.FieldByName(u"Col_upak").SetAsFloat(a.Pack);
        table.FieldByName(u"Weight").SetAsFloat(a.Weight);
        table.Post();
    }
    table.First();
}

QList<QByteArray> Lines(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    if (lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}

const QByteArray kHeader = Cp1251::Encode(u"КОД\tНАИМЕНОВАНИЕ\tПРОИЗВОДИТЕЛЬ\tЦЕНА\tНАЛИЧИЕ\tКОЛ. В УПАК.\t"
                                          u"ЕД.ИЗМ.\tВЕС ЕДЕНИЦЫ\tКАТ. НОМЕР\tКОД СЕРТ.\tСТРАНА");

// The price rows of the window tests: the presence marks and change flags the painting looks at.
std::vector<Demo::Article> WindowArticles() {
    const QList<std::pair<QString, QString>> marks = {
        {u"+"_s, u"N"_s},    {u"+ "_s, u"D"_s}, {u"++"_s, u"U"_s}, {QString(), u"n"_s},
        {u"+"_s, QString()}, {u"-"_s, u"u"_s},  {u"+"_s, u"X"_s},  {u"+"_s, u"U"_s}};
    std::vector<Demo::Article> articles = Demo::MakeArticles({.Articles = int(marks.size()), .Seed = 5});
    for (size_t i = 0; i < articles.size(); ++i) {
        articles[i].Presence = marks[qsizetype(i)].first;
        articles[i].Flag = marks[qsizetype(i)].second;
    }
    return articles;
}

const QRect kCell(0, 0, 100, 24);

} // namespace

class TstPriceGrid : public QObject, TProgramFixture {
    Q_OBJECT

    QTemporaryDir m_home;
    void StartWindow() { StartAndShowProgram(); }

    TMemTable& PriceTable() const { return *m_main->Price_Data->Table; }

    // One price cell painted on white, as the grid prepares it for an unselected cell.
    QImage PaintCell(const QString& fieldName, int recNo, TGridDrawState state = {},
                     QColor prepared = Qt::white) {
        TDBGrid* grid = m_main->Price_Data->TableViewGrid;
        int column = -1;
        for (int i = 0; i < grid->ColumnCount(); ++i)
            if (grid->Column(i).FieldName == fieldName) column = i;
        QImage image(kCell.size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter canvas(&image);
        canvas.setBrush(prepared);
        canvas.setPen(Qt::black);
        m_main->Price_DataTableViewGridDrawColumnCell(canvas, kCell, column, recNo, state);
        return image;
    }

    // The clipboard after Ctrl+C with the focus on the widget.
    QString CopyFrom(QWidget* widget) {
        QGuiApplication::clipboard()->setText(u"до копирования"_s);
        widget->activateWindow();
        widget->setFocus();
        if (!QTest::qWaitFor([widget] { return QApplication::focusWidget() == widget; }))
            return u"no focus"_s;
        QTest::keyClick(widget, Qt::Key_C, Qt::ControlModifier);
        return QGuiApplication::clipboard()->text();
    }

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(m_home.isValid());
        UseProgramFolder(m_home.path());
        Demo::WritePriceList(m_home.filePath(u"data.iop"_s), WindowArticles());
    }

    void init() {
        QFile::remove(m_home.filePath(u"system.ini"_s));
        TMessageBox::Reset();
        TFileDialog::Reset();
    }

    void cleanup() { StopProgram(); }

    // --- The export without a window ---

    void exportIsTabSeparatedWindows1251() {
        TTableViewLogic view;
        DefinePriceFields(*view.Table);
        Fill(*view.Table, {{u"N"_s,
                            u"A-1"_s,
                            u"Свеча зажигания"_s,
                            {},
                            12.5,
                            u"+"_s,
                            10,
                            u"шт"_s,
                            kNoValue,
                            u"BKR6E"_s,
                            {},
                            u"Япония"_s},
                           {{},
                            u"Б-2"_s,
                            u"Фильтр\tмасляный\r\nдизель"_s,
                            u"Ёлка"_s,
                            -1234567.89,
                            {},
                            0,
                            u"компл."_s,
                            0.25,
                            {},
                            {},
                            {}}});
        const QByteArray expected =
            kHeader + "\r\n" +
            Cp1251::Encode(
                u" A-1\t Свеча зажигания\t \t 12,5\t +\t 10\t шт\t \t BKR6E\t \t Япония\r\n"
                u" Б-2\t Фильтр масляный  дизель\t Ёлка\t -1234567,89\t \t 0\t компл.\t 0,25\t \t \t \r\n");
        QCOMPARE(PriceExportText(*view.Table, PriceColumns()), expected);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"прайс.xls"_s);
        ExportPriceList(*view.Table, PriceColumns(), path);
        QCOMPARE(ReadBytes(path), expected);
    }

    void exportFollowsFilterSortAndColumnOrder() {
        TTableViewLogic view;
        DefinePriceFields(*view.Table);
        Fill(*view.Table, {{{}, u"1"_s, u"Ремень"_s, u"Bosch"_s, 1},
                           {{}, u"2"_s, u"амортизатор"_s, u"Bosch"_s, 2},
                           {{}, u"3"_s, u"Втулка"_s, u"Lemforder"_s, 3},
                           {{}, u"4"_s, u"Барабан"_s, u"Bosch"_s, 4}});
        view.Table->SetRecNo(2);
        view.SetViewState(u"2#Name"_s, u"1#Producer=bosch|"_s);
        view.Table->SetRecNo(1);
        const int current = view.Table->RecNo();
        // Titles and cells follow the columns' order.
        QList<TGridColumn> columns = PriceColumns();
        columns.move(1, 0);
        columns = columns.mid(0, 3);
        QCOMPARE(Lines(PriceExportText(*view.Table, columns)),
                 (QList<QByteArray>{Cp1251::Encode(u"НАИМЕНОВАНИЕ\tКОД\tПРОИЗВОДИТЕЛЬ"),
                                    Cp1251::Encode(u" Ремень\t 1\t Bosch"),
                                    Cp1251::Encode(u" Барабан\t 4\t Bosch"),
                                    Cp1251::Encode(u" амортизатор\t 2\t Bosch")}));
        QCOMPARE(view.Table->RecNo(), current);

        // Nothing passes: the header alone.
        view.SetViewState(u"0#"_s, u"1#Producer=Febi|"_s);
        QCOMPARE(PriceExportText(*view.Table, columns),
                 Cp1251::Encode(u"НАИМЕНОВАНИЕ\tКОД\tПРОИЗВОДИТЕЛЬ\r\n"));
    }

    void failedWriteKeepsTheOldFile() {
        TTableViewLogic view;
        DefinePriceFields(*view.Table);
        QList<TArticle> many;
        for (int i = 0; i < 3000; ++i)
            many.append({{}, QString::number(i), u"Колодки тормозные передние"_s, u"Bosch"_s, 100.5 + i});
        Fill(*view.Table, many);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"прайс.xls"_s);
        WriteBytes(path, "old export");
        {
            const FileSizeLimit limit(4096);
            QVERIFY_THROWS_EXCEPTION(TException, ExportPriceList(*view.Table, PriceColumns(), path));
        }
        QCOMPARE(ReadBytes(path), QByteArray("old export"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"прайс.xls"_s});

        const QString nowhere = dir.filePath(u"нет/прайс.xls"_s);
        try {
            ExportPriceList(*view.Table, PriceColumns(), nowhere);
            QFAIL("no error");
        } catch (const TException& e) {
            QVERIFY2(e.Message().startsWith(u"Ошибка записи файла "_s + nowhere + u": "_s),
                     qPrintable(e.Message()));
        }
    }

    void numbersAreWrittenAsTheGridShowsThem() {
        // Whole numbers, cents, weights, ties of the last digit, exponents, more than 15 digits.
        QList<double> values = {12.5,
                                0.1,
                                -0.5,
                                100,
                                1234567.89,
                                0.125,
                                1.0005,
                                0.0001,
                                0.00025,
                                0.00001,
                                1e13,
                                1e15,
                                1e16,
                                -1e-7,
                                123456789012345.0,
                                99999999999.99,
                                99874529920920.25,
                                0.07,
                                1.005,
                                2.675,
                                1 / 3.0,
                                std::numeric_limits<double>::infinity()};
        QRandomGenerator random(42);
        for (int i = 0; i < 2000; ++i) {
            values.append(double(random.bounded(100000000)) / 100);
            values.append(-double(random.bounded(100000000)) / 1000);
            values.append(double(qint64(random.generateDouble() * 1e15)) / 10000);
            values.append(random.generateDouble() * std::pow(10.0, random.bounded(-6, 18)));
        }
        const TFloatText text;
        for (double value : values) {
            QByteArray bytes;
            text.AppendTo(bytes, value);
            QCOMPARE(Cp1251::Decode(bytes), FloatToStr(value));
        }
        QByteArray zero;
        text.AppendTo(zero, -0.0);
        QCOMPARE(zero, QByteArray("0"));
    }

    // --- The export command ---

    void exportCommandWritesTheShownRecordsAndOpensTheFile() {
        StartWindow();
        TDBGrid* grid = m_main->Price_Data->TableViewGrid;
        grid->horizontalHeader()->moveSection(3, 0); // Price first
        m_main->Price_Data->SetViewState(u"1#Code"_s, u"1#Presence=+|"_s);
        PriceTable().SetRecNo(2);
        const int current = PriceTable().RecNo();
        QVERIFY(m_main->PriceExportExcel->isEnabled());

        QTemporaryDir dir;
        TFileDialog::SetNextFileName(dir.filePath(u"прайс"_s));
        TOpened opened;
        m_main->PriceExportExcel->trigger();

        const QString path = dir.filePath(u"прайс.xls"_s);
        QCOMPARE(TFileDialog::Shown().size(), 1);
        QCOMPARE(TFileDialog::Shown()[0].Title, u"Сохранение прайс-листа в файл Excel"_s);
        QCOMPARE(TFileDialog::Shown()[0].Filter, u"Файлы Excel|*.xls|Все файлы|*.*"_s);
        QCOMPARE(TFileDialog::Shown()[0].FileName, QString());
        QCOMPARE(m_main->SaveDialog.DefaultExt, u"xls"_s);
        QVERIFY(m_main->SaveDialog.Options.testFlag(TFileDialog::OverwritePrompt));
        QCOMPARE(opened.Urls, QList<QUrl>{QUrl::fromLocalFile(path)});
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QVERIFY(!m_program->Flash().isVisible() && m_main->isEnabled());
        QCOMPARE(PriceTable().RecNo(), current);

        const QList<QByteArray> lines = Lines(ReadBytes(path));
        QCOMPARE(lines.size(), 1 + 4);
        QVERIFY(lines[0].startsWith(Cp1251::Encode(u"ЦЕНА\tКОД\tНАИМЕНОВАНИЕ\t")));
        for (int recNo = 0; recNo < PriceTable().RecordCount(); ++recNo) {
            const int row = PriceTable().RowAt(recNo);
            const QString price = PriceTable().RowText(row, PriceTable().FieldByName(u"Price").Index());
            const QString code = PriceTable().RowText(row, PriceTable().FieldByName(u"Code").Index());
            QVERIFY(lines[recNo + 1].startsWith(Cp1251::Encode(u" "_s + price + u"\t "_s + code + u"\t"_s)));
            QCOMPARE(lines[recNo + 1].count('\t'), 10);
        }
    }

    void cancelledExportWritesNothing() {
        StartWindow();
        TFileDialog::SetNextCancel();
        TOpened opened;
        m_main->PriceExportExcel->trigger();
        QCOMPARE(TFileDialog::Shown().size(), 1);
        QVERIFY(opened.Urls.isEmpty());
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void failedExportShowsTheErrorAfterTheWait() {
        StartWindow();
        QTemporaryDir dir;
        const QString path = dir.filePath(u"нет/прайс.xls"_s);
        TFileDialog::SetNextFileName(path);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TOpened opened;
        m_main->PriceExportExcel->trigger();
        QCOMPARE(TMessageBox::ShownTexts().size(), 1);
        QVERIFY(
            TMessageBox::ShownTexts()[0].startsWith(u"Ошибка!\rТекст ошибки: Ошибка записи файла "_s + path));
        QVERIFY(opened.Urls.isEmpty());
        QVERIFY(!m_program->Flash().isVisible() && m_main->isEnabled());
        QCOMPARE(PriceTable().RecordCount(), 8);
    }

    // --- Painting ---

    void iconStripHasThreeCellsOnMagenta() {
        const QImage strip = TPriceGridPainter::PicClip();
        QCOMPARE(strip.size(), QSize(48, 16));
        for (QPoint corner : {QPoint(0, 0), QPoint(15, 15), QPoint(16, 0), QPoint(47, 15)})
            QCOMPARE(strip.pixel(corner), qRgb(255, 0, 255));
        QCOMPARE(strip.pixel(7, 7), qRgb(0, 0, 255));       // plus
        QCOMPARE(strip.pixel(16 + 7, 4), qRgb(0, 160, 0));  // shaft of the arrow down
        QCOMPARE(strip.pixel(16 + 7, 12), qRgb(0, 160, 0)); // its head
        QCOMPARE(strip.pixel(32 + 7, 11), qRgb(255, 0, 0)); // shaft of the arrow up
        QCOMPARE(strip.pixel(32 + 7, 3), qRgb(255, 0, 0));  // its head

        QCOMPARE(TPriceGridPainter::ChangeIconIndex("N"), 0);
        QCOMPARE(TPriceGridPainter::ChangeIconIndex("D"), 1);
        QCOMPARE(TPriceGridPainter::ChangeIconIndex("U"), 2);
        for (const char* other : {"", "n", "u", "NN", "X"})
            QCOMPARE(TPriceGridPainter::ChangeIconIndex(other), -1);
    }

    void inStockRowsAreLimeByTheSetting_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("highlighted");
        QTest::newRow("1") << u"1"_s << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("0") << u"0"_s << false;
        QTest::newRow("other") << u"x"_s << false;
    }

    void inStockRowsAreLimeByTheSetting() {
        QFETCH(QString, setting);
        QFETCH(bool, highlighted);
        StartWindow();
        m_main->FormStorage.SetStoredValue(TStoredValue::FLightPresense, setting);
        const QRgb lime = qRgb(0, 255, 0), white = qRgb(255, 255, 255);
        const QPoint free(kCell.right() - 1, kCell.bottom()); // below the text
        // Presence "+", "+ ", "++", "", "+": only the exact plus counts.
        const QList<bool> inStock = {true, false, false, false, true};
        for (int recNo = 0; recNo < inStock.size(); ++recNo) {
            const QRgb expected = highlighted && inStock[recNo] ? lime : white;
            QCOMPARE(PaintCell(u"Name"_s, recNo).pixel(free), expected);
            QCOMPARE(PaintCell(u"Country"_s, recNo).pixel(free), expected);
        }
        // Selected and focused cells keep the colours the grid prepared.
        const QColor selection(10, 36, 106);
        QCOMPARE(PaintCell(u"Name"_s, 0, {.Selected = true, .Focused = true}, selection).pixel(free),
                 selection.rgb());
        QCOMPARE(PaintCell(u"Name"_s, 0, {.Selected = true}, selection).pixel(free), selection.rgb());
    }

    void priceCellShowsTheChangeIcon() {
        StartWindow();
        m_main->FormStorage.SetStoredValue(TStoredValue::FLightPresense, u"0"_s);
        const QImage strip = TPriceGridPainter::PicClip();
        // Flags N, D, U, n, "", u, X, U.
        const QList<int> icons = {0, 1, 2, -1, -1, -1, -1, 2};
        for (int recNo = 0; recNo < icons.size(); ++recNo) {
            const QImage cell = PaintCell(u"Price"_s, recNo);
            QCOMPARE(cell.pixel(0, 0), qRgb(255, 255, 255)); // magenta is transparent
            // A point that every icon covers, left of the price text.
            const QRgb expected =
                icons[recNo] < 0 ? qRgb(255, 255, 255) : strip.pixel(icons[recNo] * 16 + 7, 7);
            QCOMPARE(cell.pixel(7, 7), expected);
        }
        // The icon sits on the lime of an in-stock row: "U" in a row with "+".
        m_main->FormStorage.SetStoredValue(TStoredValue::FLightPresense, u"1"_s);
        const QImage lime = PaintCell(u"Price"_s, 7);
        QCOMPARE(lime.pixel(0, 0), qRgb(0, 255, 0));
        QCOMPARE(lime.pixel(7, 11), qRgb(255, 0, 0));
    }

    void gridPaintsThroughTheMainWindow() {
        StartWindow();
        TDBGrid* grid = m_main->Price_Data->TableViewGrid;
        PriceTable().SetRecNo(3); // the current cell is elsewhere
        grid->viewport()->update();
        const QImage shown = grid->viewport()->grab().toImage();
        const QRect inStock = grid->visualRect(grid->model()->index(0, 1));
        QCOMPARE(shown.pixel(inStock.right() - 1, inStock.bottom() - 1), qRgb(0, 255, 0));
        const QRect notInStock = grid->visualRect(grid->model()->index(1, 1));
        QVERIFY(shown.pixel(notInStock.right() - 1, notInStock.bottom() - 1) != qRgb(0, 255, 0));
    }

    // --- Copy ---

    void textGridCopiesItsSelectedBlock() {
        TStringGrid grid(3);
        grid.SetRowCount(4);
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 3; ++col)
                grid.SetCells(col, row, u"%1:%2"_s.arg(col).arg(row));
        QCOMPARE(grid.Selection(), (TStringGrid::TGridRect{1, 1, 1, 1})); // the current cell
        QCOMPARE(grid.SelectedText(), u"1:1"_s);
        grid.SetSelection({1, 1, 2, 3});
        QCOMPARE(grid.SelectedText(), u"1:1\t2:1\r\n1:2\t2:2\r\n1:3\t2:3"_s);
        grid.SetSelection({2, 2, 2, 3});
        QCOMPARE(grid.SelectedText(), u"2:2\r\n2:3"_s);
    }

    void copyCommandWorksOnTextGridsOnly() {
        StartWindow();
        QString copied, emptyCopied;
        auto outcome = OnNextModal([&](QWidget* dialog) {
            TStringGrid* grid = m_program->AboutForm().InfDiscount;
            grid->SetSelection({1, 1, 1, 2});
            copied = CopyFrom(grid);
            // An empty cell copies nothing: the clipboard keeps what it had.
            grid->SetCells(1, 1, {});
            grid->SetSelection({1, 1, 1, 1});
            emptyCopied = CopyFrom(grid);
            static_cast<QDialog*>(dialog)->reject();
        });
        m_main->InfDiscount->trigger();
        QVERIFY(outcome->Ok());
        QCOMPARE(copied, u"3,00\r\n5,00"_s);
        QCOMPARE(emptyCopied, u"до копирования"_s);

        // The price grid is no text grid.
        QCOMPARE(CopyFrom(m_main->Price_Data->TableViewGrid), u"до копирования"_s);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TstPriceGrid test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pricegrid.moc"
