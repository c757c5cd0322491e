#include "app/MainFormUnit.h"
#include "app/SelectFormUnit.h"
#include "demo/DemoData.h"
#include "FileSizeLimit.h"
#include "framework/DBGrid.h"
#include "framework/FileDialog.h"
#include "framework/IniFile.h"
#include "framework/MemTable.h"
#include "framework/MessageBox.h"
#include "framework/StatusBar.h"
#include "ModalHelper.h"
#include "order/OrderTabs.h"
#include "price/TableViewUnit.h"
#include "ProgramFixture.h"
#include "shell/FlashForm.h"
#include "tablefile/ImpExp.h"
#include "text/Cp1251.h"
#include "text/TException.h"
#include "update/Unzip.h"
#include "update/UpdatePackage.h"
#include "update/UpgradeFormUnit.h"

#include "TestFiles.h"
#include "TestZip.h"
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTabWidget>
#include <QTemporaryDir>

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kErrorPrefix = u"Ошибка!\rТекст ошибки: "_s;
const QStringList kDataSections = {u"СИСТЕМНЫЕ_ДАННЫЕ"_s, u"ИНФ_О_ПРАЙСЕ"_s, u"СИСТЕМА_СКИДОК"_s,
                                   u"ПРАЙС_ЛИСТ"_s};
const QStringList kArticleFields = {
    u"КОД"_s,         u"НАИМЕНОВАНИЕ"_s, u"ПРОИЗВОДИТЕЛЬ"_s,   u"ЕД_ИЗМ"_s,
    u"ЦЕНА"_s,        u"ЦЕНА_ФЛАГ"_s,    u"НАЛИЧИЕ"_s,         u"КОЛ_В_УПАКОВКЕ"_s,
    u"ВЕС_ЕДЕНИЦЫ"_s, u"КАТАЛ_НОМЕР"_s,  u"КОД_СЕРТИФИКАТА"_s, u"СТРАНА"_s};

struct Section {
    QString Name;
    QStringList Fields;
    QList<QStringList> Records;
};

Section Version(const QString& version) {
    return {u"ДАННЫЕ_ОБНОВЛЕНИЯ"_s, {u"ВЕРСИЯ"_s}, {{version}}};
}

void WriteTable(const QString& path, const QList<Section>& sections) {
    TImpExpFile file;
    for (const Section& section : sections) {
        file.OpenSection(section.Name);
        file.AddFields(section.Fields);
        for (const QStringList& record : section.Records) {
            for (size_t k = 0; k < file.MainFields().size(); ++k)
                file.MainFields()[k]->Value = record.value(qsizetype(k));
            file.AppendRecord();
        }
    }
    file.SaveToFile(path);
}

// The file as it stands: its sections in order, each with its fields and records.
QList<Section> ReadTable(const QString& path) {
    TImpExpFile file(path, false);
    QStringList names;
    for (int i = 0; i + 1 < file.LineCount(); ++i)
        if (file.KindOf(i) == TImpExpFile::LineKind::Section) names << Cp1251::Decode(file.Line(i + 1));
    QList<Section> sections;
    for (const QString& name : names) {
        Section section{name, {}, {}};
        file.OpenSection(name);
        for (const auto& field : file.MainFields())
            section.Fields << field->Name();
        for (file.First(); file.HasRecord(); file.Next()) {
            QStringList record;
            for (const auto& field : file.MainFields())
                record << field->AsString();
            section.Records << record;
        }
        sections << section;
    }
    return sections;
}

quint32 Le(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | uchar(bytes[at + i]);
    return value;
}

void SetLe32(QByteArray& bytes, qsizetype at, quint32 value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

// Where the first member's data starts, after its local header.
qsizetype FirstMemberData(const QByteArray& zip) {
    return 30 + Le(zip, 26, 2) + Le(zip, 28, 2);
}

QByteArray Package(int articles) {
    QByteArray text;
    for (int i = 0; i < articles; ++i)
        text += "line " + QByteArray::number(i) + " of a package that compresses well\r\n";
    return text;
}

// Of this process, from the kernel's accounting.
qint64 StatusBytes(const char* field) {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}
qint64 ResidentBytes() {
    return StatusBytes("VmRSS:");
}
// Since the last ResetPeak.
qint64 PeakResidentBytes() {
    return StatusBytes("VmHWM:");
}
void ResetPeak() {
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

} // namespace

Q_DECLARE_METATYPE(Section)

class TstUpdate : public QObject, TProgramFixture {
    Q_OBJECT

    QTemporaryDir m_home;
    std::vector<Demo::Article> m_articles;
    std::vector<Demo::Article> m_update;

    QString Home(const QString& name) const { return m_home.filePath(name); }
    QString DataFile() const { return Home(u"data.iop"_s); }

    void Start() { StartAndShowProgram(); }
    void Stop() { StopProgram(); }
    TUpgradeForm& Upgrade() const { return m_program->UpgradeForm(); }
    bool Restored() const {
        return !m_program->Flash().isVisible() && m_main->isEnabled() && !QApplication::overrideCursor();
    }
    int PriceCount() const { return m_main->Price_Data->Table->TotalRecordCount(); }

    // Drives the update dialog: checks what it shows, then presses the named button.
    std::shared_ptr<ModalOutcome> OnDialog(const QString& button, QStringList* infoShown = nullptr) {
        return OnNextModal([button, infoShown](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), u"UpgradeForm"_s);
            QVERIFY(dialog->findChild<QPushButton*>(u"Button_Continue"_s)->isEnabled());
            const auto* grid = dialog->findChild<QTableWidget*>(u"InfUpgrade"_s);
            QVERIFY(!grid->horizontalScrollBar()->isVisible()); // the two columns fit the dialog
            if (infoShown) {
                for (int row = 0; row < grid->rowCount(); ++row)
                    for (int column = 0; column < 2; ++column)
                        *infoShown << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
            }
            dialog->findChild<QPushButton*>(button)->click();
        });
    }

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(m_home.isValid());
        UseProgramFolder(m_home.path());
        QVERIFY(QDir(m_home.path()).mkpath(u"Temp"_s));
        m_articles = Demo::MakeArticles({.Articles = 60, .Seed = 3});
        m_update = Demo::MakeUpdate(m_articles, {.Articles = 60, .Seed = 3});
        Demo::WriteUpdatePackage(Home(u"upgrade.upr"_s), m_update);
        Demo::ZipUpdatePackage(Home(u"upgrade.upr"_s), Home(u"upgrade.zip"_s));
    }

    void init() {
        Demo::WritePriceList(DataFile(), m_articles);
        QFile::remove(DataFile() + u".bak"_s);
        QFile::remove(Home(u"Temp/upgrade.upr"_s));
        QFile::remove(Home(u"system.ini"_s));
        TMessageBox::Reset();
        TFileDialog::Reset();
    }

    void cleanup() { Stop(); }

    // The package against the previous price list

    void rebuildsThePriceListWithItsChangeFlags() {
        WriteTable(DataFile(), {{u"СИСТЕМНЫЕ_ДАННЫЕ"_s, {u"ВЕРСИЯ"_s}, {{u"1020"_s}}},
                                {u"ЛИШНИЙ"_s, {u"А"_s}, {{u"1"_s}}},
                                {u"ПРАЙС_ЛИСТ"_s,
                                 {u"КОД"_s, u"ЦЕНА"_s},
                                 {{u"A1"_s, u"10"_s},
                                  {u"b2"_s, u"20"_s},
                                  {u"C3"_s, u"30"_s},
                                  {u"D4"_s, u"нет"_s},
                                  {u"E5"_s, u"12.5"_s},
                                  {u"Ёж"_s, u"3"_s},
                                  {u"X"_s, u"5"_s},
                                  {u"x"_s, u"7"_s},
                                  {u"GONE"_s, u"1"_s},
                                  {u"K"_s, u"1"_s},
                                  {u"Z"_s, u"2"_s},
                                  {u"k"_s, u"3"_s}}}});
        WriteBytes(DataFile(), "lines before the first section\r\n" + ReadBytes(DataFile()));
        // Fields in another order and case, a flag of its own, a field too many, no "СТРАНА".
        const QStringList fields = {u"ЦЕНА"_s,         u"ЦЕНА_ФЛАГ"_s,   u"код"_s,
                                    u"НАИМЕНОВАНИЕ"_s, u"ЛИШНЕЕ"_s,      u"ПРОИЗВОДИТЕЛЬ"_s,
                                    u"ЕД_ИЗМ"_s,       u"НАЛИЧИЕ"_s,     u"КОЛ_В_УПАКОВКЕ"_s,
                                    u"ВЕС_ЕДЕНИЦЫ"_s,  u"КАТАЛ_НОМЕР"_s, u"КОД_СЕРТИФИКАТА"_s};
        const QList<std::pair<QString, QString>> articles = {
            {u"A1"_s, u"12"_s},    {u"B2"_s, u"19.99"_s}, {u"c3"_s, u"30.0000000"_s}, {u"D4"_s, u"1"_s},
            {u"E5"_s, u"12.50"_s}, {u"ЁЖ"_s, u"3"_s},     {u"NEW"_s, u"1"_s},         {u"X"_s, u"5"_s},
            {u"X"_s, u"9"_s},      {u"x"_s, u"1"_s},      {u"C3"_s, u"31"_s},         {u"Z"_s, u"2"_s},
            {u"K"_s, u"3"_s},      {u"k"_s, u"3"_s}};
        const QStringList flags = {u"U"_s, u"D"_s, u""_s,  u"U"_s, u""_s, u""_s,  u"N"_s,
                                   u""_s,  u"U"_s, u"N"_s, u"N"_s, u""_s, u"U"_s, u""_s};
        QList<QStringList> records;
        for (const auto& [code, price] : articles)
            records << QStringList{price,   u"Z"_s, code,   u"Имя "_s + code, u"лишнее"_s, u"АВТОПРОМ"_s,
                                   u"шт"_s, u"+"_s, u"4"_s, u"0.3500000"_s,   u"21-01"_s,  u"РОСС"_s};
        const QString package = Home(u"package.upr"_s);
        WriteTable(package, {{u"ПРОЧЕЕ"_s, {u"Я"_s}, {{u"я"_s}}},
                             {u"ИНФ_О_ПРАЙСЕ"_s, {u"ЗНАЧЕНИЕ"_s, u"ПАРАМЕТР"_s}, {{u"v1"_s, u"p1"_s}}},
                             {u"ПРАЙС_ЛИСТ"_s, fields, records},
                             Version(u"1020"_s)});

        int pumped = 0;
        TUpdatePackage(package).ApplyTo(DataFile(), [&pumped] { ++pumped; });
        QCOMPARE(pumped, 12 + 1 + int(articles.size()));

        QVERIFY(
            ReadBytes(DataFile()).startsWith(Cp1251::Encode(u"\tНАЧАЛО_РАЗДЕЛА\t\r\nСИСТЕМНЫЕ_ДАННЫЕ\r\n")));
        const QList<Section> data = ReadTable(DataFile());
        QStringList names;
        for (const Section& section : data)
            names << section.Name;
        QCOMPARE(names, kDataSections);
        QCOMPARE(data[0].Fields, QStringList{u"ВЕРСИЯ"_s});
        QCOMPARE(data[0].Records, QList<QStringList>{{u"1020"_s}});
        QCOMPARE(data[1].Fields, (QStringList{u"ПАРАМЕТР"_s, u"ЗНАЧЕНИЕ"_s}));
        QCOMPARE(data[1].Records, (QList<QStringList>{{u"p1"_s, u"v1"_s}}));
        QCOMPARE(data[2].Fields, (QStringList{u"СУММА"_s, u"СКИДКА"_s}));
        QVERIFY(data[2].Records.isEmpty());
        QCOMPARE(data[3].Fields, kArticleFields);
        QCOMPARE(data[3].Records.size(), articles.size());
        for (int i = 0; i < articles.size(); ++i) {
            const auto& [code, price] = articles[i];
            QCOMPARE(data[3].Records[i],
                     (QStringList{code, u"Имя "_s + code, u"АВТОПРОМ"_s, u"шт"_s, price, flags[i], u"+"_s,
                                  u"4"_s, u"0.3500000"_s, u"21-01"_s, u"РОСС"_s, QString()}));
        }
    }

    void discountScaleIsCopiedInOrder() {
        const QString package = Home(u"package.upr"_s);
        WriteTable(package, {Version(u"1020"_s),
                             {u"СИСТЕМА_СКИДОК"_s,
                              {u"СКИДКА"_s, u"СУММА"_s},
                              {{u"5"_s, u"15000"_s}, {u"3"_s, u"5000"_s}, {u"3"_s, u"5000"_s}}},
                             {u"ПРАЙС_ЛИСТ"_s, {u"КОД"_s}, {{u"ONE"_s}}}});
        TUpdatePackage(package).ApplyTo(DataFile());
        const QList<Section> data = ReadTable(DataFile());
        QCOMPARE(data[2].Records,
                 (QList<QStringList>{{u"15000"_s, u"5"_s}, {u"5000"_s, u"3"_s}, {u"5000"_s, u"3"_s}}));
        // The previous articles are gone with the package that lacks them.
        QCOMPARE(data[3].Records.size(), 1);
    }

    // A package cut short passes the version check: one without articles is refused, and whatever an
    // update replaces stays beside it as data.iop.bak, one generation.
    void packageWithoutArticlesIsRefused_data() {
        QTest::addColumn<QByteArray>("cutBefore"); // the package ends before this text
        QTest::newRow("no price section") << Cp1251::Encode(u"ПРАЙС_ЛИСТ");
        QTest::newRow("cut after the fields") << Cp1251::Encode(u"\tЗАП_ОСН\t\r\nA1");
    }
    void packageWithoutArticlesIsRefused() {
        QFETCH(QByteArray, cutBefore);
        const QString path = Home(u"cut.upr"_s);
        WriteTable(path, {Version(u"1020"_s), {u"ПРАЙС_ЛИСТ"_s, {u"КОД"_s, u"ЦЕНА"_s}, {{u"A1"_s, u"1"_s}}}});
        const QByteArray whole = ReadBytes(path);
        WriteBytes(path, whole.left(whole.indexOf(cutBefore)));
        const QByteArray before = ReadBytes(DataFile());
        const QString message = u"В файле обновления "_s + path +
                                u" нет ни одной позиции прайс-листа. Возможно, файл загружен не полностью."_s;
        for (const auto& step : std::initializer_list<std::function<void(TUpdatePackage&)>>{
                 [](TUpdatePackage& p) { p.Check(); }, [&](TUpdatePackage& p) { p.ApplyTo(DataFile()); }}) {
            TUpdatePackage package(path);
            package.CheckVersion();
            try {
                step(package);
                QFAIL("a package without articles was taken");
            } catch (const TException& e) {
                QCOMPARE(e.Message(), message);
            }
        }
        QCOMPARE(ReadBytes(DataFile()), before);
        QVERIFY(!QFile::exists(DataFile() + u".bak"_s));
    }

    void previousPriceListIsKeptOneGeneration() {
        const QByteArray first = ReadBytes(DataFile());
        TUpdatePackage(Home(u"upgrade.upr"_s)).ApplyTo(DataFile());
        QCOMPARE(ReadBytes(DataFile() + u".bak"_s), first);
        const QByteArray second = ReadBytes(DataFile());
        QVERIFY(second != first);
        // A package cut inside its price section still has articles: taken, and undone by hand.
        const QByteArray package = ReadBytes(Home(u"upgrade.upr"_s));
        WriteBytes(Home(u"cut.upr"_s), package.left(package.size() * 2 / 3));
        TUpdatePackage(Home(u"cut.upr"_s)).ApplyTo(DataFile());
        QCOMPARE(ReadBytes(DataFile() + u".bak"_s), second);
        QVERIFY(ReadTable(DataFile()).value(3).Records.size() <
                ReadTable(DataFile() + u".bak"_s).value(3).Records.size());
        QCOMPARE(QDir(m_home.path()).entryList({u"data.iop*"_s}, QDir::Files | QDir::Hidden),
                 (QStringList{u"data.iop"_s, u"data.iop.bak"_s}));
    }

    // 64 MiB of line breaks pack into some 65 KB; read whole with an index of every line, they once
    // took over a gigabyte. Now the package is refused at the cost of holding its bytes once.
    void lineBreakBombIsRefusedInBoundedMemory() {
        const QString zip = Home(u"bomb.zip"_s);
        QVERIFY(MakeZip(zip, {{u"upgrade.upr"_s, QByteArray(64 * 1024 * 1024, '\n')}}));
        QVERIFY(QFileInfo(zip).size() < 128 * 1024);
        ResetPeak();
        const qint64 before = ResidentBytes();
        QString message;
        {
            TUnzip unzip(zip);
            QCOMPARE(unzip.Extract(u"upgrade.upr"_s, Home(u"Temp"_s)), 1);
            try {
                TUpdatePackage(Home(u"Temp/upgrade.upr"_s)).Check();
            } catch (const TException& e) {
                message = e.Message();
            }
        }
        const qint64 peak = PeakResidentBytes() - before;
        qInfo("reading the 64 MiB line-break package took at most %lld MB", peak / 1000000);
        QVERIFY(QFile::remove(Home(u"Temp/upgrade.upr"_s)));
        QCOMPARE(message,
                 u"Файл "_s + Home(u"Temp/upgrade.upr"_s) +
                     u" повреждён или не является файлом данных программы: в нём слишком много строк "
                     u"для его размера"_s);
        QVERIFY2(peak < 200'000'000, qPrintable(QString::number(peak)));
    }

    void versionOtherThan1020IsRefused_data() {
        QTest::addColumn<QList<Section>>("sections");
        QTest::addColumn<QString>("version");
        QTest::newRow("1020") << QList<Section>{Version(u"1020"_s)} << QString();
        QTest::newRow("last record counts")
            << QList<Section>{{u"ДАННЫЕ_ОБНОВЛЕНИЯ"_s, {u"ВЕРСИЯ"_s}, {{u"1019"_s}, {u"1020"_s}}}}
            << QString();
        QTest::newRow("earlier 1020")
            << QList<Section>{{u"ДАННЫЕ_ОБНОВЛЕНИЯ"_s, {u"ВЕРСИЯ"_s}, {{u"1020"_s}, {u"1019"_s}}}}
            << u"1019"_s;
        QTest::newRow("1021") << QList<Section>{Version(u"1021"_s)} << u"1021"_s;
        QTest::newRow("decimals") << QList<Section>{Version(u"1020.0"_s)} << u"1020.0"_s;
        QTest::newRow("blank") << QList<Section>{Version(u" 1020"_s)} << u" 1020"_s;
        QTest::newRow("no section") << QList<Section>{{u"ИНФ_О_ПРАЙСЕ"_s, {}, {}}} << u""_s;
        QTest::newRow("no field") << QList<Section>{{u"ДАННЫЕ_ОБНОВЛЕНИЯ"_s, {u"ВЕРСИЯ_"_s}, {{u"1020"_s}}}}
                                  << u""_s;
    }
    void versionOtherThan1020IsRefused() {
        QFETCH(QList<Section>, sections);
        QFETCH(QString, version);
        const QString path = Home(u"v.upr"_s);
        WriteTable(path, sections);
        TUpdatePackage package(path);
        if (version.isNull()) {
            package.CheckVersion();
            return;
        }
        try {
            package.CheckVersion();
            QFAIL("the version was accepted");
        } catch (const TException& e) {
            QCOMPARE(e.Message(), u"Несоответствие версий программы (ver 1020) и файла обновления "_s + path +
                                      u" (ver "_s + version +
                                      u"). Возможно требуется обновление программы."_s);
        }
    }

    void failedWriteKeepsTheOldDataFile() {
        const QByteArray old = ReadBytes(DataFile());
        const QString package = Home(u"big.upr"_s);
        Demo::WriteUpdatePackage(package, Demo::MakeArticles({.Articles = 3000, .Seed = 5}));
        QVERIFY(QFileInfo(package).size() > 256 * 1024);
        {
            const FileSizeLimit limit(256 * 1024);
            try {
                TUpdatePackage(package).ApplyTo(DataFile());
                QFAIL("a price list beyond the file size limit was written");
            } catch (const TException& e) {
                QCOMPARE(e.Message(),
                         u"Ошибка записи файла "_s + DataFile() + u": Превышен допустимый размер файла"_s);
            }
        }
        QCOMPARE(ReadBytes(DataFile()), old);
        QVERIFY(QDir(m_home.path()).entryList({u"data.iop*"_s}, QDir::Files | QDir::Hidden) ==
                QStringList{u"data.iop"_s});
    }

    void missingFilesAreReported() {
        try {
            TUpdatePackage package(Home(u"none.upr"_s));
            QFAIL("a missing package opened");
        } catch (const TException& e) {
            QCOMPARE(e.Message(), u"Невозможно открыть файл "_s + Home(u"none.upr"_s));
        }
        try {
            TUpdatePackage(Home(u"upgrade.upr"_s)).ApplyTo(Home(u"none.iop"_s));
            QFAIL("a missing price list was updated");
        } catch (const TException& e) {
            QCOMPARE(e.Message(), u"Невозможно открыть файл "_s + Home(u"none.iop"_s));
        }
        QVERIFY(!QFile::exists(Home(u"none.iop"_s)));
    }

    // Unpacking

    void extractsTheMember_data() {
        QTest::addColumn<int>("method");
        QTest::newRow("deflated") << int(ZIP_CM_DEFLATE);
        QTest::newRow("stored") << int(ZIP_CM_STORE);
    }
    void extractsTheMember() {
        QFETCH(int, method);
        const QString zip = Home(u"a.zip"_s);
        const QByteArray content = Package(5000);
        QVERIFY(MakeZip(zip, {{u"readme.txt"_s, "other", ZIP_CM_DEFLATE},
                              {u"sub/upgrade.upr"_s, "not this one", ZIP_CM_DEFLATE},
                              {u"upgrade.upr"_s, content, method}}));
        WriteBytes(Home(u"Temp/upgrade.upr"_s), "an older package");
        int pumped = 0;
        TUnzip unzip(zip);
        unzip.ProcessMessages = [&pumped] { ++pumped; };
        QCOMPARE(unzip.Extract(u"upgrade.upr"_s, Home(u"Temp"_s)), 1);
        QCOMPARE(ReadBytes(Home(u"Temp/upgrade.upr"_s)), content);
        QVERIFY(pumped > 0);
        QCOMPARE(QDir(Home(u"Temp"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"upgrade.upr"_s});
    }

    void otherFilesExtractNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("member");   // an archive holding only this member
        QTest::addColumn<QByteArray>("bytes"); // or a file of these bytes
        QTest::newRow("package") << u"upgrade.upr"_s << QString() << QByteArray();
        QTest::newRow("text") << u"t.zip"_s << QString() << Cp1251::Encode(u"\tНАЧАЛО_РАЗДЕЛА\t\r\n");
        QTest::newRow("empty") << u"e.zip"_s << QString() << QByteArray("");
        QTest::newRow("missing") << u"none.zip"_s << QString() << QByteArray();
        QTest::newRow("without member") << u"w.zip"_s << u"readme.txt"_s << QByteArray();
        QTest::newRow("only in a folder") << u"f.zip"_s << u"sub/upgrade.upr"_s << QByteArray();
        QTest::newRow("a folder of that name") << u"d.zip"_s << u"upgrade.upr/readme.txt"_s << QByteArray();
    }
    void otherFilesExtractNothing() {
        QFETCH(QString, name);
        QFETCH(QString, member);
        QFETCH(QByteArray, bytes);
        const QString path = Home(name);
        if (!member.isNull())
            QVERIFY(MakeZip(path, {{member, Package(10)}}));
        else if (!bytes.isNull())
            WriteBytes(path, bytes);
        WriteBytes(Home(u"Temp/upgrade.upr"_s), "kept");
        QCOMPARE(TUnzip(path).Extract(u"upgrade.upr"_s, Home(u"Temp"_s)), 0);
        QCOMPARE(ReadBytes(Home(u"Temp/upgrade.upr"_s)), "kept");
    }

    // A Windows archiver keeps the name as the user typed it; the file system ignored the case.
    void memberNameIgnoresLetterCase() {
        const QString zip = Home(u"c.zip"_s);
        QVERIFY(MakeZip(zip, {{u"readme.txt"_s, "other"}, {u"UPGRADE.UPR"_s, Package(10)}}));
        QCOMPARE(TUnzip(zip).Extract(u"upgrade.upr"_s, Home(u"Temp"_s)), 1);
        QCOMPARE(ReadBytes(Home(u"Temp/upgrade.upr"_s)), Package(10));
        // The exact name wins over one that differs in case only.
        QVERIFY(MakeZip(zip, {{u"Upgrade.upr"_s, "other case"}, {u"upgrade.upr"_s, Package(3)}}));
        QCOMPARE(TUnzip(zip).Extract(u"upgrade.upr"_s, Home(u"Temp"_s)), 1);
        QCOMPARE(ReadBytes(Home(u"Temp/upgrade.upr"_s)), Package(3));
        QCOMPARE(QDir(Home(u"Temp"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"upgrade.upr"_s});
    }

    void sizeLimitHoldsAtExactlyTheLimit() {
        const QString zip = Home(u"l.zip"_s);
        const QByteArray content = Package(100);
        QVERIFY(MakeZip(zip, {{u"upgrade.upr"_s, content}}));
        TUnzip unzip(zip);
        unzip.SizeLimit = content.size();
        QCOMPARE(unzip.Extract(u"upgrade.upr"_s, Home(u"Temp"_s)), 1);
        QCOMPARE(ReadBytes(Home(u"Temp/upgrade.upr"_s)), content);
        unzip.SizeLimit = content.size() - 1;
        QVERIFY_THROWS_EXCEPTION(TException, unzip.Extract(u"upgrade.upr"_s, Home(u"Temp"_s)));
    }

    // libzip checks no CRC of a member that yields no bytes.
    void emptyMemberWithACrcIsDamaged_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<quint32>("crc");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("stored") << 0 << quint32(0x12345678) << true;
        QTest::newRow("deflated") << 8 << quint32(0x12345678) << true;
        QTest::newRow("stored, truly empty") << 0 << quint32(0) << false;
    }
    void emptyMemberWithACrcIsDamaged() {
        QFETCH(int, method);
        QFETCH(quint32, crc);
        QFETCH(bool, damaged);
        const QString zip = Home(u"z.zip"_s);
        WriteBytes(zip, RawZip({{"upgrade.upr", QByteArray(), quint16(method), crc, 0, 0}}));
        WriteBytes(Home(u"Temp/upgrade.upr"_s), "kept");
        try {
            QCOMPARE(TUnzip(zip).Extract(u"upgrade.upr"_s, Home(u"Temp"_s)), 1);
            QVERIFY(!damaged);
            QCOMPARE(ReadBytes(Home(u"Temp/upgrade.upr"_s)), QByteArray());
        } catch (const TException& e) {
            QVERIFY(damaged);
            QCOMPARE(e.Message(), u"Файл upgrade.upr в архиве "_s + zip + u" повреждён"_s);
            QCOMPARE(ReadBytes(Home(u"Temp/upgrade.upr"_s)), "kept");
        }
    }

    void extractionStaysInItsFolder_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : {u"../upgrade.upr"_s, u"sub/../../upgrade.upr"_s, u"/tmp/upgrade.upr"_s,
                                    u"..\\upgrade.upr"_s, u".."_s, u""_s})
            QTest::newRow(qPrintable(name)) << name;
    }
    void extractionStaysInItsFolder() {
        QFETCH(QString, name);
        const QString zip = Home(u"t.zip"_s);
        QVERIFY(MakeZip(zip, {{name.isEmpty() ? u"x"_s : name, Package(3)}}));
        QVERIFY(QDir().mkpath(Home(u"Temp/inner"_s)));
        try {
            TUnzip(zip).Extract(name, Home(u"Temp/inner"_s));
            QFAIL("a name with a path was extracted");
        } catch (const TException& e) {
            QCOMPARE(e.Message(), u"Недопустимое имя файла для извлечения из архива: "_s + name);
        }
        QVERIFY(QDir(Home(u"Temp/inner"_s)).isEmpty());
        QVERIFY(!QFile::exists(Home(u"Temp/upgrade.upr"_s)));
        QVERIFY(!QFile::exists(u"/tmp/upgrade.upr"_s));
    }

    void damagedArchiveIsReported_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        const QString member = u"Файл upgrade.upr в архиве "_s;
        QTest::newRow("deflated data") << u"deflated"_s << u" повреждён"_s;
        QTest::newRow("stored data") << u"stored"_s << u" повреждён"_s;
        QTest::newRow("size declared smaller") << u"size"_s << u" повреждён"_s;
        QTest::newRow("beyond the size limit") << u"limit"_s << u" больше допустимого размера (1000 байт)"_s;
        QTest::newRow("declared 10 GB") << u"10 GB"_s << u" больше допустимого размера (1073741824 байт)"_s;
        QTest::newRow("truncated") << u"truncated"_s << u" повреждён или загружен не полностью"_s;
        QTest::newRow("encrypted") << u"encrypted"_s << u" зашифрован"_s;
    }
    void damagedArchiveIsReported() {
        QFETCH(QString, damage);
        QFETCH(QString, message);
        const QString zip = Home(u"d.zip"_s);
        const QByteArray content = Package(2000);
        const zip_int32_t method = damage == u"stored"_s ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        if (!MakeZip(zip, {{u"upgrade.upr"_s, content, method}},
                     damage == u"encrypted"_s ? "secret" : nullptr))
            QSKIP("this libzip cannot encrypt");
        if (damage == u"10 GB"_s) {
            RawZipMember member = RawZipMember::Stored("upgrade.upr", content);
            member.Size = 10'000'000'000;
            WriteBytes(zip, RawZip({member}));
        }
        QByteArray bytes = ReadBytes(zip);
        const qsizetype data = FirstMemberData(bytes);
        if (damage == u"deflated"_s || damage == u"stored"_s) {
            bytes[data + 100] = char(bytes[data + 100] ^ 0x55);
        } else if (damage == u"size"_s) {
            SetLe32(bytes, 22, 100);
            const qsizetype central = bytes.indexOf(QByteArray("PK\x01\x02", 4));
            SetLe32(bytes, central + 24, 100);
        } else if (damage == u"truncated"_s) {
            bytes.truncate(bytes.size() / 2);
        }
        WriteBytes(zip, bytes);
        WriteBytes(Home(u"Temp/upgrade.upr"_s), "kept");

        TUnzip unzip(zip);
        if (damage == u"limit"_s) unzip.SizeLimit = 1000;
        try {
            unzip.Extract(u"upgrade.upr"_s, Home(u"Temp"_s));
            QFAIL("a damaged archive was unpacked");
        } catch (const TException& e) {
            const QString expected =
                (damage == u"truncated"_s ? u"Архив "_s : u"Файл upgrade.upr в архиве "_s) + zip + message;
            QCOMPARE(e.Message(), expected);
        }
        QCOMPARE(ReadBytes(Home(u"Temp/upgrade.upr"_s)), "kept");
        QCOMPARE(QDir(Home(u"Temp"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"upgrade.upr"_s});
    }

    void unwritableFolderIsReported() {
        try {
            TUnzip(Home(u"upgrade.zip"_s)).Extract(u"upgrade.upr"_s, Home(u"NoSuchFolder"_s));
            QFAIL("unpacked into a missing folder");
        } catch (const TException& e) {
            QCOMPARE(e.Message(), u"Невозможно записать файл "_s + Home(u"NoSuchFolder/upgrade.upr"_s) +
                                      u": Нет такого файла или папки"_s);
        }
    }

    // The update dialog

    void continueAppliesAndReloads() {
        Start();
        m_main->Price_Data->SetViewState(u"2#Name"_s, u"1#Presence=+|"_s);
        QCOMPARE(PriceCount(), int(m_articles.size()));
        Upgrade().UpdateFileName = Home(u"upgrade.upr"_s);
        QStringList info;
        bool restored = false;
        auto dialog = OnNextModal([&](QWidget* d) {
            restored = !m_program->Flash().isVisible() && !QApplication::overrideCursor();
            QCOMPARE(d->windowTitle(), u"Обновление..."_s);
            QCOMPARE(d->size(), QSize(652, 391));
            const auto* grid = d->findChild<QTableWidget*>(u"InfUpgrade"_s);
            QCOMPARE(grid->horizontalHeaderItem(0)->text(), u"Параметр"_s);
            QCOMPARE(grid->horizontalHeaderItem(1)->text(), u"Значение"_s);
            QCOMPARE(grid->columnWidth(0), 150);
            for (int row = 0; row < grid->rowCount(); ++row)
                info << grid->item(row, 0)->text() + u'=' + grid->item(row, 1)->text();
            d->findChild<QPushButton*>(u"Button_Continue"_s)->click();
        });
        Upgrade().ShowUpdateInfo();
        QVERIFY(dialog->Ok());
        QVERIFY(restored);
        QCOMPARE(Upgrade().result(), int(QDialog::Accepted));
        QCOMPARE(info.size(), 5);
        QCOMPARE(info.value(2), u"Количество позиций="_s + QString::number(m_update.size()));

        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QVERIFY(Restored());
        QCOMPARE(PriceCount(), int(m_update.size()));
        QCOMPARE(m_main->StatusBar->PanelText(0), u"Всего записей "_s + QString::number(m_update.size()));
        QString sort, filter;
        m_main->Price_Data->GetViewState(sort, filter);
        QCOMPARE(sort, u"2#Name"_s);
        QCOMPARE(filter, u"1#Presence=+|"_s);
        QCOMPARE(TIniFile(Home(u"system.ini"_s)).ReadString(u"SYSTEM"_s, u"Price_Data_Sort"_s), u"2#Name"_s);
        // The demo's update has new, cheaper and dearer articles, and some codes in another case.
        QStringList flags;
        for (const QStringList& record : ReadTable(DataFile()).value(3).Records)
            flags << record[5];
        for (const QString& flag : {u"N"_s, u"D"_s, u"U"_s, u""_s})
            QVERIFY2(flags.contains(flag), qPrintable(flag));
    }

    void cancelChangesNothing() {
        Start();
        const QByteArray before = ReadBytes(DataFile());
        Upgrade().UpdateFileName = Home(u"upgrade.upr"_s);
        auto dialog = OnDialog(u"Button_Cancel"_s);
        Upgrade().ShowUpdateInfo();
        QVERIFY(dialog->Ok());
        QCOMPARE(Upgrade().result(), int(QDialog::Rejected));
        QCOMPARE(ReadBytes(DataFile()), before);
        QCOMPARE(PriceCount(), int(m_articles.size()));
        QVERIFY(!QFile::exists(Home(u"system.ini"_s)) ||
                TIniFile(Home(u"system.ini"_s)).ReadString(u"SYSTEM"_s, u"Price_Data_Sort"_s).isEmpty());
    }

    void emptyPriceInformationShowsOneBlankRow() {
        Start();
        WriteTable(Home(u"e.upr"_s), {Version(u"1020"_s), {u"ПРАЙС_ЛИСТ"_s, {u"КОД"_s}, {{u"A"_s}}}});
        Upgrade().UpdateFileName = Home(u"e.upr"_s);
        QStringList info;
        auto dialog = OnDialog(u"Button_Cancel"_s, &info);
        Upgrade().ShowUpdateInfo();
        QVERIFY(dialog->Ok());
        QCOMPARE(info, (QStringList{QString(), QString()}));
    }

    void refusedPackageShowsNoDialog() {
        Start();
        WriteTable(Home(u"old.upr"_s), {Version(u"1019"_s)});
        Upgrade().UpdateFileName = Home(u"old.upr"_s);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        Upgrade().ShowUpdateInfo();
        QVERIFY(!Upgrade().isVisible());
        QVERIFY(!Upgrade().Button_Continue->isEnabled());
        QCOMPARE(
            TMessageBox::ShownTexts(),
            QStringList{kErrorPrefix + u"Несоответствие версий программы (ver 1020) и файла обновления "_s +
                        Home(u"old.upr"_s) + u" (ver 1019). Возможно требуется обновление программы."_s});
        QVERIFY(Restored());
    }

    void failedApplicationStillClosesTheDialog() {
        Start();
        Upgrade().UpdateFileName = Home(u"upgrade.upr"_s);
        auto dialog = OnDialog(u"Button_Continue"_s);
        QFile::remove(DataFile());
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        Upgrade().ShowUpdateInfo();
        QVERIFY(dialog->Ok());
        QCOMPARE(Upgrade().result(), int(QDialog::Accepted));
        QCOMPARE(TMessageBox::ShownTexts(),
                 QStringList{kErrorPrefix + u"Невозможно открыть файл "_s + DataFile()});
        QVERIFY(!QFile::exists(DataFile()));
        QCOMPARE(PriceCount(), int(m_articles.size()));
        QVERIFY(Restored());
    }

    void priceInformationButtonFollowsItsCommand() {
        QAction infPrice;
        TUpgradeForm form({.InfPrice = &infPrice});
        QSignalSpy triggered(&infPrice, &QAction::triggered);
        QCOMPARE(form.Button_InfPrice->text(), u"о текущем прайс-листе"_s);
        form.Button_InfPrice->click();
        QCOMPARE(triggered.count(), 1);
        infPrice.setEnabled(false);
        QVERIFY(!form.Button_InfPrice->isEnabled());
    }

    // The manual update command

    void manualUpdateFromAnArchive() {
        Start();
        TFileDialog::SetNextFileName(Home(u"upgrade.zip"_s));
        auto dialog = OnNextModal([this](QWidget* d) {
            QCOMPARE(Upgrade().UpdateFileName, Home(u"Temp/upgrade.upr"_s));
            QVERIFY(QFile::exists(Home(u"Temp/upgrade.upr"_s)));
            d->findChild<QPushButton*>(u"Button_Continue"_s)->click();
        });
        m_main->PriceUpdateManual->trigger();
        QVERIFY(dialog->Ok());
        QCOMPARE(TFileDialog::Shown().size(), 1);
        const TFileDialog::TShown shown = TFileDialog::Shown().constFirst();
        QCOMPARE(shown.Title, u"Обновление прайс-листа из файла"_s);
        QCOMPARE(shown.Filter, u"Файлы обновления|*.upr|Файлы обновления (ZIP)|*.zip|Все файлы|*.*"_s);
        QCOMPARE(shown.FileName, u"upgrade.upr"_s);
        QCOMPARE(m_main->OpenDialog.DefaultExt, u"upr"_s);
        QCOMPARE(m_main->OpenDialog.FilterIndex, 1);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QCOMPARE(PriceCount(), int(m_update.size()));
        // The unpacked copy goes, the archive stays.
        QVERIFY(!QFile::exists(Home(u"Temp/upgrade.upr"_s)));
        QVERIFY(QFile::exists(Home(u"upgrade.zip"_s)));
    }

    void manualUpdateFromThePackageKeepsIt() {
        Start();
        TFileDialog::SetNextFileName(Home(u"upgrade.upr"_s));
        auto dialog = OnDialog(u"Button_Cancel"_s);
        m_main->PriceUpdateManual->trigger();
        QVERIFY(dialog->Ok());
        QCOMPARE(Upgrade().UpdateFileName, Home(u"upgrade.upr"_s));
        QVERIFY(QFile::exists(Home(u"upgrade.upr"_s)));
        QCOMPARE(PriceCount(), int(m_articles.size()));
    }

    void manualUpdateFromAnArchiveWithoutThePackage() {
        Start();
        QVERIFY(MakeZip(Home(u"other.zip"_s), {{u"sub/upgrade.upr"_s, ReadBytes(Home(u"upgrade.upr"_s))}}));
        TFileDialog::SetNextFileName(Home(u"other.zip"_s));
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        m_main->PriceUpdateManual->trigger();
        QCOMPARE(TMessageBox::ShownTexts(),
                 QStringList{kErrorPrefix +
                             u"Несоответствие версий программы (ver 1020) и файла обновления "_s +
                             Home(u"other.zip"_s) + u" (ver ). Возможно требуется обновление программы."_s});
        QVERIFY(QFile::exists(Home(u"other.zip"_s)));
        QVERIFY(Restored());
    }

    void manualUpdateRefusesWhileAnOrderStaysOpen() {
        Start();
        auto info = OnNextModal([](QWidget* d) { d->findChild<QPushButton*>(u"Button_Exit"_s)->click(); });
        m_main->NewOrder->trigger();
        QVERIFY(info->Ok());
        auto line = OnNextModal([](QWidget* d) { d->findChild<QPushButton*>(u"Button_Ok"_s)->click(); });
        QTest::keyClick(m_main->Price_Data->TableViewGrid, Qt::Key_Return);
        QVERIFY(line->Ok());

        TMessageBox::SetNextAnswer(TMessageBox::Cancel); // keep the order open
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        m_main->PriceUpdateManual->trigger();
        QCOMPARE(m_main->OrderControl->count(), 1);
        QCOMPARE(TMessageBox::ShownTexts().value(1),
                 kErrorPrefix + u"При обновлении должны быть закрыты все заказы"_s);
        QVERIFY(TFileDialog::Shown().isEmpty());

        // Once the orders close, the command goes on to the file dialog.
        TMessageBox::SetNextAnswer(TMessageBox::No);
        TFileDialog::SetNextCancel();
        m_main->PriceUpdateManual->trigger();
        QCOMPARE(m_main->OrderControl->count(), 0);
        QCOMPARE(TFileDialog::Shown().size(), 1);
    }
};

QTEST_MAIN(TstUpdate)
#include "tst_update.moc"
