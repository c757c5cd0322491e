#include "FileSizeLimit.h"
#include "TestFiles.h"
#include "order/OrderFile.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TstOrderFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString PathOf(const QString& name) const { return m_dir.filePath(name); }

    static QByteArray Cp(const QString& text) { return Cp1251::Encode(text); }

    static OrderHeader SampleHeader() {
        return {u"7"_s,
                QDate(2004, 3, 5),
                u"срочно"_s,
                u"ООО «Ромашка»"_s,
                u"г. Тверь, ул. Луговая, 1"_s,
                u"+7 4822 00-00-00"_s,
                u"Иванов И. И."_s,
                5};
    }

    static QString ReadError(const QString& path) {
        try {
            OrderFile::Read(path);
        } catch (const TException& e) {
            return e.Message();
        }
        return {};
    }

private Q_SLOTS:
    void writesTheKnownOrderByteForByte() {
        const QString path = PathOf(u"known.zkz"_s);
        OrderFile::Write(path, SampleHeader(),
                         {{u"AT0100001"_s, u"Фильтр масляный"_s, 2, 12.5, 25, u""_s},
                          {u"тр7"_s, u"Свеча"_s, 4, 0.05, 0.2, u"в коробке"_s}});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString expected =
            u"\tНАЧАЛО_РАЗДЕЛА\t\r\nДАННЫЕ_ЗАКАЗА\r\n\tПОЛЯ_ОСН\t\r\nВЕРСИЯ\r\n\tЗАП_ОСН\t\r\n1020\r\n"
            u"\tНАЧАЛО_РАЗДЕЛА\t\r\nЗАКАЗ\r\n\tПОЛЯ_ОСН\t\r\nДАТА\r\nНОМЕР\r\nКОММЕНТАРИЙ\r\nОРГАНИЗАЦИЯ\r\n"
            u"АДРЕС\r\nТЕЛЕФОН\r\nКОНТАКТНОЕ_ЛИЦО\r\nСКИДКА\r\n\tЗАП_ОСН\t\r\n 5. 3.2004\r\n7\r\nсрочно\r\n"
            u"ООО «Ромашка»\r\nг. Тверь, ул. Луговая, 1\r\n+7 4822 00-00-00\r\nИванов И. И.\r\n5.0000000\r\n"
            u"\tНАЧАЛО_РАЗДЕЛА\t\r\nСОСТАВ_ЗАКАЗА\r\n\tПОЛЯ_ОСН\t\r\nКОД\r\nНАИМЕНОВАНИЕ\r\nКОЛИЧЕСТВО\r\n"
            u"ЦЕНА\r\nСУММА\r\nКОММЕНТАРИЙ\r\n"
            u"\tЗАП_ОСН\t\r\nAT0100001\r\nФильтр масляный\r\n2.0000000\r\n12.5000000\r\n25.0000000\r\n\r\n"
            u"\tЗАП_ОСН\t\r\nтр7\r\nСвеча\r\n4.0000000\r\n0.0500000\r\n0.2000000\r\nв коробке\r\n"_s;
        QCOMPARE(f.readAll(), Cp(expected));
    }

    void roundTripKeepsHeaderLinesAndStoredSums() {
        const QString path = PathOf(u"round.zkz"_s);
        const OrderHeader header = SampleHeader();
        // A stored sum that is not count x price is kept as it is.
        const std::vector<OrderLine> lines = {{u"A1"_s, u"Ремень"_s, 3, 100, 299.99, u"x"_s},
                                              {u"b2"_s, u"Лампа"_s, 1.5, 12.05, 18.07, u""_s}};
        OrderFile::Write(path, header, lines);
        const OrderDocument read = OrderFile::Read(path);
        QCOMPARE(read.Header.OrderNumber, header.OrderNumber);
        QCOMPARE(read.Header.OrderDate, header.OrderDate);
        QCOMPARE(read.Header.OrderComment, header.OrderComment);
        QCOMPARE(read.Header.OrgName, header.OrgName);
        QCOMPARE(read.Header.Adress, header.Adress);
        QCOMPARE(read.Header.Phone, header.Phone);
        QCOMPARE(read.Header.ContactPerson, header.ContactPerson);
        QCOMPARE(read.Header.DiscountPercent, 5.0);
        QCOMPARE(read.Lines.size(), size_t(2));
        QCOMPARE(read.Lines[0].Summa, 299.99);
        QCOMPARE(read.Lines[1].Code, u"b2"_s);
        QCOMPARE(read.Lines[1].Count, 1.5);
        QCOMPARE(read.Lines[1].Price, 12.05);
        QCOMPARE(read.Lines[1].Comment, QString());
    }

    void refusesOtherVersions_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shownVersion");
        const QByteArray head =
            Cp(u"\tНАЧАЛО_РАЗДЕЛА\t\r\nДАННЫЕ_ЗАКАЗА\r\n\tПОЛЯ_ОСН\t\r\nВЕРСИЯ\r\n\tЗАП_ОСН\t\r\n"_s);
        QTest::newRow("1021") << head + "1021\r\n" << u"1021"_s;
        QTest::newRow("trailing space") << head + "1020 \r\n" << u"1020 "_s;
        QTest::newRow("decimal") << head + "1020.0\r\n" << u"1020.0"_s;
        QTest::newRow("section missing") << Cp(u"\tНАЧАЛО_РАЗДЕЛА\t\r\nЗАКАЗ\r\n"_s) << QString();
        QTest::newRow("binary garbage") << QByteArray("\x01\xff\xfe garbage \x7f\x80\x81", 14) << QString();
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("truncated in the version") << head.left(20) << QString();
    }

    void refusesOtherVersions() {
        QFETCH(QByteArray, content);
        QFETCH(QString, shownVersion);
        const QString path = PathOf(u"bad.zkz"_s);
        WriteBytes(path, content);
        QCOMPARE(ReadError(path), u"Несоответствие версий программы (ver 1020) и файла заказа "_s + path +
                                      u" (ver "_s + shownVersion + u")."_s);
    }

    void missingFileNamesThePath() {
        const QString path = PathOf(u"nowhere.zkz"_s);
        QCOMPARE(ReadError(path), u"Невозможно открыть файл "_s + path);
    }

    void laterVersionRecordCounts() {
        const QString path = PathOf(u"two.zkz"_s);
        WriteBytes(path, Cp(u"\tНАЧАЛО_РАЗДЕЛА\t\r\nДАННЫЕ_ЗАКАЗА\r\n\tПОЛЯ_ОСН\t\r\nВЕРСИЯ\r\n"
                          u"\tЗАП_ОСН\t\r\n1019\r\n\tЗАП_ОСН\t\r\n1020\r\n"_s));
        QCOMPARE(ReadError(path), QString());
    }

    void failedWriteKeepsThePreviousFile() {
        const QString path = PathOf(u"keep.zkz"_s);
        OrderFile::Write(path, SampleHeader(), {{u"A"_s, u"B"_s, 1, 1, 1, u""_s}});
        const QByteArray before = ReadBytes(path);
        std::vector<OrderLine> many(200, {u"КОД"_s, u"Длинное наименование детали"_s, 3, 120.5, 361.5, u"к"_s});
        {
            // The disk fills up half-way through the new, larger file.
            const FileSizeLimit limit(before.size() + 1000);
            QVERIFY_THROWS_EXCEPTION(TException, OrderFile::Write(path, SampleHeader(), many));
        }
        QCOMPARE(ReadBytes(path), before);
        QCOMPARE(QDir(m_dir.path()).entryList({u"keep.zkz*"_s}, QDir::Files), QStringList{u"keep.zkz"_s});
        // A folder in the way of the file: nothing is written, nothing is left behind.
        const QString blocked = PathOf(u"blocked.zkz"_s);
        QVERIFY(QDir().mkpath(blocked + u"/inside"_s));
        QVERIFY_THROWS_EXCEPTION(TException, OrderFile::Write(blocked, SampleHeader(), {}));
        QVERIFY(QFileInfo::exists(blocked + u"/inside"_s));
    }
};

QTEST_GUILESS_MAIN(TstOrderFile)
#include "tst_orderfile.moc"
