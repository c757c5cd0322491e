#include "framework/MemTable.h"
#include "price/PriceList.h"
#include "price/TableViewUnit.h"
#include "tablefile/ImpExp.h"
#include "text/TException.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct TSection {
    QString Name;
    QStringList Fields;
    QList<QStringList> Records;
};

void WriteFile(const QString& path, const QList<TSection>& sections) {
    TImpExpFile file;
    for (const TSection& s : sections) {
        file.OpenSection(s.Name);
        file.AddFields(s.Fields);
        for (const QStringList& record : s.Records) {
            file.ClearValues();
            for (int i = 0; i < s.Fields.size(); ++i)
                file.FieldByName(s.Fields[i]).Value = record.value(i);
            file.AppendRecord();
        }
    }
    file.SaveToFile(path);
}

TSection System(const QString& version) {
    return {u"СИСТЕМНЫЕ_ДАННЫЕ"_s, {u"ВЕРСИЯ"_s}, {{version}}};
}

const QStringList kPriceFields = {
    u"КОД"_s,         u"НАИМЕНОВАНИЕ"_s,    u"ПРОИЗВОДИТЕЛЬ"_s, u"ЦЕНА"_s,
    u"НАЛИЧИЕ"_s,     u"КОЛ_В_УПАКОВКЕ"_s,  u"ЕД_ИЗМ"_s,        u"ВЕС_ЕДЕНИЦЫ"_s,
    u"КАТАЛ_НОМЕР"_s, u"КОД_СЕРТИФИКАТА"_s, u"СТРАНА"_s,        u"ЦЕНА_ФЛАГ"_s};

TSection Prices(const QList<QStringList>& records) {
    return {u"ПРАЙС_ЛИСТ"_s, kPriceFields, records};
}

QStringList Article(const QString& code, const QString& name, const QString& price,
                    const QString& flag = {}) {
    return {code,    name,      u"MANN"_s, price,     u"+"_s,        u"10"_s,
            u"шт"_s, u"0.25"_s, u"W712"_s, u"РОСС"_s, u"Германия"_s, flag};
}

QStringList Codes(TMemTable& t) {
    QStringList codes;
    for (t.First(); !t.Eof(); t.Next())
        codes << t.FieldByName(u"Code").AsString();
    t.First();
    return codes;
}

} // namespace

class TstPriceList : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    TTableView* m_view = nullptr;
    TMemTable* m_select = nullptr;
    TPriceList m_list;

    // The message of a failed load, empty when it succeeded.
    QString Load(const QString& sort = {}, const QString& filter = {}) {
        try {
            m_list.Load(m_path, *m_view, *m_select, sort, filter, {});
            return {};
        } catch (const TException& e) {
            return e.Message();
        }
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init() {
        m_path = m_dir.filePath(u"data.iop"_s);
        QFile::remove(m_path);
        m_view = new TTableView;
        m_view->setObjectName(u"Price_Data"_s);
        DefinePriceFields(*m_view->Table);
        m_select = new TMemTable;
        m_list = {};
    }
    void cleanup() {
        delete m_view;
        delete m_select;
    }

    void fieldsAndColumns() {
        TMemTable& t = *m_view->Table;
        QVERIFY(!t.Active());
        QStringList names;
        for (int i = 0; i < t.FieldCount(); ++i)
            names << t.Field(i).FieldName();
        QCOMPARE(names, QStringList({u"Price_flag"_s, u"Code"_s, u"Name"_s, u"Producer"_s, u"Price"_s,
                                     u"Presence"_s, u"Col_upak"_s, u"Ed_izm"_s, u"Weight"_s, u"Cat_number"_s,
                                     u"Code_sert"_s, u"Country"_s}));
        QVERIFY(t.FieldByName(u"Weight").IsNumeric());
        QCOMPARE(t.FieldByName(u"Name").Size(), 255);

        const QList<TGridColumn> columns = PriceColumns();
        QCOMPARE(columns.size(), 11);
        QCOMPARE(columns[7].Title, u"Вес еденицы"_s);
        QCOMPARE(columns[7].Alignment, Qt::AlignRight);
        QCOMPARE(columns[1].Width, 350);
        QCOMPARE(columns[4].FieldName, u"Presence"_s);
        QCOMPARE(columns[4].Alignment, Qt::AlignHCenter);
        QCOMPARE(columns[4].FontFamily, u"Arial Black"_s);
        QVERIFY(columns[4].FontBold);
        QVERIFY(columns[3].FontFamily.isEmpty());
        for (const TGridColumn& c : columns)
            QVERIFY(t.FindField(c.FieldName));
    }

    void versionCheck_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("1020") << u"1020"_s << true;
        QTest::newRow("decimal part") << u"1020.0"_s << false;
        QTest::newRow("leading blank") << u" 1020"_s << false;
        QTest::newRow("1021") << u"1021"_s << false;
        QTest::newRow("empty") << QString() << false;
    }
    void versionCheck() {
        QFETCH(QString, version);
        QFETCH(bool, accepted);
        WriteFile(m_path, {System(u"1020"_s), Prices({Article(u"old"_s, u"Прежний"_s, u"1"_s)})});
        QCOMPARE(Load(), QString());
        WriteFile(m_path, {System(version), Prices({Article(u"new"_s, u"Новый"_s, u"2"_s)})});
        const QString message = Load();
        if (accepted) {
            QCOMPARE(message, QString());
            QCOMPARE(Codes(*m_view->Table), QStringList({u"new"_s}));
            return;
        }
        QCOMPARE(message, u"Несоответствие версий программы (ver 1020) и файла данных data.iop (ver "_s +
                              version + u")."_s);
        QCOMPARE(Codes(*m_view->Table), QStringList({u"old"_s})); // nothing changed
        QCOMPARE(m_view->DataSource->DataSet(), m_view->Table.get());
    }

    void lastSystemRecordCounts() {
        TSection system = System(u"1020"_s);
        system.Records.append({u"1019"_s});
        WriteFile(m_path, {system});
        QVERIFY(Load().endsWith(u"(ver 1019)."_s));
        system.Records = {{u"1019"_s}, {u"1020"_s}};
        WriteFile(m_path, {system});
        QCOMPARE(Load(), QString());
    }

    void missingFileIsCreatedAndRefused() {
        QCOMPARE(Load(), u"Несоответствие версий программы (ver 1020) и файла данных data.iop (ver )."_s);
        QVERIFY(QFile::exists(m_path));
        QCOMPARE(QFileInfo(m_path).size(), 0);
    }

    void emptyAndMissingSections() {
        WriteFile(m_path, {System(u"1020"_s),
                           {u"ИНФ_О_ПРАЙСЕ"_s, {u"ПАРАМЕТР"_s, u"ЗНАЧЕНИЕ"_s}, {}},
                           {u"ПРАЙС_ЛИСТ"_s, kPriceFields, {}}});
        m_list.PriceInfo = {{u"старое"_s, u"значение"_s}};
        m_list.DiscountScale = {{100, 5}};
        QCOMPARE(Load(), QString());
        QVERIFY(m_list.PriceInfo.isEmpty());
        QVERIFY(m_list.DiscountScale.isEmpty());
        QVERIFY(m_view->Table->Active());
        QCOMPARE(m_view->Table->RecordCount(), 0);
        QCOMPARE(m_select->RecordCount(), 0);
        QCOMPARE(m_select->FieldCount(), 12);
    }

    void listsInFileOrder() {
        WriteFile(
            m_path,
            {System(u"1020"_s),
             {u"ИНФ_О_ПРАЙСЕ"_s,
              {u"ПАРАМЕТР"_s, u"ЗНАЧЕНИЕ"_s},
              {{u"Дата прайса"_s, u"01.12.2026"_s}, {u"Поставщик"_s, u"ООО «Деталь»"_s}}},
             {u"СИСТЕМА_СКИДОК"_s,
              {u"СУММА"_s, u"СКИДКА"_s},
              {{u"50000"_s, u"5"_s}, {u"10000.5"_s, u"2.5"_s}, {u"50000"_s, u"5"_s}, {u"много"_s, u""_s}}}});
        QCOMPARE(Load(), QString());
        QCOMPARE(m_list.PriceInfo.size(), 2);
        QCOMPARE(m_list.PriceInfo[1].Parameter, u"Поставщик"_s);
        QCOMPARE(m_list.PriceInfo[1].ParamValue, u"ООО «Деталь»"_s);
        QCOMPARE(m_list.DiscountScale.size(), 4); // unsorted, duplicates stay
        QCOMPARE(m_list.DiscountScale[1].Summa, 10000.5);
        QCOMPARE(m_list.DiscountScale[1].Discount, 2.5);
        QCOMPARE(m_list.DiscountScale[3].Summa, 0.0); // unreadable numbers read as 0
    }

    void recordsWithAbsentFieldsAndBadNumbers() {
        const QString longName(300, u'Ж');
        WriteFile(m_path,
                  {System(u"1020"_s),
                   {u"ПРАЙС_ЛИСТ"_s,
                    {u"КОД"_s, u"НАИМЕНОВАНИЕ"_s, u"ЦЕНА"_s, u"ВЕС_ЕДЕНИЦЫ"_s},
                    {{u"A-1"_s, u"Фильтр ёмкости"_s, u"12.5"_s, u"0,3"_s}, {u"A-2"_s, longName, u"abc"_s}}}});
        QCOMPARE(Load(), QString());
        TMemTable& t = *m_view->Table;
        QCOMPARE(t.RecordCount(), 2);
        QCOMPARE(t.RecNo(), 0);
        QCOMPARE(t.FieldByName(u"Name").AsString(), u"Фильтр ёмкости"_s);
        QCOMPARE(t.FieldByName(u"Price").AsFloat(), 12.5);
        QCOMPARE(t.FieldByName(u"Weight").AsFloat(), 0.0); // a comma is no file number
        QCOMPARE(t.FieldByName(u"Price_flag").AsString(), QString());
        QCOMPARE(t.FieldByName(u"Country").AsString(), QString());
        QCOMPARE(t.FieldByName(u"Col_upak").AsFloat(), 0.0);
        t.Next();
        QCOMPARE(t.FieldByName(u"Price").AsFloat(), 0.0);
        QCOMPARE(t.FieldByName(u"Name").AsString(), longName.left(255));
    }

    void storedViewStateAndTheFullCopy() {
        WriteFile(m_path, {System(u"1020"_s), Prices({Article(u"1"_s, u"Свеча"_s, u"100"_s, u"N"_s),
                                                      Article(u"2"_s, u"Амортизатор"_s, u"900"_s),
                                                      Article(u"3"_s, u"Фильтр"_s, u"150"_s, u"n"_s),
                                                      Article(u"4"_s, u"Ремень"_s, u"300"_s, u"N"_s)})});
        QSignalSpy resets(m_view->DataSource.get(), &QAbstractItemModel::modelReset);
        int pumped = 0;
        m_list.Load(m_path, *m_view, *m_select, u"2#Price"_s, u"0#Price_flag=N|Nothing=x|"_s,
                    [&] { ++pumped; });
        QCOMPARE(pumped, 4);
        QCOMPARE(resets.count(), 2); // detached, then attached once with everything applied
        QCOMPARE(m_view->DataSource->DataSet(), m_view->Table.get());
        QCOMPARE(m_view->DataSource->rowCount(), 2);
        QCOMPARE(Codes(*m_view->Table), QStringList({u"4"_s, u"1"_s}));
        QCOMPARE(m_view->SortField, u"Price"_s);
        QVERIFY(m_view->FilterRejected);
        QCOMPARE(Codes(*m_select), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s})); // all, in file order
        m_select->Last();
        QCOMPARE(m_select->FieldByName(u"Country").AsString(), u"Германия"_s);

        // A reload starts from no sort and no filter and applies the strings it is given.
        QCOMPARE(Load(u"1#Name"_s, u"1#Price_flag=n|"_s), QString());
        QCOMPARE(Codes(*m_view->Table), QStringList({u"4"_s, u"1"_s, u"3"_s}));
        QCOMPARE(Codes(*m_select), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s}));
        QCOMPARE(Load(), QString());
        QCOMPARE(Codes(*m_view->Table), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s}));
        QVERIFY(m_view->FilterIgnoreCase);
    }
};

QTEST_MAIN(TstPriceList)
#include "tst_pricelist.moc"
