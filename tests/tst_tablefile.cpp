#include "FileSizeLimit.h"
#include "tablefile/ImpExp.h"
#include "tablefile/ImpExpWriter.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include <QtTest>

#include <cmath>
#include <csignal>
#include <memory>
#include <random>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TValue)

namespace {

const QString kSection = u"\tНАЧАЛО_РАЗДЕЛА\t"_s;
const QString kMainFields = u"\tПОЛЯ_ОСН\t"_s;
const QString kDetailFields = u"\tПОЛЯ_ДЕТ\t"_s;
const QString kRecord = u"\tЗАП_ОСН\t"_s;
const QString kDetailRecord = u"\tЗАП_ДЕТ\t"_s;

// The file text of the given lines, each ended by CR LF.
QByteArray FileBytes(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines)
        out += Cp1251::Encode(line) + "\r\n";
    return out;
}

QStringList LinesOf(const TImpExpFile& file) {
    QStringList lines;
    for (int i = 0; i < file.LineCount(); ++i)
        lines << Cp1251::Decode(file.Line(i));
    return lines;
}

// Every record of a section, each as the texts of its main fields.
QList<QStringList> Records(TImpExpFile& file, const QString& section) {
    QList<QStringList> records;
    file.OpenSection(section);
    for (file.First(); file.HasRecord(); file.Next()) {
        QStringList values;
        for (const auto& field : file.MainFields())
            values << field->AsString();
        records << values;
    }
    return records;
}

// Fails a write once a given number of bytes went through.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 capacity) : m_capacity(capacity) { open(WriteOnly | Unbuffered); }
    QByteArray Written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const qint64 n = std::min(size, m_capacity - Written.size());
        if (n <= 0) return -1;
        Written.append(data, n);
        return n;
    }

private:
    qint64 m_capacity;
};

// The same sections, fields and records for the whole-file writer and the streaming one: names and values
// that must be made harmless, every kind of value, values kept from record to record, fields declared
// twice, records before any field and a section without records.
template <typename TWriter> void WriteSampleSections(TWriter& file) {
    file.AppendRecord(); // no section yet
    file.OpenSection(u"ПУСТОЙ");
    file.AppendRecord(); // no field yet
    file.OpenSection(u"С\rЛОМАНЫМ\nИМЕНЕМ");
    file.AddFields({u"А"_s, u"Б"_s, u"а"_s, u"А"_s, u"\tЗАП_ОСН\t"_s});
    file.AddFields({u"В"_s, u"Б"_s});
    const TValue values[] = {TValue(u"a\r\nb"_s),
                             TValue(kRecord),
                             TValue(kSection + u'x'),
                             TValue::FromBytes(QByteArray("n\0l", 3)),
                             TValue(42),
                             TValue(qint64(9007199254740993)),
                             TValue(1234.5678),
                             TValue(-0.1),
                             TValue(TCurrency{123456}),
                             TValue(TDateTime::FromDate(QDate(2026, 12, 9))),
                             TValue(true),
                             TValue(u"Фильтр «Стандарт» — №5"_s),
                             TValue()};
    for (const TValue& value : values) {
        file.FieldByName(u"а").Value = value;
        file.AppendRecord();
        file.FieldByName(u"б").Value = value; // kept for the next record
    }
    file.FieldByName(u"НЕТ_ТАКОГО").Value = u"никуда"_s;
    file.ClearValues();
    file.AppendRecord();
    file.OpenSection(u"ПОСЛЕДНИЙ");
    file.AddFields({u"Х"_s});
    file.FieldByName(u"Х").Value = u"конец"_s;
    file.AppendRecord();
}

// Some 200 KB of price records, beyond the file size limit of the failing writes.
template <typename TWriter> void WritePriceRecords(TWriter& file) {
    file.OpenSection(u"ПРАЙС_ЛИСТ");
    file.AddFields({u"КОД"_s, u"НАИМЕНОВАНИЕ"_s});
    for (int i = 0; i < 5000; ++i) {
        file.FieldByName(u"КОД").Value = i;
        file.FieldByName(u"НАИМЕНОВАНИЕ").Value = u"Фильтр масляный для проверки записи"_s;
        file.AppendRecord();
    }
}

} // namespace

class TstTableFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    // Writing and reading the file text
    void writesTheDiscountScaleExactly();
    void readsEveryLineEnd_data();
    void readsEveryLineEnd();
    void nulByteEndsTheText();
    void bigFileSplitsIntoTheSameLines_data();
    void bigFileSplitsIntoTheSameLines();
    void keepsTextBeforeTheFirstSection();
    void missingFileFails();
    void createIfMissingMakesAnEmptyFile();

    // Sections and fields
    void sectionNamesAreCaseSensitive();
    void fieldByNameIgnoresCase_data();
    void fieldByNameIgnoresCase();
    void fieldsDifferingInCaseLaterWins();
    void emptyFieldNames();
    void sectionOnTheLastLineHasNoFields();
    void sectionWithoutFieldList();

    // Records
    void valueLinesAgainstFields_data();
    void valueLinesAgainstFields();
    void walksRecords();
    void addFieldsOnASectionWithRecords();
    void appendGoesBeforeTheFollowingSection();
    void deleteRecordsKeepsTheFieldDeclarations();
    void nothingHappensWithoutASection();

    // Text forms
    void asFloat_data();
    void asFloat();
    void asDate_data();
    void asDate();
    void writtenForms_data();
    void writtenForms();
    void numbersReadBack_data();
    void numbersReadBack();
    void valuesCannotForgeTheStructure_data();
    void valuesCannotForgeTheStructure();
    void everyByteRoundTrips();

    // Saving
    void saveOntoADirectoryFails();
    void failedWriteKeepsTheOldFile();
    void streamingWriterWritesTheSameBytes();
    void streamingWriterFailureKeepsTheOldFile();
    void smallFileCutShortIsAFailure();
    void writeToStopsAtAFailingDevice();
    void valuesOutliveTheirFile();

    // Files that would cost more than they hold
    void lineBreakFloodIsRefused_data();
    void lineBreakFloodIsRefused();
    void shortLinesWithinTheBoundAreRead();
    void readsWhatArrivesNotWhatTheSizeSays_data();
    void readsWhatArrivesNotWhatTheSizeSays();

private:
    QString Path(const QString& name) const { return m_dir->filePath(name); }
    QString WriteFile(const QString& name, const QByteArray& bytes) const;
    QString ValueLinesFile(const QStringList& valueLines) const;
    QByteArray ReadFile(const QString& name) const;
    TValue ValueFromFile(const QByteArray& line) const;
    QByteArray WrittenLine(const TValue& value) const;
    // The write fails at the file size limit with the system's reason; data.iop stays as it was, and
    // no temporary file is left.
    void ExpectWriteFailure(const QString& path, const std::function<void()>& write) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

QString TstTableFile::WriteFile(const QString& name, const QByteArray& bytes) const {
    QFile file(Path(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write a test file");
    return file.fileName();
}

// Section С with main fields А, Б, В and a detail field: a record of the given value lines, then one of
// x, y, z; section Е follows.
QString TstTableFile::ValueLinesFile(const QStringList& valueLines) const {
    const QStringList head{kSection, u"С"_s,        kMainFields, u"А"_s, u"Б"_s,
                           u"В"_s,   kDetailFields, u"Д"_s,      kRecord};
    const QStringList next{kRecord, u"x"_s,      u"y"_s, u"z"_s,  kSection,
                           u"Е"_s,  kMainFields, u"А"_s, kRecord, u"e"_s};
    return WriteFile(u"f.iop"_s, FileBytes(head + valueLines + next));
}

QByteArray TstTableFile::ReadFile(const QString& name) const {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The value of a one-field record read from a file; the copy outlives the file object.
TValue TstTableFile::ValueFromFile(const QByteArray& line) const {
    const QString path = WriteFile(
        u"value.iop"_s, FileBytes({kSection, u"Т"_s, kMainFields, u"ПОЛЕ"_s, kRecord}) + line + "\r\n");
    TImpExpFile file(path, false);
    file.OpenSection(u"Т");
    file.First();
    return file.FieldByName(u"ПОЛЕ").Value;
}

// The line a value is written as.
QByteArray TstTableFile::WrittenLine(const TValue& value) const {
    TImpExpFile file(Path(u"new.iop"_s), true);
    file.OpenSection(u"Т");
    file.AddFields({u"ПОЛЕ"_s});
    file.FieldByName(u"ПОЛЕ").Value = value;
    file.AppendRecord();
    return file.Line(file.LineCount() - 1);
}

void TstTableFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TstTableFile::writesTheDiscountScaleExactly() {
    // Written the way a whole file is written anew, over a file that held something else.
    const QString path = WriteFile(u"data.iop"_s, FileBytes({u"старое"_s, kSection, u"СТАРОЕ"_s}));
    TImpExpFile file(path, true);
    file.Clear();
    file.OpenSection(u"СИСТЕМА_СКИДОК");
    file.AddFields({u"СУММА"_s, u"СКИДКА"_s});
    file.DeleteRecords();
    const std::pair<int, int> scale[] = {{1000, 3}, {5000, 5}};
    for (auto [sum, discount] : scale) {
        file.ClearValues();
        file.FieldByName(u"СУММА").Value = sum;
        file.FieldByName(u"СКИДКА").Value = discount;
        file.AppendRecord();
    }
    file.OpenSection(u"ИНФ_О_ПРАЙСЕ");
    file.SaveToFile(path);
    QCOMPARE(ReadFile(u"data.iop"_s), FileBytes({kSection, u"СИСТЕМА_СКИДОК"_s, kMainFields, u"СУММА"_s,
                                                 u"СКИДКА"_s, kRecord, u"1000"_s, u"3"_s, kRecord, u"5000"_s,
                                                 u"5"_s, kSection, u"ИНФ_О_ПРАЙСЕ"_s, kMainFields}));
}

void TstTableFile::readsEveryLineEnd_data() {
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::addColumn<QByteArray>("lastLineEnd");
    QTest::newRow("CR LF") << QByteArray("\r\n") << QByteArray("\r\n");
    QTest::newRow("LF") << QByteArray("\n") << QByteArray("\n");
    QTest::newRow("CR") << QByteArray("\r") << QByteArray("\r");
    QTest::newRow("no end on the last line") << QByteArray("\r\n") << QByteArray();
}

void TstTableFile::readsEveryLineEnd() {
    QFETCH(QByteArray, lineEnd);
    QFETCH(QByteArray, lastLineEnd);
    const QStringList lines{kSection, u"С"_s, kMainFields, u"А"_s, u"Б"_s, kRecord,
                            u"1"_s,   u""_s,  kRecord,     u"3"_s, u"4"_s};
    QByteArray text;
    for (qsizetype i = 0; i < lines.size(); ++i)
        text += Cp1251::Encode(lines[i]) + (i + 1 < lines.size() ? lineEnd : lastLineEnd);
    TImpExpFile file(WriteFile(u"f.iop"_s, text), false);
    QCOMPARE(LinesOf(file), lines);
    QCOMPARE(Records(file, u"С"_s), (QList<QStringList>{{u"1"_s, u""_s}, {u"3"_s, u"4"_s}}));
}

void TstTableFile::nulByteEndsTheText() {
    QByteArray text = FileBytes({kSection, u"С"_s, kMainFields, u"А"_s, kRecord, u"1"_s});
    text += QByteArray("2\0", 2) + FileBytes({kRecord, u"3"_s});
    TImpExpFile file(WriteFile(u"f.iop"_s, text), false);
    QCOMPARE(Records(file, u"С"_s), (QList<QStringList>{{u"1"_s}}));
    QCOMPARE(file.Line(file.LineCount() - 1), "2");
    file.SaveToFile(Path(u"out.iop"_s));
    QCOMPARE(ReadFile(u"out.iop"_s), text.left(text.indexOf('\0')) + "\r\n");
}

void TstTableFile::bigFileSplitsIntoTheSameLines_data() {
    QTest::addColumn<int>("seed");
    for (int seed : {1, 2, 3, 4})
        QTest::newRow(qPrintable(QString::number(seed))) << seed;
}

// A file of more than a megabyte is split in two pieces on two cores; whatever line end falls at the
// middle, the lines are those of a plain reading.
void TstTableFile::bigFileSplitsIntoTheSameLines() {
    QFETCH(int, seed);
    std::mt19937 random(seed);
    const char* const ends[] = {"\r\n", "\n", "\r"};
    QByteArray text;
    while (text.size() < 3 * 1024 * 1024 / 2) {
        QByteArray line(qsizetype(random() % 40), 'x');
        for (char& c : line)
            c = char('a' + random() % 26);
        text += line + ends[random() % std::size(ends)];
    }
    // A plain reading, byte by byte: CR LF is one line end, a lone CR or LF another.
    QList<QByteArray> expected;
    QByteArray line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        expected << line;
        line.clear();
    }
    TImpExpFile file(WriteFile(u"big.iop"_s, text), false);
    QCOMPARE(file.LineCount(), expected.size());
    for (int i = 0; i < file.LineCount(); ++i)
        if (file.Line(i) != expected[i]) QFAIL(qPrintable(u"line %1 differs"_s.arg(i)));
}

void TstTableFile::keepsTextBeforeTheFirstSection() {
    const QStringList preamble{u"Прайс-лист, не править"_s, u""_s, u"С"_s, u"\tЗАП_ОСН"_s, kRecord, u"x"_s};
    const QByteArray original = FileBytes(preamble + QStringList{kSection, u"С"_s, kMainFields, u"А"_s});
    const QString path = WriteFile(u"f.iop"_s, original);
    {
        TImpExpFile file(path, false);
        file.SaveToFile(path);
        QCOMPARE(ReadFile(u"f.iop"_s), original);
    }
    TImpExpFile file(path, false);
    file.OpenSection(u"С");
    QCOMPARE(file.MainFields().size(), size_t(1));
    file.FieldByName(u"А").Value = u"новое"_s;
    file.AppendRecord();
    file.SaveToFile(path);
    QCOMPARE(ReadFile(u"f.iop"_s), original + FileBytes({kRecord, u"новое"_s}));
}

void TstTableFile::missingFileFails() {
    const QString name = u"нет/такого/файла.iop"_s;
    try {
        TImpExpFile file(name, false);
        QFAIL("a missing file opened");
    } catch (const TException& e) {
        QCOMPARE(e.Message(), u"Невозможно открыть файл "_s + name);
    }
    QVERIFY(!QFile::exists(name));
}

void TstTableFile::createIfMissingMakesAnEmptyFile() {
    const QString path = Path(u"новый.zkz"_s);
    TImpExpFile file(path, true);
    QVERIFY(QFile::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);
    QCOMPARE(file.LineCount(), 0);
    file.OpenSection(u"ЗАКАЗ");
    QCOMPARE(LinesOf(file), (QStringList{kSection, u"ЗАКАЗ"_s, kMainFields}));
    QCOMPARE(file.SectionStart(), 2);
    QVERIFY(file.MainFields().empty());
    QCOMPARE(QFileInfo(path).size(), 0); // nothing reaches the disk before saving
}

void TstTableFile::sectionNamesAreCaseSensitive() {
    const QStringList lines{kSection, u"ПРАЙС_ЛИСТ"_s, kMainFields, u"ЦЕНА"_s, kRecord, u"10"_s};
    TImpExpFile file(WriteFile(u"f.iop"_s, FileBytes(lines)), false);
    QCOMPARE(Records(file, u"прайс_лист"_s), QList<QStringList>());
    QVERIFY(file.MainFields().empty());
    QCOMPARE(LinesOf(file), (lines + QStringList{kSection, u"прайс_лист"_s, kMainFields}));
    QCOMPARE(Records(file, u"ПРАЙС_ЛИСТ"_s), (QList<QStringList>{{u"10"_s}}));
}

void TstTableFile::fieldByNameIgnoresCase_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value"); // a null string: the shared empty value
    QTest::newRow("Cyrillic") << u"цена"_s << u"12.50"_s;
    QTest::newRow("Ё") << u"ёмкость"_s << u"3"_s;
    QTest::newRow("Ґ, І, Ї, Є") << u"ґіїє"_s << u"укр"_s;
    QTest::newRow("Latin") << u"code"_s << u"X1"_s;
    QTest::newRow("mixed") << u"Кол_в_Упаковке"_s << u"10"_s;
    QTest::newRow("е is not ё") << u"емкость"_s << QString();
    QTest::newRow("unknown") << u"ЦЕНА2"_s << QString();
}

void TstTableFile::fieldByNameIgnoresCase() {
    QFETCH(QString, name);
    QFETCH(QString, value);
    const QStringList fields{u"ЦЕНА"_s, u"ЁМКОСТЬ"_s, u"ҐІЇЄ"_s, u"Code"_s, u"КОЛ_В_УПАКОВКЕ"_s};
    const QStringList values{u"12.50"_s, u"3"_s, u"укр"_s, u"X1"_s, u"10"_s};
    TImpExpFile file(WriteFile(u"f.iop"_s, FileBytes(QStringList{kSection, u"С"_s, kMainFields} + fields +
                                                     QStringList{kRecord} + values)),
                     false);
    file.OpenSection(u"С");
    file.First();
    const TFieldValue& field = file.FieldByName(name);
    if (value.isNull()) {
        QVERIFY(&field == &file.FieldByName(u"нет такого"));
        QVERIFY(field.Name().isEmpty());
        QVERIFY(field.Value.IsNull());
        QCOMPARE(field.AsString(), QString());
        QCOMPARE(field.AsFloat(), 0.0);
        QCOMPARE(field.AsDate().Value, 0.0);
    } else {
        QCOMPARE(field.AsString(), value);
        QVERIFY(SameText(field.Name(), name));
    }
}

void TstTableFile::fieldsDifferingInCaseLaterWins() {
    TImpExpFile file(Path(u"f.iop"_s), true);
    file.OpenSection(u"С");
    file.AddFields({u"ЦЕНА"_s, u"цена"_s, u"ЦЕНА"_s});
    QCOMPARE(LinesOf(file), (QStringList{kSection, u"С"_s, kMainFields, u"ЦЕНА"_s, u"цена"_s}));
    QCOMPARE(file.FieldByName(u"Цена").Name(), u"цена"_s);
    QVERIFY(&file.FieldByName(u"ЦЕНА") == file.MainFields()[1].get());
}

void TstTableFile::emptyFieldNames() {
    const QStringList lines{kSection, u"С"_s,  kMainFields, u"А"_s, u""_s,
                            u"В"_s,   kRecord, u"1"_s,      u"2"_s, u"3"_s};
    TImpExpFile file(WriteFile(u"f.iop"_s, FileBytes(lines)), false);
    file.OpenSection(u"С");
    QCOMPARE(file.MainFields().size(), size_t(3));
    QCOMPARE(file.MainFields()[1]->Name(), QString());
    file.First();
    QCOMPARE(file.FieldByName(u"").AsString(), u"2"_s);
    QCOMPARE(file.FieldByName(u"в").AsString(), u"3"_s);
    file.AddFields({u""_s});
    QCOMPARE(LinesOf(file), lines);
}

void TstTableFile::sectionOnTheLastLineHasNoFields() {
    for (const QByteArray& end : {QByteArray("\r\n"), QByteArray()}) {
        const QByteArray text =
            FileBytes({kSection, u"А"_s, kMainFields, u"П"_s, kSection}) + Cp1251::Encode(u"Б") + end;
        TImpExpFile file(WriteFile(u"f.iop"_s, text), false);
        file.OpenSection(u"Б");
        QVERIFY(file.MainFields().empty());
        QCOMPARE(file.SectionStart(), 6);
        QCOMPARE(file.Line(6), Cp1251::Encode(kMainFields));
        file.First();
        QVERIFY(!file.HasRecord());
        file.AddFields({u"П"_s});
        file.FieldByName(u"п").Value = 1;
        file.AppendRecord();
        QCOMPARE(Records(file, u"Б"_s), (QList<QStringList>{{u"1"_s}}));
        QCOMPARE(Records(file, u"А"_s), QList<QStringList>());
    }
}

void TstTableFile::sectionWithoutFieldList() {
    const QStringList lines{kSection, u"С"_s, kRecord, u"1"_s, kSection, u"Д"_s, kMainFields};
    TImpExpFile file(WriteFile(u"f.iop"_s, FileBytes(lines)), false);
    file.OpenSection(u"С");
    QVERIFY(file.MainFields().empty());
    QCOMPARE(LinesOf(file),
             (QStringList{kSection, u"С"_s, kMainFields, kRecord, u"1"_s, kSection, u"Д"_s, kMainFields}));
    // Without fields a record cannot be written.
    file.AppendRecord();
    QCOMPARE(file.LineCount(), 8);
}

void TstTableFile::valueLinesAgainstFields_data() {
    QTest::addColumn<QStringList>("valueLines");
    QTest::addColumn<QStringList>("expected"); // a null string: the field stays Null
    QTest::newRow("as many") << QStringList{u"1"_s, u"2"_s, u"3"_s} << QStringList{u"1"_s, u"2"_s, u"3"_s};
    QTest::newRow("fewer") << QStringList{u"1"_s} << QStringList{u"1"_s, QString(), QString()};
    QTest::newRow("none") << QStringList() << QStringList{QString(), QString(), QString()};
    QTest::newRow("more") << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}
                          << QStringList{u"1"_s, u"2"_s, u"3"_s};
    QTest::newRow("empty line") << QStringList{u"1"_s, u""_s, u"3"_s} << QStringList{u"1"_s, u""_s, u"3"_s};
    QTest::newRow("detail part") << QStringList{u"1"_s, kDetailRecord, u"д1"_s, u"д2"_s, u"д3"_s}
                                 << QStringList{u"1"_s, QString(), QString()};
    QTest::newRow("other markers are values")
        << QStringList{kMainFields, kDetailFields, u"3"_s} << QStringList{kMainFields, kDetailFields, u"3"_s};
    QTest::newRow("near markers are values") << QStringList{kRecord + u' ', u"\tзап_осн\t"_s, u"\tЗАП_ОСН"_s}
                                             << QStringList{kRecord + u' ', u"\tзап_осн\t"_s, u"\tЗАП_ОСН"_s};
}

void TstTableFile::valueLinesAgainstFields() {
    QFETCH(QStringList, valueLines);
    QFETCH(QStringList, expected);
    TImpExpFile file(ValueLinesFile(valueLines), false);
    file.OpenSection(u"С");
    QCOMPARE(file.MainFields().size(), size_t(3));
    QCOMPARE(file.DetailFields().size(), size_t(1));
    file.First();
    QVERIFY(file.HasRecord());
    for (int k = 0; k < 3; ++k) {
        const TFieldValue& field = *file.MainFields()[k];
        QCOMPARE(field.Value.IsNull(), expected[k].isNull());
        QCOMPARE(field.AsString(), expected[k]);
    }
    QCOMPARE(Records(file, u"С"_s).last(), (QStringList{u"x"_s, u"y"_s, u"z"_s}));
}

void TstTableFile::walksRecords() {
    const QStringList lines{kSection, u"С"_s, kMainFields, u"А"_s, kRecord,     u"1"_s, kRecord, u"2"_s,
                            kRecord,  u"3"_s, kSection,    u"Д"_s, kMainFields, u"А"_s, kRecord, u"4"_s};
    TImpExpFile file(WriteFile(u"f.iop"_s, FileBytes(lines)), false);
    QCOMPARE(Records(file, u"С"_s), (QList<QStringList>{{u"1"_s}, {u"2"_s}, {u"3"_s}}));
    QVERIFY(file.FieldByName(u"А").Value.IsNull());
    file.Last();
    QCOMPARE(file.FieldByName(u"А").AsString(), u"3"_s);
    file.First();
    QCOMPARE(file.FieldByName(u"А").AsString(), u"1"_s);
    file.Next();
    file.Next();
    file.Next();
    QVERIFY(!file.HasRecord());
    file.Next();
    QVERIFY(!file.HasRecord());
    file.OpenSection(u"Д");
    file.Last();
    QCOMPARE(file.FieldByName(u"А").AsString(), u"4"_s);
}

void TstTableFile::addFieldsOnASectionWithRecords() {
    const QStringList head{kSection, u"С"_s, kMainFields, u"А"_s, u"Б"_s};
    const QStringList rest{kDetailFields, u"Д"_s, kRecord, u"1"_s, u"2"_s, kRecord, u"3"_s, u"4"_s};
    TImpExpFile file(WriteFile(u"f.iop"_s, FileBytes(head + rest)), false);
    file.OpenSection(u"С");
    file.AddFields({u"Б"_s, u"В"_s, u"Г"_s});
    QCOMPARE(LinesOf(file), (head + QStringList{u"В"_s, u"Г"_s} + rest));
    QCOMPARE(file.MainFields().size(), size_t(4));
    file.Last();
    QCOMPARE(file.FieldByName(u"Б").AsString(), u"4"_s);
    QVERIFY(file.FieldByName(u"В").Value.IsNull());
    file.FieldByName(u"В").Value = u"5"_s;
    file.AppendRecord();
    QCOMPARE(Records(file, u"С"_s), (QList<QStringList>{{u"1"_s, u"2"_s, u""_s, u""_s},
                                                        {u"3"_s, u"4"_s, u""_s, u""_s},
                                                        {u"3"_s, u"4"_s, u"5"_s, u""_s}}));
}

void TstTableFile::appendGoesBeforeTheFollowingSection() {
    const QStringList first{kSection, u"С"_s, kMainFields, u"А"_s, kRecord, u"1"_s};
    const QStringList second{kSection, u"Д"_s, kMainFields, u"А"_s, kRecord, u"9"_s};
    TImpExpFile file(WriteFile(u"f.iop"_s, FileBytes(first + second)), false);
    file.OpenSection(u"С");
    file.AddFields({u"А"_s});
    for (const char16_t* v : {u"2", u"3"}) {
        file.FieldByName(u"А").Value = QString::fromUtf16(v);
        file.AppendRecord();
        QCOMPARE(file.Line(file.CurrentRecord()), Cp1251::Encode(kRecord));
    }
    QCOMPARE(LinesOf(file), (first + QStringList{kRecord, u"2"_s, kRecord, u"3"_s} + second));
    // Appending keeps the values: a field not assigned again repeats the previous record.
    file.AppendRecord();
    file.ClearValues();
    file.AppendRecord();
    QCOMPARE(Records(file, u"С"_s), (QList<QStringList>{{u"1"_s}, {u"2"_s}, {u"3"_s}, {u"3"_s}, {u""_s}}));
    QCOMPARE(Records(file, u"Д"_s), (QList<QStringList>{{u"9"_s}}));
}

void TstTableFile::deleteRecordsKeepsTheFieldDeclarations() {
    const QStringList head{u"вступление"_s, kSection, u"С"_s,        kMainFields,
                           u"А"_s,          u"Б"_s,   kDetailFields, u"Д"_s};
    const QStringList records{kRecord, u"1"_s, u"2"_s, kDetailRecord, u"д"_s, kRecord, u"3"_s, u"4"_s};
    const QStringList next{kSection, u"Е"_s, kMainFields, u"А"_s, kRecord, u"9"_s};
    TImpExpFile file(WriteFile(u"f.iop"_s, FileBytes(head + records + next)), false);
    file.OpenSection(u"С");
    file.First();
    file.DeleteRecords();
    QVERIFY(!file.HasRecord());
    QVERIFY(file.FieldByName(u"А").Value.IsNull());
    QCOMPARE(LinesOf(file), head + next);
    file.DeleteRecords();
    QCOMPARE(LinesOf(file), head + next);
    QCOMPARE(Records(file, u"Е"_s), (QList<QStringList>{{u"9"_s}}));
}

void TstTableFile::nothingHappensWithoutASection() {
    const QByteArray text = FileBytes({kSection, u"С"_s, kMainFields, u"А"_s, kRecord, u"1"_s});
    TImpExpFile file(WriteFile(u"f.iop"_s, text), false);
    auto untouched = [&file] {
        file.AddFields({u"Б"_s});
        file.First();
        file.Last();
        file.Next();
        file.DeleteRecords();
        file.ClearValues();
        file.FieldByName(u"А").Value = 1;
        file.AppendRecord();
        return !file.HasRecord();
    };
    QVERIFY(untouched());
    QCOMPARE(LinesOf(file), Cp1251::Decode(text).split(u"\r\n"_s).mid(0, 6));

    // After Clear only OpenSection makes sense; the rest must not write into lines that are gone.
    file.OpenSection(u"С");
    file.Last();
    file.Clear();
    QVERIFY(untouched());
    QCOMPARE(file.LineCount(), 0);
    file.OpenSection(u"С");
    file.AddFields({u"А"_s});
    file.FieldByName(u"А").Value = 2;
    file.AppendRecord();
    QCOMPARE(LinesOf(file), (QStringList{kSection, u"С"_s, kMainFields, u"А"_s, kRecord, u"2"_s}));
}

void TstTableFile::asFloat_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << QByteArray("12") << 12.0;
    QTest::newRow("written form") << QByteArray("12.5000000") << 12.5;
    QTest::newRow("short fraction") << QByteArray("12.5") << 12.5;
    QTest::newRow("trailing zero") << QByteArray("12.50") << 12.5;
    QTest::newRow("leading zero in fraction") << QByteArray("12.05") << 12.05;
    QTest::newRow("seven digits") << QByteArray("0.0500000") << 0.05;
    QTest::newRow("leading spaces") << QByteArray("  7.25") << 7.25;
    QTest::newRow("point first") << QByteArray(".5") << 5.0;
    QTest::newRow("point last") << QByteArray("12.") << 12.0;
    QTest::newRow("run of points") << QByteArray("12..5") << 12.5;
    QTest::newRow("three words") << QByteArray("1.2.3") << 0.0;
    QTest::newRow("date") << QByteArray(" 5. 3.2004") << 0.0;
    QTest::newRow("no digits") << QByteArray("abc") << 0.0;
    QTest::newRow("only points") << QByteArray("..") << 0.0;
    QTest::newRow("empty") << QByteArray() << 0.0;
    QTest::newRow("comma") << QByteArray("1,5") << 0.0;
    QTest::newRow("trailing space") << QByteArray("12 ") << 0.0;
    QTest::newRow("exponent") << QByteArray("1e3") << 0.0;
    QTest::newRow("negative integer") << QByteArray("-3") << -3.0;
    QTest::newRow("negative fraction") << QByteArray("-1.5000000") << -1.5;
    QTest::newRow("negative below one") << QByteArray("-0.5000000") << -0.5;
    QTest::newRow("largest integer") << QByteArray("9223372036854775807") << 9223372036854775807.0;
    QTest::newRow("beyond 64 bits") << QByteArray("9223372036854775808") << 0.0;
}

void TstTableFile::asFloat() {
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    const TValue read = ValueFromFile(text);
    QCOMPARE(read.GetKind(), TValue::Kind::Text);
    QCOMPARE(read.ToFloat(), value);
}

void TstTableFile::asDate_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QDate>("date"); // invalid: the result is 0
    QTest::newRow("written form") << QByteArray(" 5. 3.2004") << QDate(2004, 3, 5);
    QTest::newRow("zero padded") << QByteArray("05.03.2004") << QDate(2004, 3, 5);
    QTest::newRow("December") << QByteArray("31.12.2004") << QDate(2004, 12, 31);
    QTest::newRow("leap day") << QByteArray("29.02.2000") << QDate(2000, 2, 29);
    QTest::newRow("two-digit year") << QByteArray("5.3.04") << QDate(4, 3, 5);
    QTest::newRow("runs of points") << QByteArray("5..3.2004.") << QDate(2004, 3, 5);
    QTest::newRow("31 February") << QByteArray("31.02.2004") << QDate();
    QTest::newRow("29 February 1900") << QByteArray("29.02.1900") << QDate();
    QTest::newRow("month 13") << QByteArray("5.13.2004") << QDate();
    QTest::newRow("day 0") << QByteArray("0.3.2004") << QDate();
    QTest::newRow("year 0") << QByteArray("5.3.0") << QDate();
    QTest::newRow("year 10000") << QByteArray("5.3.10000") << QDate();
    QTest::newRow("two words") << QByteArray("5.3") << QDate();
    QTest::newRow("four words") << QByteArray("5.3.2004.1") << QDate();
    QTest::newRow("time") << QByteArray(" 9: 5: 0") << QDate();
    QTest::newRow("letters") << QByteArray("5.mar.2004") << QDate();
    QTest::newRow("empty") << QByteArray() << QDate();
}

void TstTableFile::asDate() {
    QFETCH(QByteArray, text);
    QFETCH(QDate, date);
    const double expected = date.isValid() ? TDateTime::FromDate(date).Value : 0.0;
    QCOMPARE(ValueFromFile(text).ToDate().Value, expected);
}

void TstTableFile::writtenForms_data() {
    QTest::addColumn<TValue>("value");
    QTest::addColumn<QByteArray>("line");
    const QDate march5(2004, 3, 5);
    QTest::newRow("Null") << TValue() << QByteArray();
    QTest::newRow("text") << TValue(u"Фильтр масляный"_s) << Cp1251::Encode(u"Фильтр масляный");
    QTest::newRow("integer") << TValue(1000) << QByteArray("1000");
    QTest::newRow("negative integer") << TValue(-42) << QByteArray("-42");
    QTest::newRow("short") << TValue(short(7)) << QByteArray("7");
    QTest::newRow("12.7 truncated") << TValue(12.7) << QByteArray("12.6999999");
    QTest::newRow("0.3 truncated") << TValue(0.3) << QByteArray("0.2999999");
    QTest::newRow("12.5") << TValue(12.5) << QByteArray("12.5000000");
    QTest::newRow("3.0") << TValue(3.0) << QByteArray("3.0000000");
    QTest::newRow("0.05") << TValue(0.05) << QByteArray("0.0500000");
    QTest::newRow("12.05") << TValue(12.05) << QByteArray("12.0500000");
    QTest::newRow("eighth decimal dropped") << TValue(0.12345678) << QByteArray("0.1234567");
    QTest::newRow("large") << TValue(123456789.25) << QByteArray("123456789.2500000");
    QTest::newRow("-1.5") << TValue(-1.5) << QByteArray("-1.5000000");
    QTest::newRow("-0.5") << TValue(-0.5) << QByteArray("-0.5000000");
    QTest::newRow("-3.0") << TValue(-3.0) << QByteArray("-3.0000000");
    QTest::newRow("-0.7 truncated") << TValue(-0.7) << QByteArray("-0.6999999");
    QTest::newRow("not a number") << TValue(std::nan("")) << QByteArray();
    // Every integer part that a signed 64-bit reader takes back is written; beyond it, no value.
    QTest::newRow("9.2e18") << TValue(9.2e18) << QByteArray("9200000000000000000.0000000");
    QTest::newRow("largest below 2^63")
        << TValue(9223372036854774784.0) << QByteArray("9223372036854774784.0000000");
    QTest::newRow("-9.2e18") << TValue(-9.2e18) << QByteArray("-9200000000000000000.0000000");
    QTest::newRow("2^63") << TValue(9223372036854775808.0) << QByteArray();
    QTest::newRow("infinity") << TValue(HUGE_VAL) << QByteArray();
    QTest::newRow("currency 7") << TValue(TCurrency::FromDouble(7)) << QByteArray("7.0000000");
    QTest::newRow("currency 12.3456") << TValue(TCurrency::FromDouble(12.3456)) << QByteArray("12.3456000");
    QTest::newRow("currency -0.25") << TValue(TCurrency::FromDouble(-0.25)) << QByteArray("-0.2500000");
    QTest::newRow("true") << TValue(true) << Cp1251::Encode(u"ДА");
    QTest::newRow("false") << TValue(false) << Cp1251::Encode(u"НЕТ");
    QTest::newRow("date") << TValue(TDateTime::FromDate(march5)) << QByteArray(" 5. 3.2004");
    QTest::newRow("date, time dropped")
        << TValue(TDateTime::FromDateTime(march5, QTime(23, 59, 59))) << QByteArray(" 5. 3.2004");
    QTest::newRow("two-digit day and month")
        << TValue(TDateTime::FromDate(QDate(2004, 12, 25))) << QByteArray("25.12.2004");
    QTest::newRow("first day") << TValue(TDateTime{1}) << QByteArray("31.12.1899");
    QTest::newRow("time") << TValue(TDateTime::FromDateTime(QDate(1899, 12, 30), QTime(9, 5)))
                          << QByteArray(" 9: 5: 0");
    QTest::newRow("late time") << TValue(TDateTime::FromDateTime(QDate(1899, 12, 30), QTime(23, 59, 59)))
                               << QByteArray("23:59:59");
    QTest::newRow("day 0") << TValue(TDateTime{0}) << QByteArray(" 0: 0: 0");
}

void TstTableFile::writtenForms() {
    QFETCH(TValue, value);
    QFETCH(QByteArray, line);
    QCOMPARE(WrittenLine(value), line);
}

void TstTableFile::numbersReadBack_data() {
    QTest::addColumn<TValue>("value");
    QTest::addColumn<double>("number");
    QTest::addColumn<double>("date");
    QTest::newRow("12.05") << TValue(12.05) << 12.05 << 0.0;
    QTest::newRow("0.05") << TValue(0.05) << 0.05 << 0.0;
    QTest::newRow("0.125") << TValue(0.125) << 0.125 << 0.0;
    QTest::newRow("-1.5") << TValue(-1.5) << -1.5 << 0.0;
    QTest::newRow("-0.5") << TValue(-0.5) << -0.5 << 0.0;
    QTest::newRow("integer") << TValue(-70000) << -70000.0 << 0.0;
    QTest::newRow("currency") << TValue(TCurrency::FromDouble(99.99)) << 99.99 << 0.0;
    QTest::newRow("date") << TValue(TDateTime::FromDate(QDate(2004, 3, 5))) << 0.0 << 38051.0;
    QTest::newRow("time") << TValue(TDateTime{0.5}) << 0.0 << 0.0;
}

void TstTableFile::numbersReadBack() {
    QFETCH(TValue, value);
    QFETCH(double, number);
    QFETCH(double, date);
    const TValue read = ValueFromFile(WrittenLine(value));
    QCOMPARE(read.ToFloat(), number);
    QCOMPARE(read.ToDate().Value, date);
}

void TstTableFile::valuesCannotForgeTheStructure_data() {
    QTest::addColumn<TValue>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("CR") << TValue(u"a\rb"_s) << QByteArray("a b");
    QTest::newRow("LF") << TValue(u"a\nb"_s) << QByteArray("a b");
    QTest::newRow("CR LF") << TValue(u"a\r\nb\r\n"_s) << QByteArray("a  b  ");
    QTest::newRow("NUL") << TValue::FromBytes(QByteArray("a\0b", 3)) << QByteArray("a b");
    QTest::newRow("a record inside") << TValue(u"x\r\n\tЗАП_ОСН\t\r\ny"_s)
                                     << Cp1251::Encode(u"x  \tЗАП_ОСН\t  y");
    for (const QString& marker : {kSection, kMainFields, kDetailFields, kRecord, kDetailRecord})
        QTest::newRow(qPrintable(marker.trimmed()))
            << TValue(marker) << Cp1251::Encode(u' ' + marker.trimmed() + u' ');
    QTest::newRow("marker with more") << TValue(kRecord + u'x') << Cp1251::Encode(kRecord + u'x');
    QTest::newRow("marker ending in CR") << TValue(kRecord + u'\r') << Cp1251::Encode(kRecord + u' ');
}

void TstTableFile::valuesCannotForgeTheStructure() {
    QFETCH(TValue, value);
    QFETCH(QByteArray, line);
    TImpExpFile file(Path(u"f.iop"_s), true);
    file.OpenSection(u"С");
    file.AddFields({u"А"_s, u"Б"_s});
    file.FieldByName(u"А").Value = value;
    file.FieldByName(u"Б").Value = u"после"_s;
    file.AppendRecord();
    file.AppendRecord();
    file.SaveToFile(Path(u"f.iop"_s));
    const QByteArray record = FileBytes({kRecord}) + line + "\r\n" + FileBytes({u"после"_s});
    QCOMPARE(ReadFile(u"f.iop"_s),
             FileBytes({kSection, u"С"_s, kMainFields, u"А"_s, u"Б"_s}) + record + record);
    TImpExpFile reread(Path(u"f.iop"_s), false);
    const QString text = Cp1251::Decode(line);
    QCOMPARE(Records(reread, u"С"_s), (QList<QStringList>{{text, u"после"_s}, {text, u"после"_s}}));
}

void TstTableFile::everyByteRoundTrips() {
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') all += char(b);
    {
        TImpExpFile file(Path(u"f.iop"_s), true);
        file.OpenSection(u"С");
        file.AddFields({u"БАЙТЫ"_s, u"ТЕКСТ"_s});
        for (qsizetype i = 0; i <= all.size(); ++i) {
            // One byte per record, then all of them; the same once more through the decoded text.
            const QByteArray bytes = i < all.size() ? all.mid(i, 1) : all;
            file.FieldByName(u"БАЙТЫ").Value = TValue::FromBytes(bytes);
            file.FieldByName(u"ТЕКСТ").Value = Cp1251::Decode(bytes);
            file.AppendRecord();
        }
        file.SaveToFile(Path(u"f.iop"_s));
    }
    // Copying a value from one file to another copies its line verbatim.
    TImpExpFile source(Path(u"f.iop"_s), false);
    TImpExpFile copy(Path(u"copy.iop"_s), true);
    copy.OpenSection(u"С");
    copy.AddFields({u"Б"_s});
    source.OpenSection(u"С");
    qsizetype i = 0;
    for (source.First(); source.HasRecord(); source.Next(), ++i) {
        const QByteArray bytes = i < all.size() ? all.mid(i, 1) : all;
        QCOMPARE(source.FieldByName(u"байты").AsBytes().toByteArray(), bytes);
        QCOMPARE(source.FieldByName(u"текст").AsBytes().toByteArray(), bytes);
        QCOMPARE(source.FieldByName(u"текст").AsString(), Cp1251::Decode(bytes));
        copy.FieldByName(u"Б").Value = source.FieldByName(u"байты").Value;
        copy.AppendRecord();
    }
    QCOMPARE(i, all.size() + 1);
    copy.SaveToFile(Path(u"copy.iop"_s));
    TImpExpFile reread(Path(u"copy.iop"_s), false);
    reread.OpenSection(u"С");
    reread.Last();
    QCOMPARE(reread.FieldByName(u"Б").AsBytes().toByteArray(), all);
}

void TstTableFile::saveOntoADirectoryFails() {
    QVERIFY(QDir(m_dir->path()).mkdir(u"data.iop"_s));
    WriteFile(u"data.iop/inside"_s, "kept");
    TImpExpFile file(Path(u"new.iop"_s), true);
    file.OpenSection(u"С");
    QVERIFY_THROWS_EXCEPTION(TException, file.SaveToFile(Path(u"data.iop"_s)));
    QVERIFY(QFileInfo(Path(u"data.iop"_s)).isDir());
    QCOMPARE(ReadFile(u"data.iop/inside"_s), "kept");
}

void TstTableFile::ExpectWriteFailure(const QString& path, const std::function<void()>& write) const {
    const QByteArray old = ReadFile(u"data.iop"_s);
    {
        const FileSizeLimit limit(64 * 1024);
        try {
            write();
            QFAIL("a save beyond the file size limit succeeded");
        } catch (const TException& e) {
            // The system's reason, not Qt's "Unknown error" after a short write.
            QCOMPARE(e.Message(), u"Ошибка записи файла "_s + path + u": Превышен допустимый размер файла"_s);
        }
    }
    QCOMPARE(ReadFile(u"data.iop"_s), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"data.iop"_s});
}

void TstTableFile::failedWriteKeepsTheOldFile() {
    const QString path = WriteFile(u"data.iop"_s, FileBytes({kSection, u"СТАРЫЙ"_s, kMainFields}));
    TImpExpFile file(path, false);
    WritePriceRecords(file);
    ExpectWriteFailure(path, [&] { file.SaveToFile(path); });
    file.SaveToFile(path);
    QVERIFY(ReadFile(u"data.iop"_s).size() > 64 * 1024);
}

void TstTableFile::streamingWriterWritesTheSameBytes() {
    TImpExpFile whole;
    WriteSampleSections(whole);
    whole.SaveToFile(Path(u"whole.iop"_s));
    TImpExpWriter streamed(Path(u"streamed.iop"_s));
    WriteSampleSections(streamed);
    QVERIFY(!QFile::exists(Path(u"streamed.iop"_s))); // nothing in place before the commit
    streamed.Commit();
    QCOMPARE(ReadFile(u"streamed.iop"_s), ReadFile(u"whole.iop"_s));
    TImpExpFile read(Path(u"streamed.iop"_s), false);
    QCOMPARE(Records(read, u"ПОСЛЕДНИЙ"_s), (QList<QStringList>{{u"конец"_s}}));
}

void TstTableFile::streamingWriterFailureKeepsTheOldFile() {
    const QString path = WriteFile(u"data.iop"_s, FileBytes({kSection, u"СТАРЫЙ"_s, kMainFields}));
    ExpectWriteFailure(path, [&] {
        TImpExpWriter file(path);
        WritePriceRecords(file);
        file.Commit();
    });
    QVERIFY_THROWS_EXCEPTION(TException, TImpExpWriter(Path(u"нет/data.iop"_s)));
}

void TstTableFile::smallFileCutShortIsAFailure() {
    // Smaller than any write buffer: the disk fills while the file is committed.
    const QByteArray old = FileBytes({kSection, u"СТАРЫЙ"_s, kMainFields});
    const QString path = WriteFile(u"order.zkz"_s, old);
    TImpExpFile file(path, false);
    file.OpenSection(u"СОСТАВ_ЗАКАЗА");
    file.AddFields({u"КОД"_s});
    for (int i = 0; i < 100; ++i) {
        file.FieldByName(u"КОД").Value = i;
        file.AppendRecord();
    }
    {
        const FileSizeLimit limit(256);
        try {
            file.SaveToFile(path);
            QFAIL("a save beyond the file size limit succeeded");
        } catch (const TException& e) {
            QCOMPARE(e.Message(), u"Ошибка записи файла "_s + path + u": Превышен допустимый размер файла"_s);
        }
    }
    QCOMPARE(ReadFile(u"order.zkz"_s), old);
}

void TstTableFile::writeToStopsAtAFailingDevice() {
    TImpExpFile file(Path(u"f.iop"_s), true);
    file.OpenSection(u"С");
    file.AddFields({u"А"_s, u"Б"_s});
    for (int i = 0; i < 100000; ++i) {
        file.FieldByName(u"А").Value = i;
        file.FieldByName(u"Б").Value = i * 0.25;
        file.AppendRecord();
    }
    file.SaveToFile(Path(u"f.iop"_s));
    const QByteArray whole = ReadFile(u"f.iop"_s);
    QVERIFY(whole.size() > 2 * 1024 * 1024);
    for (const qint64 capacity : {qint64(0), qint64(1), whole.size() / 2, whole.size() - 1}) {
        FailingDevice device(capacity);
        QVERIFY2(!file.WriteTo(device), qPrintable(QString::number(capacity)));
        QVERIFY(whole.startsWith(device.Written));
    }
    FailingDevice device(whole.size());
    QVERIFY(file.WriteTo(device));
    QCOMPARE(device.Written, whole);
}

void TstTableFile::lineBreakFloodIsRefused_data() {
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void TstTableFile::lineBreakFloodIsRefused() {
    QFETCH(QByteArray, lineEnd);
    // A version section first, so that only the mass of empty lines is wrong.
    const QByteArray text =
        FileBytes({kSection, u"ДАННЫЕ_ОБНОВЛЕНИЯ"_s, kMainFields, u"ВЕРСИЯ"_s, kRecord, u"1020"_s}) +
        lineEnd.repeated(4 * 1024 * 1024 / lineEnd.size());
    const QString path = WriteFile(u"flood.upr"_s, text);
    try {
        TImpExpFile file(path, false);
        QFAIL("a file of empty lines was read");
    } catch (const TException& e) {
        QCOMPARE(e.Message(), u"Файл "_s + path +
                                  u" повреждён или не является файлом данных программы: в нём слишком много "
                                  u"строк для его размера"_s);
    }
}

void TstTableFile::shortLinesWithinTheBoundAreRead() {
    // Four bytes a line on average, the densest a file may be beyond its first lines.
    QByteArray text = FileBytes({kSection, u"С"_s, kMainFields, u"А"_s});
    text += QByteArray("12\r\n").repeated(2 * 1024 * 1024);
    TImpExpFile file(WriteFile(u"dense.iop"_s, text), false);
    QCOMPARE(file.LineCount(), 4 + 2 * 1024 * 1024);
}

void TstTableFile::readsWhatArrivesNotWhatTheSizeSays_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("refused");
    QTest::newRow("within the limit") << 60 * 1024 << false;
    QTest::newRow("at the limit") << 64 * 1024 << false;
    QTest::newRow("one byte more") << 64 * 1024 + 1 << true;
    QTest::newRow("far more") << 10 * 1024 * 1024 << true;
}

void TstTableFile::readsWhatArrivesNotWhatTheSizeSays() {
    QFETCH(int, bytes);
    QFETCH(bool, refused);
    // A FIFO has no size before it is read; the limit is lowered to keep the test small.
    const QString path = Path(u"pipe.upr"_s);
    QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    std::signal(SIGPIPE, SIG_IGN);
    const QByteArray head = FileBytes({kSection, u"С"_s, kMainFields, u"А"_s});
    std::unique_ptr<QThread> writer(QThread::create([&] {
        QFile pipe(path);
        if (!pipe.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return;
        QByteArray text = head + QByteArray(bytes - head.size(), 'x');
        pipe.write(text); // fails (EPIPE) once the reader has stopped reading
    }));
    writer->start();
    const qint64 limit = std::exchange(TImpExpFile::MaxFileSize, 64 * 1024);
    QString message;
    int lines = 0;
    try {
        TImpExpFile file(path, false);
        lines = file.LineCount();
    } catch (const TException& e) {
        message = e.Message();
    }
    TImpExpFile::MaxFileSize = limit;
    QVERIFY(writer->wait(10000));
    if (refused)
        QCOMPARE(message, u"Файл слишком велик: "_s + path + u" (больше 65536 байт)"_s);
    else
        QCOMPARE(lines, 5);
}

QTEST_GUILESS_MAIN(TstTableFile)
#include "tst_tablefile.moc"

void TstTableFile::valuesOutliveTheirFile() {
    WriteFile(
        u"v.iop"_s,
        Cp1251::Encode(u"\tНАЧАЛО_РАЗДЕЛА\t\r\nС\r\n\tПОЛЯ_ОСН\t\r\nА\r\n\tЗАП_ОСН\t\r\nзначение\r\n"_s));
    TValue copied, moved;
    {
        TImpExpFile file(Path(u"v.iop"_s), false);
        file.OpenSection(u"С");
        file.First();
        copied = file.FieldByName(u"А").Value;
        moved = std::move(file.FieldByName(u"А").Value);
    }
    QCOMPARE(copied.ToString(), u"значение"_s);
    QCOMPARE(moved.ToString(), u"значение"_s);
}
