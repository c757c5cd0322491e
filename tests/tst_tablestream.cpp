// The streaming reader of table files against the whole-file one: the same records from any file, block
// boundaries anywhere, and the same limits and messages.
#include "tablefile/ImpExp.h"
#include "tablefile/ImpExpStream.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include <QTemporaryDir>
#include <QtTest>

#include <random>

using namespace Qt::StringLiterals;

namespace {

const QStringList kWanted = {u"А"_s, u"Б"_s, u"В"_s};
const QStringList kFieldNames = {u"П1"_s, u"п1"_s, u"П2"_s, u"П3"_s, u"Д"_s};

// A value as read: null (absent) or its bytes.
using TRecord = QList<std::optional<QByteArray>>;

struct TRead {
    QList<QList<TRecord>> Records; // by wanted section
    QList<QList<int>> Fields;      // by wanted section: the place of each of kFieldNames
    QString Error;
};

std::optional<QByteArray> Value(QByteArrayView view) {
    if (view.isNull()) return std::nullopt;
    return view.toByteArray();
}

TRead ReadWhole(const QString& path) {
    TRead read;
    try {
        for (const QString& name : kWanted) {
            TImpExpFile file(path, false);
            file.OpenSection(name);
            QList<int> fields;
            for (const QString& field : kFieldNames)
                fields << file.FieldIndex(field);
            QList<TRecord> records;
            for (file.First(); file.HasRecord(); file.Next()) {
                TRecord record;
                for (const auto& field : file.MainFields())
                    record << (field->Value.IsNull() ? std::nullopt : Value(field->AsBytes()));
                records << record;
            }
            read.Records << records;
            read.Fields << fields;
        }
    } catch (const TException& e) {
        read = {.Error = e.Message()};
    }
    return read;
}

// Also checks that a batch keeps hardly any block its values are not in, so that blocks never pile up.
TRead ReadStream(const QString& path, bool createIfMissing = false) {
    TRead read;
    read.Records.resize(kWanted.size());
    try {
        TImpExpStream stream(path);
        for (const QString& name : kWanted)
            stream.AddSection(name);
        stream.Read(createIfMissing, [&](TImpExpRecords& records) {
            const auto unused =
                std::count_if(records.Buffers.begin(), records.Buffers.end(), [&](const auto& buffer) {
                    return std::none_of(records.Values.begin(), records.Values.end(),
                                        [&buffer](QByteArrayView v) {
                                            return !v.isNull() && v.data() >= buffer->constData() &&
                                                   v.data() <= buffer->constData() + buffer->size();
                                        });
                });
            if (unused > 1) QTest::qFail("a batch keeps blocks it needs not", __FILE__, __LINE__);
            for (size_t r = 0; r < records.Count; ++r) {
                TRecord record;
                for (size_t k = 0; k < records.FieldCount; ++k)
                    record << Value(records.Value(r, int(k)));
                read.Records[records.Section] << record;
            }
        });
        for (int s = 0; s < kWanted.size(); ++s) {
            QList<int> fields;
            for (const QString& field : kFieldNames)
                fields << stream.FieldIndex(s, field);
            read.Fields << fields;
        }
    } catch (const TException& e) {
        read = {.Error = e.Message()};
    }
    return read;
}

// A file of sections in the program's structure, with stray markers, names and values thrown in, every
// line ended in one of the three ways (or not at all at the end), sometimes cut by a NUL.
QByteArray RandomFile(std::mt19937& random) {
    const auto chance = [&random](int percent) { return int(random() % 100) < percent; };
    const auto pick = [&random](const QStringList& list) { return list[int(random() % list.size())]; };
    const QStringList markers = {u"\tНАЧАЛО_РАЗДЕЛА\t"_s, u"\tПОЛЯ_ОСН\t"_s, u"\tПОЛЯ_ДЕТ\t"_s,
                                 u"\tЗАП_ОСН\t"_s, u"\tЗАП_ДЕТ\t"_s};
    QStringList lines;
    const auto value = [&] {
        QString text;
        for (int n = int(random() % 12); n > 0; --n)
            text += QChar(u"аБв xyz\t5.-Ёё"[random() % 13]);
        return chance(5) ? pick(markers) : chance(3) ? u"\tЗАП_ОСН"_s : text;
    };
    for (int sections = int(random() % 6); sections > 0; --sections) {
        lines << markers[0] << (chance(80) ? pick(kWanted) : u"Г"_s);
        if (chance(85)) lines << markers[1];
        for (int n = int(random() % 5); n > 0; --n)
            lines << pick(kFieldNames);
        if (chance(20)) lines << markers[2] << pick(kFieldNames);
        for (int records = int(random() % 6); records > 0; --records) {
            lines << markers[3];
            for (int n = int(random() % 6); n > 0; --n)
                lines << value();
            if (chance(15)) lines << markers[4] << value() << markers[4] << value();
        }
        if (chance(10)) lines << pick(markers);
    }
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += Cp1251::Encode(line) + QByteArrayList{"\r\n", "\n", "\r"}[int(random() % 3)];
    if (chance(20)) bytes.chop(1); // the last line without its end, or a CR LF cut to CR
    if (chance(10) && !bytes.isEmpty()) bytes[qsizetype(random() % quint32(bytes.size()))] = '\0';
    return bytes;
}

} // namespace

class TstTableStream : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Write(const QByteArray& bytes) {
        const QString path = m_dir.filePath(u"f.iop"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return path;
    }

private Q_SLOTS:
    void cleanup() { TImpExpStream::BlockSize = 1 << 20; }

    // Blocks from a few bytes to more than the file: a line, a CR LF or a record split anywhere.
    void readsWhatTheCursorReads() {
        std::mt19937 random(7);
        for (int round = 0; round < 400; ++round) {
            const QByteArray bytes = RandomFile(random);
            const QString path = Write(bytes);
            TImpExpStream::BlockSize = 1 + qsizetype(random() % 96);
            const TRead whole = ReadWhole(path), stream = ReadStream(path);
            const QByteArray context = "round " + QByteArray::number(round) + ", block " +
                                       QByteArray::number(TImpExpStream::BlockSize) + ": " +
                                       bytes.toPercentEncoding();
            QVERIFY2(whole.Error.isEmpty(), qPrintable(whole.Error));
            QVERIFY2(stream.Fields == whole.Fields, context.constData());
            QVERIFY2(stream.Records == whole.Records, context.constData());
        }
    }

    void sameLimitsAndMessages_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("maxFileSize");
        const QByteArray head =
            Cp1251::Encode(u"\tНАЧАЛО_РАЗДЕЛА\t\r\nА\r\n\tПОЛЯ_ОСН\t\r\nП1\r\n\tЗАП_ОСН\t\r\n1\r\n"_s);
        for (const char* end : {"\n", "\r\n", "\r"})
            QTest::addRow("a flood of line breaks, %s", end == QByteArray("\n")   ? "LF"
                                                        : end == QByteArray("\r") ? "CR"
                                                                                  : "CR LF")
                << head + QByteArray(end).repeated(600 * 1024) << TImpExpFile::kMaxFileSize;
        QTest::newRow("four bytes a line")
            << head + QByteArray("12\r\n").repeated(512 * 1024) << TImpExpFile::kMaxFileSize;
        QTest::newRow("bigger than the limit") << head + QByteArray(70 * 1024, 'x') << qint64(64 * 1024);
        QTest::newRow("at the limit") << head + QByteArray(64 * 1024 - head.size(), 'x') << qint64(64 * 1024);
    }

    void sameLimitsAndMessages() {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, maxFileSize);
        const QString path = Write(bytes);
        TImpExpStream::BlockSize = 4096;
        const qint64 limit = std::exchange(TImpExpFile::MaxFileSize, maxFileSize);
        const TRead whole = ReadWhole(path), stream = ReadStream(path);
        TImpExpFile::MaxFileSize = limit;
        QCOMPARE(stream.Error, whole.Error);
        QCOMPARE(stream.Records, whole.Records);
    }

    void missingFile() {
        const QString path = m_dir.filePath(u"missing.iop"_s);
        QCOMPARE(ReadStream(path).Error, u"Невозможно открыть файл "_s + path);
        QVERIFY(!QFile::exists(path));
        const TRead created = ReadStream(path, true);
        QVERIFY(created.Error.isEmpty());
        QCOMPARE(created.Records, QList<QList<TRecord>>(kWanted.size()));
        QCOMPARE(QFileInfo(path).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TstTableStream)
#include "tst_tablestream.moc"
