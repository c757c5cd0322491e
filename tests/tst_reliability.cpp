// The whole program against bad input and a failing disk, driven through its main window.
#include "app/MainFormUnit.h"
#include "demo/DemoData.h"
#include "FileSizeLimit.h"
#include "framework/FileDialog.h"
#include "framework/IniFile.h"
#include "framework/MemTable.h"
#include "framework/MessageBox.h"
#include "HttpTestServer.h"
#include "ModalHelper.h"
#include "order/OrderFrameUnit.h"
#include "order/OrderTabs.h"
#include "price/TableViewUnit.h"
#include "ProgramFixture.h"
#include "shell/FlashForm.h"
#include "text/Cp1251.h"
#include "update/UpgradeFormUnit.h"

#include "TestFiles.h"
#include "TestZip.h"

#include <QDirIterator>
#include <QMap>
#include <QMutex>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <QtTest>

#include <algorithm>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kErrorPrefix = u"Ошибка!\rТекст ошибки: "_s;

// One case of tests/bad-input: how the input reaches the program, what the user is told, and the
// input itself (see README there).
struct TBadInput {
    QString Input;               // package, archive or order
    QString Message;             // empty: the input is taken without a message
    std::optional<double> Total; // of an order that opens
    QStringList Zip;             // how the archive is made
    QByteArray Content;          // a package or an order
    struct TMember {
        QByteArray Name;
        QByteArray Data;
        QMap<QString, QString> Options; // stored, method, crc, size
    };
    QList<TMember> Members;
};

// A line of the case: escapes decoded, Windows-1251, and CR LF unless it ends with \c.
QByteArray DecodeLine(const QString& line) {
    QByteArray out;
    bool lineEnd = true;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != u'\\' || i + 1 == line.size()) {
            out += Cp1251::Encode(QStringView(line).sliced(i, 1));
            continue;
        }
        const QChar c = line[++i];
        if (c == u't')
            out += '\t';
        else if (c == u'r')
            out += '\r';
        else if (c == u'n')
            out += '\n';
        else if (c == u'0')
            out += '\0';
        else if (c == u'\\')
            out += '\\';
        else if (c == u'c')
            lineEnd = false;
        else if (c == u'x') {
            out += char(line.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        }
    }
    return lineEnd ? out + "\r\n" : out;
}

TBadInput ReadCase(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) qFatal("cannot read %s", qPrintable(path));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    TBadInput c;
    qsizetype i = 0;
    for (; i < lines.size() && lines[i] != u"---"_s; ++i) {
        const QString& line = lines[i];
        if (line.startsWith(u'#') || line.trimmed().isEmpty()) continue;
        const qsizetype colon = line.indexOf(u':');
        const QString key = line.left(colon).trimmed(), value = line.mid(colon + 1).trimmed();
        if (key == u"input"_s)
            c.Input = value;
        else if (key == u"message"_s)
            c.Message = value == u"нет"_s ? QString() : value;
        else if (key == u"total"_s)
            c.Total = value.toDouble();
        else if (key == u"zip"_s)
            c.Zip = value.split(u' ', Qt::SkipEmptyParts);
    }
    QByteArray* content = &c.Content;
    // The last line of the file ends the case: it is not a line of the input.
    for (++i; i < lines.size() - 1; ++i) {
        const QString& line = lines[i];
        if (line.startsWith(u"@member "_s)) {
            const QStringList words = line.mid(8).split(u' ', Qt::SkipEmptyParts);
            TBadInput::TMember member{words.value(0).toUtf8(), {}, {}};
            for (const QString& option : words.mid(1))
                member.Options.insert(option.section(u'=', 0, 0), option.section(u'=', 1));
            c.Members << member;
            content = &c.Members.last().Data;
        } else if (line.startsWith(u"@repeat "_s)) {
            const qsizetype colon = line.indexOf(u':');
            *content += DecodeLine(line.mid(colon + 2)).repeated(line.mid(8, colon - 8).toLongLong());
        } else {
            *content += DecodeLine(line);
        }
    }
    return c;
}

// The archive of an archive case, as bytes.
QByteArray BuildArchive(const TBadInput& c, const QString& scratch) {
    const bool raw = std::any_of(c.Members.begin(), c.Members.end(), [](const TBadInput::TMember& m) {
        return m.Options.contains(u"method"_s) || m.Options.contains(u"crc"_s) ||
               m.Options.contains(u"size"_s);
    });
    QByteArray bytes;
    if (c.Zip.contains(u"empty"_s)) {
        bytes = QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
    } else if (raw) {
        QList<RawZipMember> members;
        for (const TBadInput::TMember& m : c.Members) {
            RawZipMember member = RawZipMember::Stored(m.Name, m.Data);
            member.Method = quint16(m.Options.value(u"method"_s, u"0"_s).toUInt());
            if (m.Options.contains(u"crc"_s)) member.Crc = m.Options.value(u"crc"_s).toUInt(nullptr, 16);
            if (m.Options.contains(u"size"_s)) member.Size = m.Options.value(u"size"_s).toULongLong();
            members << member;
        }
        bytes = RawZip(members);
    } else {
        QList<ZipMember> members;
        for (const TBadInput::TMember& m : c.Members)
            members.append({QString::fromUtf8(m.Name), m.Data,
                            m.Options.contains(u"stored"_s) ? ZIP_CM_STORE : ZIP_CM_DEFLATE});
        const bool encrypted = c.Zip.contains(u"encrypted"_s);
        if (!MakeZip(scratch, members, encrypted ? "secret" : nullptr)) return {};
        bytes = ReadBytes(scratch);
    }
    for (const QString& option : c.Zip)
        if (option.startsWith(u"cut="_s)) bytes.truncate(option.mid(4).toLongLong());
    return bytes;
}

// What bad input must leave as it was.
struct TState {
    QByteArray DataFile, Settings, OrderFile;
    QString OrderTab;
    QStringList OrderLines;
    bool OrderModified = false;
    int Articles = 0;
    bool operator==(const TState&) const = default;
};

} // namespace

class TstReliability : public QObject, TProgramFixture {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<THttpTestServer> m_server;
    QMutex m_servedLock;
    QByteArray m_served;

    QString Home(const QString& name) const { return m_home.filePath(name); }
    TUpgradeForm& Upgrade() const { return m_program->UpgradeForm(); }

    // The program's folder: a price list, settings with the download address, and one order open.
    void Prepare(const QString& home) {
        StopProgram();
        UseProgramFolder(home);
        QVERIFY(QDir(home).mkpath(u"Temp"_s));
        const auto articles = Demo::MakeArticles({.Articles = 50, .Seed = 9});
        Demo::WritePriceList(home + u"/data.iop"_s, articles);
        TIniFile settings(home + u"/system.ini"_s);
        settings.WriteString(u"SYSTEM"_s, u"FURL"_s,
                             QString::fromLatin1(m_server->HostPort() + "/upgrade.zip"));
        settings.UpdateFile();
        OrderFile::Write(home + u"/open.zkz"_s, {u"1"_s, QDate(2004, 3, 5)},
                         {{articles[0].Code, articles[0].Name, 2, 753.06, 1506.12, u""_s}});
        StartAndShowProgram();
        TFileDialog::SetNextFileName(home + u"/open.zkz"_s);
        m_main->OrderOpen->trigger();
        QCOMPARE(m_main->OrderControl->count(), 1);
        // The commands are enabled when the event loop idles.
        m_main->ActionListUpdate();
        TMessageBox::Reset();
        TFileDialog::Reset();
    }

    TState State(const QString& home) const {
        TState s{ReadBytes(home + u"/data.iop"_s), ReadBytes(home + u"/system.ini"_s),
                 ReadBytes(home + u"/open.zkz"_s)};
        s.OrderTab = m_main->OrderControl->tabText(0);
        if (auto* frame = qobject_cast<TOrderFrame*>(m_main->OrderControl->widget(0))) {
            for (const OrderLine& line : frame->Lines())
                s.OrderLines << line.Code + u'|' + QString::number(line.Count) + u'|' +
                                    QString::number(line.Price);
            s.OrderModified = frame->Modified;
        }
        s.Articles = m_main->Price_Data->Table->TotalRecordCount();
        return s;
    }

    // Runs a command; an update dialog that shows is cancelled and reported.
    bool RunWithoutDialog(QAction* command) {
        bool dialogShown = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (!Upgrade().isVisible()) return;
            dialogShown = true;
            Upgrade().reject();
        });
        watch.start(20);
        command->trigger();
        return !dialogShown;
    }

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(m_home.isValid());
        qunsetenv("http_proxy");
        m_server = std::make_unique<THttpTestServer>([this](const QByteArray& request) {
            const QMutexLocker lock(&m_servedLock);
            const QByteArray length = "Content-Length: " + QByteArray::number(m_served.size());
            return THttpTestServer::TReply{THttpTestServer::Response(
                "200 OK", {length}, THttpTestServer::IsHead(request) ? QByteArray() : m_served)};
        });
    }

    void cleanupTestCase() { StopProgram(); }

    // Each file of tests/bad-input is one case: the input, how it reaches the program, and the message
    // the user sees. Whatever the input, the price list, the open order and the settings stay as they
    // were, and the program goes on.
    void badInput_data() {
        QTest::addColumn<QString>("path");
        QDirIterator cases(QStringLiteral(TEVLAR_BAD_INPUT), {u"*.case"_s}, QDir::Files);
        QStringList paths;
        while (cases.hasNext())
            paths << cases.next();
        paths.sort();
        QVERIFY2(paths.size() >= 40, qPrintable(QString::number(paths.size())));
        for (const QString& path : paths)
            QTest::newRow(qPrintable(QFileInfo(path).completeBaseName())) << path;
    }
    void badInput() {
        QFETCH(QString, path);
        const TBadInput c = ReadCase(path);
        // One run of the program takes every case, as a user's program would.
        const QString home = Home(u"program"_s);
        if (!m_program) Prepare(home);
        TMessageBox::Reset();
        const TState before = State(home);
        const QString temp = home + u"/Temp"_s;
        const QString expected =
            QString(c.Message).replace(u"{temp}"_s, temp).replace(u"{input}"_s, Home(u"input.zkz"_s));

        if (c.Input == u"order"_s) {
            WriteBytes(Home(u"input.zkz"_s), c.Content);
            TFileDialog::SetNextFileName(Home(u"input.zkz"_s));
            TMessageBox::SetNextAnswer(TMessageBox::Ok);
            m_main->OrderOpen->trigger();
            if (c.Message.isEmpty()) {
                QCOMPARE(m_main->OrderControl->count(), 2);
                auto* opened = m_main->Orders->CurrentOrder();
                if (c.Total) QCOMPARE(opened->Total, *c.Total);
                QVERIFY(!opened->Modified);
                m_main->ActionListUpdate();
                m_main->OrderClose->trigger();
            }
        } else {
            {
                const QMutexLocker lock(&m_servedLock);
                m_served = c.Input == u"archive"_s ? BuildArchive(c, Home(u"scratch.zip"_s)) : c.Content;
                QVERIFY(c.Input != u"archive"_s || !m_served.isNull());
            }
            TMessageBox::SetNextAnswer(TMessageBox::Ok); // the download's success
            TMessageBox::SetNextAnswer(TMessageBox::Ok);
            QVERIFY2(RunWithoutDialog(m_main->PriceUpdateAuto), "the update dialog showed");
        }

        const QStringList shown = TMessageBox::ShownTexts();
        const QStringList errors = shown.filter(kErrorPrefix);
        if (c.Message.isEmpty())
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
        else
            QVERIFY2(errors == QStringList{kErrorPrefix + expected}, qPrintable(errors.join(u'\n')));
        // The orders' layout is written when an order closes: that is no trace of the input.
        TState after = State(home);
        if (c.Message.isEmpty() && c.Input == u"order"_s) after.Settings = before.Settings;
        QVERIFY(after == before);
        QVERIFY(m_main->isEnabled() && !m_program->Flash().isVisible());
        // Nothing of the input stays but the downloaded file itself.
        QVERIFY(!QFile::exists(temp + u"/upgrade.upr"_s));
    }

    // A full or read-only disk under each of the program's writes: the message names the cause, the
    // previous file is whole, and the program goes on.
    void failingDisk_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("readOnly");
        for (const QString& operation :
             {u"order"_s, u"price list"_s, u"extraction"_s, u"download"_s, u"export"_s, u"settings"_s})
            for (const bool readOnly : {false, true})
                QTest::addRow("%s, %s", qPrintable(operation), readOnly ? "read-only" : "full")
                    << operation << readOnly;
    }
    void failingDisk() {
        QFETCH(QString, operation);
        QFETCH(bool, readOnly);
        const QString home = Home(u"disk-"_s + QString::number(QRandomGenerator::global()->generate()));
        QVERIFY(QDir().mkpath(home));
        TestDisk disk(home);
        if (readOnly && !disk.CanBeReadOnly()) QSKIP("root, and no disk of its own to make read-only");
        // The program ends before its disk goes.
        const auto stop = qScopeGuard([this] { StopProgram(); });
        Prepare(home);
        // An update bigger than the price list, and an archive of it, outside the disk.
        Demo::WriteUpdatePackage(Home(u"big.upr"_s), Demo::MakeArticles({.Articles = 400, .Seed = 4}));
        Demo::ZipUpdatePackage(Home(u"big.upr"_s), Home(u"big.zip"_s));
        {
            const QMutexLocker lock(&m_servedLock);
            m_served = ReadBytes(Home(u"big.zip"_s));
        }
        const QString temp = home + u"/Temp/"_s;
        WriteBytes(temp + u"upgrade.upr"_s, "older package");
        WriteBytes(temp + u"upgrade.zip"_s, "older archive");
        WriteBytes(home + u"/price.xls"_s, "older export");
        const QString reason = readOnly ? disk.ReadOnlyReason() : disk.FullReason();
        const struct {
            QString Name, Target, Message;
        } operations[] = {
            {u"order"_s, home + u"/open.zkz"_s, u"Ошибка записи файла "_s + home + u"/open.zkz: "_s},
            {u"price list"_s, home + u"/data.iop"_s, u"Ошибка записи файла "_s + home + u"/data.iop: "_s},
            {u"extraction"_s, temp + u"upgrade.upr"_s,
             u"Невозможно записать файл "_s + temp + u"upgrade.upr: "_s},
            {u"download"_s, temp + u"upgrade.zip"_s,
             (readOnly ? u"Невозможно создать файл "_s : u"Невозможно записать файл "_s) + temp +
                 u"upgrade.zip: "_s},
            {u"export"_s, home + u"/price.xls"_s, u"Ошибка записи файла "_s + home + u"/price.xls: "_s},
            {u"settings"_s, home + u"/system.ini"_s,
             u"Не удалось записать файл \""_s + home + u"/system.ini\": "_s},
        };
        const auto* op = std::find_if(std::begin(operations), std::end(operations),
                                      [&](const auto& o) { return o.Name == operation; });
        const QByteArray before = ReadBytes(op->Target);
        TMessageBox::Reset();
        for (int i = 0; i < 3; ++i)
            TMessageBox::SetNextAnswer(TMessageBox::Ok);
        std::shared_ptr<ModalOutcome> dialog;
        if (operation == u"price list"_s)
            dialog =
                OnNextModal([](QWidget* d) { d->findChild<QPushButton*>(u"Button_Continue"_s)->click(); });

        if (readOnly)
            disk.SetReadOnly(true);
        else
            disk.Fill(0);
        if (operation == u"order"_s) {
            m_main->OrderSave->trigger();
        } else if (operation == u"price list"_s || operation == u"extraction"_s) {
            TFileDialog::SetNextFileName(Home(operation == u"extraction"_s ? u"big.zip"_s : u"big.upr"_s));
            m_main->PriceUpdateManual->trigger();
        } else if (operation == u"download"_s) {
            m_main->PriceUpdateAuto->trigger();
        } else if (operation == u"export"_s) {
            TFileDialog::SetNextFileName(home + u"/price.xls"_s);
            m_main->PriceExportExcel->trigger();
        } else {
            m_main->close();
        }
        disk.SetReadOnly(false);
        disk.Free();
        if (dialog) QVERIFY(dialog->Ok());

        const QStringList errors = TMessageBox::ShownTexts().filter(kErrorPrefix);
        QVERIFY2(!errors.isEmpty(), "no message");
        for (const QString& error : errors)
            QVERIFY2(error == kErrorPrefix + op->Message + reason, qPrintable(error));
        QCOMPARE(ReadBytes(op->Target), before);
        QVERIFY(!m_program->Flash().isVisible());
        if (operation == u"settings"_s) {
            QVERIFY(!m_main->isVisible());
            return;
        }
        // The program goes on: the order can be saved now that the disk is back.
        QVERIFY(m_main->isEnabled());
        TMessageBox::Reset();
        if (m_main->OrderControl->count() == 0) {
            TFileDialog::SetNextFileName(home + u"/open.zkz"_s);
            m_main->OrderOpen->trigger();
        }
        QCOMPARE(m_main->OrderControl->count(), 1);
        m_main->ActionListUpdate();
        m_main->OrderSave->trigger();
        QCOMPARE(TMessageBox::ShownTexts(), QStringList());
    }
};

QTEST_MAIN(TstReliability)
#include "tst_reliability.moc"
