#include "framework/DBGrid.h"
#include "framework/MemTable.h"
#include "price/FilterText.h"
#include "price/TableViewUnit.h"
#include "text/Cp1251.h"

#include <QHeaderView>
#include <QLabel>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A table view that counts its beeps instead of sounding them.
class TCountingView : public TTableView {
public:
    int Beeps = 0;

protected:
    void Beep() override { ++Beeps; }
};

struct TRow {
    QString Code, Name;
    double Price;
    QString Flag;
};

const QList<TRow> kRows = {
    {u"1"_s, u"Фильтр масляный"_s, 12.5, u"N"_s},
    {u"2"_s, u"фиксатор двери"_s, 1, u""_s},
    {u"3"_s, u"ФИЛЬТР ВОЗДУШНЫЙ"_s, 300, u"n"_s},
    {u"4"_s, u"Свеча зажигания"_s, 99, u"U"_s},
    {u"5"_s, u"Ё"_s, 1, u"D"_s},
    {u"6"_s, u"Амортизатор"_s, 1500, u""_s},
};

void Fill(TTableView& view) {
    TMemTable& t = *view.Table;
    t.AddField(u"Code"_s, TFieldType::String);
    t.AddField(u"Name"_s, TFieldType::String);
    t.AddField(u"Price"_s, TFieldType::Float);
    t.AddField(u"Price_flag"_s, TFieldType::String);
    view.TableViewGrid->SetColumns(
        {{.FieldName = u"Code"_s, .Title = u"Код"_s},
         {.FieldName = u"Name"_s, .Title = u"Наименование"_s, .Width = 200},
         {.FieldName = u"Price"_s, .Title = u"Цена"_s, .Alignment = Qt::AlignRight}});
    t.Open();
    for (const TRow& r : kRows) {
        t.Append();
        t.FieldByName(u"Code").SetAsString(r.Code);
        t.FieldByName(u"Name").SetAsString(r.Name);
        t.FieldByName(u"Price").SetAsFloat(r.Price);
        t.FieldByName(u"Price_flag").SetAsString(r.Flag);
        t.Post();
    }
    t.First();
}

QString Current(TTableView& view) {
    return view.Table->FieldByName(u"Code").AsString();
}

QStringList Codes(TTableView& view) {
    QStringList codes;
    for (view.Table->First(); !view.Table->Eof(); view.Table->Next())
        codes << Current(view);
    view.Table->First();
    return codes;
}

// QTest::keyClicks passes Latin-1 only.
void Type(QWidget* widget, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TstTableView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void searchFindsCyrillicInAnyCase() {
        TCountingView view;
        Fill(view);
        TDBGrid* grid = view.TableViewGrid;
        QCOMPARE(view.findChild<TDBGrid*>(u"TableViewGrid"_s), grid);
        QCOMPARE(view.findChild<QLabel*>(u"SearchPanel"_s), view.SearchPanel);
        view.Table->SetRecNo(5);
        grid->SetSelectedIndex(1);
        view.SearchText.clear();

        Type(grid, u"фИл"_s); // starts at the top: the first "Фил…", whatever its case
        QCOMPARE(Current(view), u"1"_s);
        QCOMPARE(view.SearchText, u"фИл"_s);
        QCOMPARE(view.SearchPanel->text(), u"Поиск: ФИЛ"_s);
        Type(grid, u"ьтр в"_s);
        QCOMPARE(Current(view), u"3"_s);
        QCOMPARE(view.Beeps, 0);

        Type(grid, u"Щ"_s); // nothing goes on like that: beep, refused
        QCOMPARE(view.Beeps, 1);
        QCOMPARE(view.SearchText, u"фИльтр в"_s);
        QCOMPARE(Current(view), u"3"_s);

        QTest::keyClick(grid, Qt::Key_Backspace);
        QCOMPARE(view.SearchText, u"фИльтр "_s);
        QCOMPARE(Current(view), u"3"_s); // still fits: stays
        QTest::keyClick(grid, Qt::Key_Escape);
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Tab);
        QCOMPARE(view.SearchText, u"фИльтр "_s);

        Type(grid, u"\u4e00"_s); // no Windows-1251 byte: found nowhere
        QCOMPARE(view.Beeps, 2);
        Type(grid, u"ё"_s); // ё is its own letter
        QCOMPARE(view.Beeps, 3);
    }

    void backspaceAndTheEmptySearch() {
        TCountingView view;
        Fill(view);
        view.TableViewGrid->SetSelectedIndex(1);
        view.Table->SetRecNo(3);
        view.TableViewGridKeyPress(u'\b');
        QCOMPARE(view.SearchText, QString());
        QCOMPARE(Current(view), u"4"_s);
        QCOMPARE(view.SearchPanel->text(), QString());
        view.TableViewGridKeyPress(u'ё');
        QCOMPARE(Current(view), u"5"_s);
        view.TableViewGridKeyPress(u'\b');
        QCOMPARE(view.SearchText, QString());
        QCOMPARE(view.SearchPanel->text(), QString());
        QCOMPARE(Current(view), u"5"_s);
        QCOMPARE(view.Beeps, 0);
    }

    void numericColumnsMatchByValue() {
        TCountingView view;
        Fill(view);
        view.TableViewGrid->SetSelectedIndex(2);
        view.TableViewGridKeyPress(u'a'); // no number: refused without a beep
        QCOMPARE(view.SearchText, QString());
        QCOMPARE(view.Beeps, 0);
        view.TableViewGridKeyPress(u'1'); // exactly 1, not "begins with 1"
        QCOMPARE(Current(view), u"2"_s);
        view.TableViewGridKeyPress(u'2');
        QCOMPARE(view.Beeps, 1);
        QCOMPARE(view.SearchText, u"1"_s);
        view.TableViewGridKeyPress(u','); // "1," is still 1
        QCOMPARE(view.SearchText, u"1,"_s);
        QCOMPARE(Current(view), u"2"_s);
        view.TableViewGridKeyPress(u'5');
        QCOMPARE(view.Beeps, 2);
        QCOMPARE(view.SearchText, u"1,"_s);
    }

    void movingClearsTheSearch() {
        TCountingView view;
        Fill(view);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        TDBGrid* grid = view.TableViewGrid;
        grid->SetSelectedIndex(1);
        Type(grid, u"с"_s);
        QCOMPARE(view.SearchPanel->text(), u"Поиск: С"_s);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(view.SearchText, QString());
        QCOMPARE(view.SearchPanel->text(), QString());

        Type(grid, u"а"_s);
        QCOMPARE(Current(view), u"6"_s);
        QTest::keyClick(grid, Qt::Key_Left); // another column
        QCOMPARE(view.SearchText, QString());
        Type(grid, u"5"_s);
        QCOMPARE(Current(view), u"5"_s);
        view.Table->First(); // the owner moves the record
        QCOMPARE(view.SearchText, QString());
    }

    void titleClicksCycleTheSort() {
        TCountingView view;
        Fill(view);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QHeaderView* titles = view.TableViewGrid->horizontalHeader();
        auto click = [&](int column) {
            const int x = titles->sectionViewportPosition(titles->logicalIndex(column)) + 5;
            QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, QPoint(x, titles->height() / 2));
        };
        auto markers = [&] {
            QList<TSortMarker> m;
            for (int c = 0; c < 3; ++c)
                m << view.TableViewGridGetBtnParams(c);
            return m;
        };
        const QStringList ascending = {u"6"_s, u"5"_s, u"4"_s, u"2"_s, u"3"_s, u"1"_s};
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());

        view.Table->SetRecNo(3);
        click(1);
        QCOMPARE(view.SortMode, TSortMode::Ascending);
        QCOMPARE(view.Table->RecNo(), 0);
        QCOMPARE(Codes(view), ascending);
        QCOMPARE(markers(), QList<TSortMarker>({TSortMarker::None, TSortMarker::Up, TSortMarker::None}));
        click(1);
        QCOMPARE(Codes(view), descending);
        QCOMPARE(markers()[1], TSortMarker::Down);
        click(1);
        QCOMPARE(view.SortMode, TSortMode::None);
        QCOMPARE(Codes(view), descending); // unsorted keeps the rows where they are
        QCOMPARE(markers()[1], TSortMarker::None);
        click(1);
        QCOMPARE(Codes(view), ascending);

        click(2); // another column always starts ascending
        QCOMPARE(view.SortField, u"Price"_s);
        QCOMPARE(view.SortMode, TSortMode::Ascending);
        QCOMPARE(Codes(view).mid(0, 2), QStringList({u"5"_s, u"2"_s})); // equal prices keep their order
        QCOMPARE(markers(), QList<TSortMarker>({TSortMarker::None, TSortMarker::None, TSortMarker::Up}));

        titles->moveSection(2, 0); // markers follow the column, not the place
        QCOMPARE(markers()[0], TSortMarker::Up);
    }

    void filterGrammar_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<bool>("rejected");
        const QStringList all = {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s};
        QTest::newRow("flag ignoring case") << u"1#Price_flag=N|"_s << QStringList({u"1"_s, u"3"_s}) << true;
        QTest::newRow("flag exact case") << u"0#Price_flag=N|"_s << QStringList({u"1"_s}) << true;
        QTest::newRow("begins with") << u"1#Name=фи*|"_s << QStringList({u"1"_s, u"2"_s, u"3"_s}) << true;
        QTest::newRow("begins, exact case") << u"0#Name=Фи*|"_s << QStringList({u"1"_s}) << true;
        QTest::newRow("ends with") << u"1#Name=*НЫЙ|"_s << QStringList({u"1"_s, u"3"_s}) << true;
        QTest::newRow("contains") << u"1#Name=*ТР*|"_s << QStringList({u"1"_s, u"3"_s}) << true;
        QTest::newRow("one character") << u"1#Name=?|"_s << QStringList({u"5"_s}) << true;
        QTest::newRow("no wildcard: whole value") << u"1#Name=фильтр|"_s << QStringList() << true;
        QTest::newRow("question marks") << u"1#Name=?вЕча*|"_s << QStringList({u"4"_s}) << true;
        QTest::newRow("pattern cut at =") << u"1#Name=а=б|"_s << QStringList() << true;
        QTest::newRow("leading = skipped") << u"1#Name==а*|"_s << QStringList({u"6"_s}) << true;
        QTest::newRow("both terms") << u"1#Name=ф*|Price_flag=n|"_s << QStringList({u"1"_s, u"3"_s}) << true;
        QTest::newRow("empty terms") << u"1#||Price_flag=U||"_s << QStringList({u"4"_s}) << true;
        QTest::newRow("unknown field") << u"1#Weight=5|Name=с*|"_s << QStringList({u"4"_s}) << true;
        QTest::newRow("no pattern") << u"1#Name|Name=|Code=2|"_s << QStringList({u"2"_s}) << true;
        QTest::newRow("field names ignore case") << u"1#nAmE=ё|"_s << QStringList({u"5"_s}) << true;
        QTest::newRow("number in the user's form") << u"1#Price=12,5|"_s << QStringList({u"1"_s}) << true;
        QTest::newRow("number with wildcards")
            << u"1#Price=1*|"_s << QStringList({u"1"_s, u"2"_s, u"5"_s, u"6"_s}) << true;
        QTest::newRow("stars collapse") << u"1#Name=***|Code=**6|"_s << QStringList({u"6"_s}) << true;
        QTest::newRow("star matches the empty flag") << u"1#Price_flag=*|"_s << all << false;
        QTest::newRow("no usable term") << u"1#Weight=5|"_s << all << false;
        QTest::newRow("text cut at #") << u"1#Code=1|#Code=2|"_s << QStringList({u"1"_s}) << true;
    }
    void filterGrammar() {
        QFETCH(QString, filter);
        QFETCH(QStringList, codes);
        QFETCH(bool, rejected);
        TCountingView view;
        Fill(view);
        view.SetViewState(QString(), filter);
        QCOMPARE(Codes(view), codes);
        QCOMPARE(view.FilterRejected, rejected);
    }

    void wildcardCornerCases() {
        auto matches = [](const QString& pattern, const QString& value, bool ignoreCase = false) {
            return TWildcard(pattern, ignoreCase).Matches(Cp1251::Encode(value));
        };
        QVERIFY(matches(u"a*b"_s, u"a*b"_s));  // plain equality comes first
        QVERIFY(matches(u"*"_s, QString()));   // a lone star takes the empty value
        QVERIFY(!matches(u"?*"_s, QString())); // nothing else does
        QVERIFY(matches(u"a*a"_s, u"aa"_s));
        QVERIFY(!matches(u"a*a"_s, u"a"_s)); // shorter than the fixed characters
        QVERIFY(matches(u"*ab*ab"_s, u"xabab"_s));
        QVERIFY(matches(u"*a?c*"_s, u"zzabcabd"_s));
        QVERIFY(!matches(u"*a?c"_s, u"abcd"_s));
        QVERIFY(matches(u"ёж*"_s, u"ЁЖИК"_s, true));
        QVERIFY(!matches(u"ёж*"_s, u"ЁЖИК"_s));
        QVERIFY(!matches(u"еж*"_s, u"ЁЖИК"_s, true));
        QVERIFY(matches(u"ЎЇ*"_s, u"ўї"_s, true));
        QVERIFY(!matches(u"*\u4e00*"_s, u"x"_s));
        QCOMPARE(SplitWords(u"##1##Name#x"_s, u'#'), QStringList({u"1"_s, u"Name"_s, u"x"_s}));
    }

    void viewStateStrings() {
        TCountingView view;
        Fill(view);
        QString sort, filter;
        view.GetViewState(sort, filter);
        QCOMPARE(sort, u"0#"_s);
        QCOMPARE(filter, u"0#"_s);

        view.SetViewState(u"2#Name"_s, u"0#Name=*ФИЛЬТР*|"_s);
        QCOMPARE(Codes(view), QStringList({u"3"_s}));
        view.SortTitleClick(u"name"_s); // same field: the cycle goes on to unsorted
        QCOMPARE(view.SortMode, TSortMode::None);
        view.SortTitleClick(u"name"_s);
        view.SortTitleClick(u"name"_s);
        view.FilterText = u"Name=ф*|"_s;
        view.FilterIgnoreCase = true;
        view.ApplyFilter();
        QCOMPARE(Codes(view), QStringList({u"1"_s, u"3"_s, u"2"_s}));
        view.GetViewState(sort, filter);
        QCOMPARE(sort, u"2#Name"_s);
        QCOMPARE(filter, u"1#Name=ф*|"_s);

        view.SetViewState(QString(), QString());
        QCOMPARE(view.SortMode, TSortMode::None);
        QCOMPARE(view.SortField, QString());
        QVERIFY(view.FilterIgnoreCase);
        QCOMPARE(view.FilterText, QString());
        QVERIFY(!view.Table->Filtered());
        QCOMPARE(Codes(view), QStringList({u"1"_s, u"3"_s, u"2"_s, u"4"_s, u"5"_s, u"6"_s}));

        view.SetViewState(u"#Name"_s, u"#Code=1|"_s); // the first word is the mode and the flag
        QCOMPARE(view.SortMode, TSortMode::None);
        QCOMPARE(view.SortField, QString());
        QVERIFY(view.FilterIgnoreCase);
        QCOMPARE(view.FilterText, QString());
        view.SetViewState(u"1#Nothing"_s, u"0"_s);
        QCOMPARE(view.SortField, u"Nothing"_s);
        QVERIFY(!view.FilterIgnoreCase);
        QCOMPARE(Codes(view).size(), 6);
    }

    void filterRejectingTheCurrentRecord() {
        TCountingView view;
        Fill(view);
        view.Table->SetRecNo(3);
        view.FilterText = u"Price_flag=n|"_s;
        view.FilterIgnoreCase = true;
        view.ApplyFilter();
        QCOMPARE(Current(view), u"1"_s);
        QVERIFY(view.FilterRejected);

        view.Table->SetRecNo(1);
        view.FilterText = u"Code=*|"_s;
        view.ApplyFilter(); // the remembered record passes: it stays current
        QCOMPARE(Current(view), u"3"_s);
        QVERIFY(!view.FilterRejected);
        QCOMPARE(view.DataSource->rowCount(), 6);
    }
};

QTEST_MAIN(TstTableView)
#include "tst_tableview.moc"
