#include "framework/DataSource.h"
#include "framework/DBGrid.h"
#include "framework/DBNavigator.h"
#include "framework/MemTable.h"
#include "framework/NumberText.h"
#include "framework/ProcessMessages.h"
#include "framework/TextCollation.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <random>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Code (text 10), Name (text), Price (number), ID (auto-increment).
void Define(TMemTable& t) {
    t.AddField(u"Code"_s, TFieldType::String, 10);
    t.AddField(u"Name"_s, TFieldType::String, 255);
    t.AddField(u"Price"_s, TFieldType::Float);
    t.AddField(u"ID"_s, TFieldType::AutoInc);
    t.Open();
}

void Add(TMemTable& t, const QString& code, const QString& name, double price) {
    t.Append();
    t.FieldByName(u"code").SetAsString(code);
    t.FieldByName(u"name").SetAsString(name);
    t.FieldByName(u"price").SetAsFloat(price);
    t.Post();
}

QStringList Column(TMemTable& t, const QString& field) {
    QStringList values;
    for (t.First(); !t.Eof(); t.Next())
        values << t.FieldByName(field).AsString();
    return values;
}

QString Text(const char16_t* s) {
    return QString::fromUtf16(s);
}

// QTest::keyClicks passes Latin-1 only.
void Type(QWidget* widget, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TstMemTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // Numbers take a shortcut; each must still read exactly as the general fifteen-digit form.
    void numberTextIsTheGeneralForm() {
        QLocale general;
        general.setNumberOptions(QLocale::OmitGroupSeparator);
        std::mt19937_64 random(11);
        QList<double> values{0,
                             -0.0,
                             0.01,
                             0.05,
                             0.1,
                             0.3,
                             0.1 + 0.2,
                             2.5,
                             -2.5,
                             120,
                             1234500,
                             1e-4,
                             0.00009999,
                             1e-5,
                             1e12,
                             1e15,
                             1e16,
                             -1e20,
                             1.0 / 3,
                             12.345,
                             9.999999999999999,
                             999999999999999.9,
                             95971507693319.25,
                             std::nextafter(0.1, 1.0),
                             12.34 * 3};
        for (int i = 0; i < 100000; ++i) {
            const double cents = double(qint64(random() % 100000000000ULL)) / 100;
            const int exponent = int(random() % 40) - 20;
            values << cents << -cents * double(1 + random() % 13) << cents / 7
                   << std::ldexp(double(random() >> 11), -53) * std::pow(10.0, exponent);
        }
        TFloatText format;
        for (const double value : values) {
            const QString expected = general.toString(value == 0 ? 0 : value, 'g', 15);
            const QByteArray text = format.Text(value).toByteArray();
            if (Cp1251::Decode(text) != expected)
                QFAIL(qPrintable(
                    u"%1: %2 instead of %3"_s.arg(value, 0, 'g', 17).arg(Cp1251::Decode(text), expected)));
        }
        QCOMPARE(FloatToStr(37.019999999999996), u"37,02"_s);
        QCOMPARE(FloatToStr(-0.05), u"-0,05"_s);
        QCOMPARE(FloatToStr(1e-5), u"1E-05"_s); // the general form itself
    }

    void fieldsAreDefinedWhileClosed() {
        TMemTable t;
        Define(t);
        QCOMPARE(t.FieldCount(), 4);
        QCOMPARE(t.FindField(u"PRICE")->Index(), 2);
        QVERIFY(!t.FindField(u"Weight"));
        QVERIFY_THROWS_EXCEPTION(TException, t.AddField(u"Weight"_s, TFieldType::Float));
        try {
            t.FieldByName(u"Вес");
            QFAIL("no exception");
        } catch (const TException& e) {
            QCOMPARE(e.Message(), u"Поле 'Вес' не найдено"_s);
        }
        t.Close();
        QVERIFY_THROWS_EXCEPTION(TException, t.AddField(u"code"_s, TFieldType::String));
    }

    void postingStoresValues() {
        TMemTable t;
        Define(t);
        QVERIFY(t.IsEmpty());
        QCOMPARE(t.RecNo(), -1);
        QVERIFY_THROWS_EXCEPTION(TException, t.FieldByName(u"Code").SetAsString(u"x"_s));

        Add(t, u"A-1"_s, u"Фильтр масляный «Люкс»"_s, 12.5);
        t.Append();
        t.FieldByName(u"Code").SetAsString(u"ДЛИННЫЙ-КОД-12"_s); // cut to the field's 10 bytes
        t.Post();
        QCOMPARE(t.RecordCount(), 2);
        QCOMPARE(t.RecNo(), 1);
        QCOMPARE(t.FieldByName(u"Code").AsString(), u"ДЛИННЫЙ-КО"_s);
        QVERIFY(t.FieldByName(u"Name").IsNull());
        QVERIFY(t.FieldByName(u"Price").IsNull());
        QCOMPARE(t.FieldByName(u"Price").AsString(), QString());
        QCOMPARE(t.FieldByName(u"Price").AsFloat(), 0.0);
        QCOMPARE(t.FieldByName(u"ID").AsInteger(), 2);

        t.First();
        QCOMPARE(t.FieldByName(u"Name").AsString(), u"Фильтр масляный «Люкс»"_s);
        QCOMPARE(t.FieldByName(u"Name").AsBytes(), Cp1251::Encode(u"Фильтр масляный «Люкс»"));
        QCOMPARE(t.FieldByName(u"Price").AsString(), u"12,5"_s);
        QCOMPARE(t.FieldByName(u"ID").AsInteger(), 1);

        t.Edit();
        t.FieldByName(u"Price").SetAsString(u"7,25"_s);
        QVERIFY_THROWS_EXCEPTION(TException, t.FieldByName(u"Price").SetAsString(u"7.25"_s));
        t.Post();
        QCOMPARE(t.FieldByName(u"Price").AsFloat(), 7.25);

        t.Edit();
        t.FieldByName(u"Name").Clear();
        t.Cancel();
        QCOMPARE(t.FieldByName(u"Name").AsString(), u"Фильтр масляный «Люкс»"_s);
        t.Append();
        t.Cancel();
        QCOMPARE(t.RecordCount(), 2);

        // Moving while appending posts the record, as the grid does when the user leaves it.
        t.Append();
        t.FieldByName(u"Code").SetAsString(u"C"_s);
        t.First();
        QCOMPARE(t.RecordCount(), 3);
        QCOMPARE(t.State(), TMemTable::TState::Browse);

        t.Delete();
        QCOMPARE(Column(t, u"Code"_s), QStringList({u"ДЛИННЫЙ-КО"_s, u"C"_s}));
        t.Last();
        t.Delete();
        QCOMPARE(t.RecNo(), 0);
        t.Delete();
        QVERIFY(t.IsEmpty());
        QVERIFY_THROWS_EXCEPTION(TException, t.Delete());
        Add(t, u"D"_s, u""_s, 1);
        QCOMPARE(t.FieldByName(u"ID").AsInteger(), 5); // numbers are never reused, cancelled ones neither

        t.EmptyTable();
        QVERIFY(t.IsEmpty());
    }

    // Rows made in batches, one of them on another thread, land as Append and Post would put them.
    void batchesAppendAsPostingDoes() {
        TMemTable posted, batched;
        Define(posted);
        Define(batched);
        Add(posted, u"first"_s, u"Первый"_s, 1);
        Add(batched, u"first"_s, u"Первый"_s, 1);
        batched.OnFilterRecord = [&batched](int row) { return batched.RowFloat(row, 2) != 3; };
        batched.SetFiltered(true);

        TRowBatch mine(batched), other(batched);
        std::thread([&other] {
            std::vector<TRowBatch::TCell> cells(4);
            for (int i = 0; i < 3000; ++i) {
                const QByteArray name = "name " + QByteArray(300, char('a' + i % 26));
                cells[1] = {name, 0};
                cells[2] = {{}, double(i % 5)};
                other.Add(cells);
            }
        }).join();
        const QByteArray longCode = Cp1251::Encode(u"ДЛИННЫЙ-КОД-12");
        mine.Add({{longCode, 0}, {{}, 0}, {{}, std::nan("")}, {{}, 0}});
        QCOMPARE(other.Count(), 3000);
        batched.AppendRows(mine);
        batched.AppendRows(other);
        QCOMPARE(mine.Count(), 0);

        posted.Append();
        posted.FieldByName(u"Code").SetAsBytes(longCode);
        posted.Post();
        for (int i = 0; i < 3000; ++i) {
            posted.Append();
            posted.FieldByName(u"Name").SetAsBytes("name " + QByteArray(300, char('a' + i % 26)));
            posted.FieldByName(u"Price").SetAsFloat(i % 5);
            posted.Post();
        }
        QCOMPARE(batched.TotalRecordCount(), posted.RecordCount());
        for (int row = 0; row < posted.RecordCount(); ++row) {
            for (int field : {0, 1})
                QCOMPARE(batched.RowBytes(row, field), posted.RowBytes(row, field));
            for (int field : {2, 3})
                QCOMPARE(batched.RowText(row, field), posted.RowText(row, field));
        }
        QCOMPARE(batched.RecordCount(), 1 + 1 + 3000 - 600); // the filter judged every new row
        QCOMPARE(batched.RecNo(), batched.RecordCount() - 1);
        batched.Append(); // numbering goes on
        batched.Post();
        QCOMPARE(batched.FieldByName(u"ID").AsInteger(), 3003);
    }

    // Batches that gave back their spare room, taken at once into an empty table; posting goes on after
    // them, also records longer than what the last batch kept.
    void finishedBatchesTogether() {
        TMemTable t;
        Define(t);
        std::vector<std::unique_ptr<TRowBatch>> batches;
        std::vector<TRowBatch*> pieces;
        for (const char* code : {"a", "bb", "ccc"}) {
            batches.push_back(std::make_unique<TRowBatch>(t));
            batches.back()->Add({{code, 0}, {{}, 0}, {{}, 1.5}, {{}, 0}});
            batches.back()->Finish();
            pieces.push_back(batches.back().get());
        }
        t.AppendRows(pieces);
        QCOMPARE(batches.back()->Count(), 0);
        const QString longName(255, u'Ж');
        for (int i = 0; i < 300; ++i)
            Add(t, u"post"_s, longName, i);
        QCOMPARE(t.RecordCount(), 303);
        QCOMPARE(Column(t, u"Code"_s).mid(0, 4), QStringList({u"a"_s, u"bb"_s, u"ccc"_s, u"post"_s}));
        QCOMPARE(Column(t, u"Name"_s).last(), longName);
        QCOMPARE(Column(t, u"ID"_s).mid(2, 2), QStringList({u"3"_s, u"4"_s}));
    }

    void cursorAndEvents() {
        TMemTable t;
        Define(t);
        int scrolls = 0, posts = 0, deletes = 0;
        t.AfterScroll = [&] { ++scrolls; };
        t.AfterPost = [&] { ++posts; };
        t.AfterDelete = [&] { ++deletes; };
        for (int i = 0; i < 3; ++i)
            Add(t, QString::number(i), {}, i);
        QCOMPARE(posts, 3);
        QCOMPARE(scrolls, 3); // each Append

        scrolls = 0;
        t.First();
        QVERIFY(t.Bof() && !t.Eof());
        t.Next();
        t.Next();
        QVERIFY(!t.Eof());
        t.Next(); // past the end: no move, no event
        QVERIFY(t.Eof());
        QCOMPARE(t.RecNo(), 2);
        QCOMPARE(scrolls, 3);
        t.SetRecNo(2); // already there
        t.SetRecNo(99);
        QCOMPARE(scrolls, 3);
        t.SetRecNo(0);
        t.Prior();
        QVERIFY(t.Bof());
        QCOMPARE(scrolls, 4);
        QVERIFY(t.Locate(0, u"1"_s, {}));
        QCOMPARE(scrolls, 5);

        const TMemTable::TBookmark mark = t.Bookmark();
        t.Last();
        QVERIFY(t.GotoBookmark(mark));
        QCOMPARE(t.RecNo(), 1);
        t.Delete();
        QCOMPARE(deletes, 1);
        QVERIFY(!t.GotoBookmark(mark));
        QCOMPARE(t.RecNo(), 1);
    }

    void filterIsAnIndexOverTheRows() {
        TMemTable t;
        Define(t);
        for (int i = 0; i < 6; ++i)
            Add(t, QString::number(i), {}, i);
        int judged = 0;
        t.OnFilterRecord = [&](int row) {
            ++judged;
            return t.RowFloat(row, 2) >= 3;
        };
        QCOMPARE(judged, 0); // only while filtering
        t.SetRecNo(4);
        t.SetFiltered(true);
        QCOMPARE(judged, 6);
        QCOMPARE(t.RecNo(), 0); // switching moves to the first record
        QCOMPARE(Column(t, u"Code"_s), QStringList({u"3"_s, u"4"_s, u"5"_s}));

        Add(t, u"new-hidden"_s, {}, 1);
        Add(t, u"new-shown"_s, {}, 9);
        QCOMPARE(t.FieldByName(u"Code").AsString(), u"new-shown"_s);
        t.First();
        t.Edit();
        t.FieldByName(u"Price").SetAsFloat(0); // the edited record no longer passes
        t.Post();
        QCOMPARE(Column(t, u"Code"_s), QStringList({u"4"_s, u"5"_s, u"new-shown"_s}));

        t.SortOnField(2, true);
        QCOMPARE(Column(t, u"Code"_s), QStringList({u"new-shown"_s, u"5"_s, u"4"_s}));
        t.SetFiltered(false);
        QCOMPARE(t.RecordCount(), 8);
        QCOMPARE(Column(t, u"Code"_s).first(), u"new-shown"_s); // the sort stays
    }

    void sortIsStableAndKeepsTheCurrentRecord() {
        TMemTable t;
        Define(t);
        const QStringList names = {u"яблоко"_s, u"Ёж"_s,   u"еж"_s,   u"Еж"_s, u"ёж"_s, u"ель"_s, u"Ель"_s,
                                   u"ель"_s,    u"bolt"_s, u"Bolt"_s, u"10"_s, u"9"_s,  u""_s,    u"ель"_s};
        for (int i = 0; i < names.size(); ++i)
            Add(t, QString::number(i), names[i], names.size() - i);
        t.SetRecNo(5);
        t.SortOnField(1, false);
        QCOMPARE(t.FieldByName(u"Code").AsString(), u"5"_s);

        QStringList expected = names;
        QCollator collator;
        std::stable_sort(expected.begin(), expected.end(),
                         [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        QCOMPARE(Column(t, u"Name"_s), expected);
        // The three equal names keep the order they had.
        QStringList equalCodes;
        for (t.First(); !t.Eof(); t.Next())
            if (t.FieldByName(u"Name").AsString() == u"ель"_s)
                equalCodes << t.FieldByName(u"Code").AsString();
        QCOMPARE(equalCodes, QStringList({u"5"_s, u"7"_s, u"13"_s}));

        t.SortOnField(1, true);
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(Column(t, u"Name"_s).mid(0, 3), expected.mid(0, 3));
        equalCodes.clear();
        for (t.First(); !t.Eof(); t.Next())
            if (t.FieldByName(u"Name").AsString() == u"ель"_s)
                equalCodes << t.FieldByName(u"Code").AsString();
        QCOMPARE(equalCodes, QStringList({u"5"_s, u"7"_s, u"13"_s}));

        t.Append();
        t.FieldByName(u"Code").SetAsString(u"no price"_s);
        t.Post();
        t.SortOnField(2, false);
        QCOMPARE(Column(t, u"Code"_s).mid(0, 3), QStringList({u"no price"_s, u"13"_s, u"12"_s}));
    }

    // The fast collation must order exactly as QCollator does, whatever the characters. Texts may share a
    // beginning (the prefix) longer than the eight key bytes compared first.
    void collationMatchesQCollator_data() {
        QTest::addColumn<QString>("alphabet");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("maxLength");
        QTest::newRow("letters") << u"аАбБеЕёЁжЖяЯaAbBzZ019 -."_s << QString() << 5;
        QTest::newRow("punctuation") << u"аАеЁ !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~0"_s << QString() << 5;
        const QString other = Text(u"аЁbB9 -№«»—–\u00a0\u00ad…™ЃѓЇїЎў°NoT.") + QChar(0x0098);
        QTest::newRow("other") << other << QString() << 5;
        QString everyByte;
        for (int b = 1; b < 256; ++b)
            everyByte += Cp1251::Decode(QByteArray(1, char(b)));
        QTest::newRow("every byte") << everyByte << QString() << 4;
        // Two names that share eight letters, 9 and 10 letters long, and so on around that length.
        QTest::newRow("eight letters shared") << other << u"Фильтр м"_s << 2;
        QTest::newRow("seven letters shared") << other << u"Фильтр "_s << 3;
        QTest::newRow("expansion at the eighth") << other << u"Ремень…"_s << 3;
        QTest::newRow("every byte after eight") << everyByte << u"Свеча №1"_s << 2;
    }
    void collationMatchesQCollator() {
        QFETCH(QString, alphabet);
        QFETCH(QString, prefix);
        QFETCH(int, maxLength);
        std::mt19937 rng(7);
        std::vector<QByteArray> texts;
        // Nine and ten letters after the same eight: the tenth-letter text goes first here.
        texts.push_back(Cp1251::Encode(u"ааааааааб"));
        texts.push_back(Cp1251::Encode(u"аааааааааб"));
        for (int i = 0; i < 3000; ++i) {
            QString s = prefix;
            for (int n = int(rng() % (maxLength + 1)); n > 0; --n)
                s += alphabet[int(rng() % alphabet.size())];
            texts.push_back(Cp1251::Encode(s));
        }
        QCollator collator;
        for (bool descending : {false, true}) {
            std::vector<quint32> rows(texts.size());
            for (quint32 i = 0; i < rows.size(); ++i)
                rows[i] = i;
            std::vector<quint32> expected = rows;
            std::stable_sort(expected.begin(), expected.end(), [&](quint32 a, quint32 b) {
                const int c = collator.compare(Cp1251::Decode(texts[a]), Cp1251::Decode(texts[b]));
                return descending ? c > 0 : c < 0;
            });
            TTextCollation().Sort(
                rows, [&](quint32 r) { return QByteArrayView(texts[r]); }, descending);
            QCOMPARE(rows, expected);
        }
        for (size_t i = 0; i + 1 < texts.size(); ++i) {
            const int c = collator.compare(Cp1251::Decode(texts[i]), Cp1251::Decode(texts[i + 1]));
            QCOMPARE(TTextCollation().Compare(texts[i], texts[i + 1]), c < 0 ? -1 : c > 0 ? 1 : 0);
        }
    }

    // Sorting again the same way keeps the order; a change to the rows in between sorts anew.
    void sortingAgainAfterAChange() {
        TMemTable t;
        Define(t);
        for (const char16_t* name : {u"б", u"в", u"а"})
            Add(t, QString::fromUtf16(name), QString::fromUtf16(name), 1);
        t.SortOnField(1, true);
        t.SortOnField(1, true);
        QCOMPARE(Column(t, u"Name"_s), QStringList({u"в"_s, u"б"_s, u"а"_s}));
        Add(t, u"г"_s, u"г"_s, 1);
        t.SortOnField(1, true);
        QCOMPARE(Column(t, u"Name"_s), QStringList({u"г"_s, u"в"_s, u"б"_s, u"а"_s}));
        t.First();
        t.Edit();
        t.FieldByName(u"Name").SetAsString(u"а"_s);
        t.Post();
        t.SortOnField(1, true);
        QCOMPARE(Column(t, u"Code"_s), QStringList({u"в"_s, u"б"_s, u"г"_s, u"а"_s}));
        TMemTable copy;
        copy.CopyFrom(t);
        copy.SortOnField(1, false);
        QCOMPARE(Column(copy, u"Code"_s), QStringList({u"г"_s, u"а"_s, u"б"_s, u"в"_s}));
    }

    void locateIgnoresCaseAndTakesPrefixes() {
        TMemTable t;
        Define(t);
        Add(t, u"1"_s, u"Свеча зажигания"_s, 100);
        Add(t, u"2"_s, u"свеча накала"_s, 1);
        Add(t, u"3"_s, u"СВЁКЛА"_s, 12.5);
        const TLocateOptions loose{true, true};
        QCOMPARE(t.FindRecord(1, u"СВЕЧА"_s, loose), 0);
        QCOMPARE(t.FindRecord(1, u"свеча н"_s, loose), 1);
        QCOMPARE(t.FindRecord(1, u"свё"_s, loose), 2);
        QCOMPARE(t.FindRecord(1, u"свеча"_s, loose, 1), 1);
        QCOMPARE(t.FindRecord(1, u"свеча"_s, {false, true}), 1);
        QCOMPARE(t.FindRecord(1, u"свеча"_s, {true, false}), -1);
        QCOMPARE(t.FindRecord(1, u"свеча накала"_s, {true, false}), 1);
        QCOMPARE(t.FindRecord(1, u"св\u4e00"_s, loose), -1);
        QCOMPARE(t.FindRecord(1, QString(), loose), 0);
        QCOMPARE(t.FindRecord(2, u"1"_s, loose), 1); // numbers by value, not by prefix
        QCOMPARE(t.FindRecord(2, u"12,5"_s, loose), 2);
        QCOMPARE(t.FindRecord(2, u"10"_s, loose), -1);
        QVERIFY_THROWS_EXCEPTION(TException, t.FindRecord(2, u"a"_s, loose));
        QVERIFY(t.RecordMatches(0, 1, u"свеча з"_s, loose));
        QVERIFY(!t.RecordMatches(5, 1, u"с"_s, loose));
        QVERIFY(t.Locate(1, u"СВЁ"_s, loose));
        QCOMPARE(t.RecNo(), 2);
        QVERIFY(!t.Locate(1, u"Ж"_s, loose));
        QCOMPARE(t.RecNo(), 2);
    }

    void copySharesRowsUntilOneSideChanges() {
        TMemTable source;
        Define(source);
        for (int i = 0; i < 5; ++i)
            Add(source, QString::number(i), u"Имя %1"_s.arg(i), i);
        source.SortOnField(2, true);
        source.OnFilterRecord = [&](int row) { return source.RowFloat(row, 2) != 2; };
        source.SetFiltered(true);

        TMemTable copy;
        copy.AddField(u"Other"_s, TFieldType::String);
        copy.CopyFrom(source);
        QCOMPARE(copy.FieldCount(), 4);
        QCOMPARE(copy.Field(2).FieldName(), u"Price"_s);
        QCOMPARE(Column(copy, u"Code"_s), QStringList({u"4"_s, u"3"_s, u"1"_s, u"0"_s}));

        source.First();
        source.Edit();
        source.FieldByName(u"Name").SetAsString(u"Изменено"_s);
        source.Post();
        Add(source, u"5"_s, u"Новое"_s, 5);
        copy.First();
        QCOMPARE(copy.FieldByName(u"Name").AsString(), u"Имя 4"_s);
        QCOMPARE(copy.RecordCount(), 4);

        Add(copy, u"c"_s, u"В копии"_s, 0);
        QCOMPARE(copy.FieldByName(u"ID").AsInteger(), 6);
        source.SetFiltered(false);
        QCOMPARE(source.RecordCount(), 6);
        QVERIFY(!Column(source, u"Name"_s).contains(u"В копии"_s));
    }

    void modelFollowsTheTable() {
        TMemTable t;
        Define(t);
        TDataSource source;
        source.SetDataSet(&t);
        QAbstractItemModelTester tester(&source, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(source.columnCount(), 4); // without columns, every field
        source.SetColumns({{.FieldName = u"name"_s, .Title = u"Наименование"_s},
                           {.FieldName = u"Price"_s, .Title = u"Цена"_s, .Alignment = Qt::AlignRight},
                           {.FieldName = u"Missing"_s, .Title = u"Нет"_s}});
        QCOMPARE(source.columnCount(), 3);
        QCOMPARE(source.headerData(0, Qt::Horizontal).toString(), u"Наименование"_s);
        QCOMPARE(source.FieldOf(2), -1);

        for (int i = 0; i < 4; ++i)
            Add(t, QString::number(i), u"Имя %1"_s.arg(i), i + 0.5);
        QCOMPARE(source.rowCount(), 4);
        QCOMPARE(source.data(source.index(1, 0)).toString(), u"Имя 1"_s);
        QCOMPARE(source.data(source.index(1, 1)).toString(), u"1,5"_s);
        QCOMPARE(source.data(source.index(1, 2)).toString(), QString());
        QCOMPARE(source.data(source.index(1, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignRight | Qt::AlignVCenter);

        QSignalSpy resets(&source, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&source, &QAbstractItemModel::dataChanged);
        t.SetRecNo(2);
        t.Edit();
        t.FieldByName(u"Name").SetAsString(u"Другое"_s);
        t.Post();
        QCOMPARE(changes.count(), 1);
        QCOMPARE(resets.count(), 0);
        t.SortOnField(1, true);
        t.OnFilterRecord = [&](int row) { return t.RowFloat(row, 2) > 1; };
        t.SetFiltered(true);
        QCOMPARE(source.rowCount(), 3);
        t.Delete();
        QCOMPARE(source.rowCount(), 2);

        // A long job: one reset at its end, and the rows the grid knew of stay answerable meanwhile.
        resets.clear();
        t.DisableControls();
        t.SetFiltered(false);
        t.EmptyTable();
        for (int i = 0; i < 50; ++i)
            Add(t, QString::number(i), {}, i);
        QCOMPARE(source.rowCount(), 2);
        QCOMPARE(resets.count(), 0);
        t.EnableControls();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(source.rowCount(), 50);

        source.SetDataSet(nullptr);
        QCOMPARE(source.rowCount(), 0);
        QCOMPARE(source.columnCount(), 3);
        source.SetDataSet(&t);
        t.Close();
        QCOMPARE(source.rowCount(), 0);
    }

    void gridFollowsTheCursorBothWays() {
        TMemTable t;
        Define(t);
        for (int i = 0; i < 30; ++i)
            Add(t, QString::number(i), u"Имя %1"_s.arg(i), i);
        TDataSource source;
        source.SetDataSet(&t);
        TDBGrid grid;
        grid.SetDataSource(&source);
        grid.SetColumns({{.FieldName = u"Code"_s, .Title = u"Код"_s, .Width = 40},
                         {.FieldName = u"Name"_s, .Title = u"Наименование"_s, .Width = 350},
                         {.FieldName = u"Price"_s, .Title = u"Цена"_s, .Width = 75}});
        grid.resize(500, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QVERIFY(grid.verticalHeader()->isHidden());
        QCOMPARE(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

        int colEnters = 0, scrolls = 0;
        grid.OnColEnter = [&] { ++colEnters; };
        t.AfterScroll = [&] { ++scrolls; };
        t.SetRecNo(20);
        QCOMPARE(grid.currentIndex().row(), 20);
        QCOMPARE(colEnters, 0);

        grid.setCurrentIndex(source.index(5, 0)); // the user clicks a cell
        QCOMPARE(t.RecNo(), 5);
        QCOMPARE(scrolls, 2);
        grid.setCurrentIndex(source.index(5, 1));
        QCOMPARE(colEnters, 1);
        QCOMPARE(scrolls, 2);
        QCOMPARE(grid.SelectedField(), 1);
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(t.RecNo(), 6);
        t.SortOnField(2, true); // a reset keeps the cursor and the column
        QCOMPARE(grid.currentIndex(), source.index(t.RecNo(), 1));

        QString typed;
        grid.OnKeyPress = [&](QChar c) { typed += c; };
        Type(&grid, u"аб 1"_s);
        QTest::keyClick(&grid, Qt::Key_Backspace);
        QTest::keyClick(&grid, Qt::Key_Delete);
        QTest::keyClick(&grid, Qt::Key_Left);
        QCOMPARE(typed, u"аб 1\b"_s);
        QCOMPARE(grid.SelectedIndex(), 0);

        int clicked = -1;
        grid.OnTitleBtnClick = [&](int column) { clicked = column; };
        grid.horizontalHeader()->moveSection(2, 0); // Price first on screen
        QCOMPARE(grid.Columns().first().FieldName, u"Price"_s);
        const QRect title(
            grid.horizontalHeader()->sectionViewportPosition(grid.horizontalHeader()->logicalIndex(2)), 0, 20,
            10);
        QTest::mouseClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {}, title.center());
        QCOMPARE(clicked, 2);
        QCOMPARE(grid.Column(clicked).FieldName, u"Name"_s);

        grid.SetColumnWidth(0, 99);
        const QList<TColumnLayout> layout = grid.ColumnLayout();
        TDBGrid other;
        TDataSource otherSource;
        other.SetDataSource(&otherSource);
        other.SetColumns(grid.Columns());
        QCOMPARE(other.Column(0).FieldName, u"Price"_s);
        other.SetColumns(source.Columns()); // back to the defined order and widths
        QCOMPARE(other.Column(0).FieldName, u"Code"_s);
        QCOMPARE(other.Column(2).Width, 75);
        other.RestoreColumnLayout(layout + QList<TColumnLayout>{{u"Gone"_s, 0, 10}});
        QCOMPARE(other.Column(0).FieldName, u"Price"_s);
        QCOMPARE(other.Column(0).Width, 99);
        QCOMPARE(other.Column(2).FieldName, u"Name"_s);
        QCOMPARE(other.Column(2).Width, 350);
    }

    // The navigator hears of the table through the data source: detached there, it is detached too.
    void navigatorFollowsItsDataSource() {
        TMemTable t;
        Define(t);
        for (int i = 0; i < 3; ++i)
            Add(t, QString::number(i), {}, i);
        TDataSource source;
        source.SetDataSet(&t);
        TDBNavigator navigator({TDBNavigator::First, TDBNavigator::Next, TDBNavigator::Refresh});
        navigator.SetDataSource(&source);
        QCOMPARE(navigator.DataSet(), &t);
        QVERIFY(navigator.Action(TDBNavigator::First)->isEnabled());
        QVERIFY(!navigator.Action(TDBNavigator::Next)->isEnabled());
        t.First();
        QVERIFY(navigator.Action(TDBNavigator::Next)->isEnabled());

        source.SetDataSet(nullptr);
        QVERIFY(!navigator.Action(TDBNavigator::Refresh)->isEnabled());
        QSignalSpy changes(navigator.Action(TDBNavigator::First), &QAction::changed);
        t.Last();
        t.EmptyTable();
        for (int i = 0; i < 100; ++i)
            Add(t, QString::number(i), {}, i);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!navigator.Action(TDBNavigator::Next)->isEnabled());

        source.SetDataSet(&t);
        QVERIFY(navigator.Action(TDBNavigator::First)->isEnabled()); // on the last record
        navigator.Action(TDBNavigator::First)->trigger();
        QCOMPARE(t.RecNo(), 0);
        QVERIFY(navigator.Action(TDBNavigator::Next)->isEnabled());
    }

    void gridWithoutColumnsShowsEveryField() {
        TMemTable t;
        t.AddField(u"Code"_s, TFieldType::String);
        t.Open();
        TDataSource source;
        source.SetDataSet(&t);
        TDBGrid grid;
        grid.SetDataSource(&source);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        TMemTable wider;
        Define(wider);
        Add(wider, u"1"_s, u"Имя"_s, 2.5);
        t.CopyFrom(wider); // the structure changes under the grid
        QCOMPARE(grid.ColumnCount(), 4);
        QCOMPARE(grid.Column(2).FieldName, u"Price"_s);
        grid.grab(); // paints every column
        QCOMPARE(grid.ColumnLayout().size(), 4);
    }

    void processMessagesPumpsAtMostEvery30Ms() {
        // Each pump delivers one posted event; a busy loop of calls must pump, but not per call.
        int delivered = 0;
        const auto post = [&] { QTimer::singleShot(0, this, [&] { ++delivered; }); };
        post();
        QElapsedTimer clock;
        clock.start();
        int calls = 0;
        int pumps = 0;
        while (clock.elapsed() < 300) {
            ProcessMessages();
            ++calls;
            if (delivered > pumps) {
                pumps = delivered;
                post();
            }
        }
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(pumps >= 2, qPrintable(QString::number(pumps)));
        // However slow the machine, no more than one pump per 30 ms, plus the first.
        QVERIFY2(pumps <= elapsed / 30 + 1, qPrintable(u"%1 pumps in %2 ms"_s.arg(pumps).arg(elapsed)));
        QVERIFY(calls > pumps * 10);
    }
};

QTEST_MAIN(TstMemTable)
#include "tst_memtable.moc"
