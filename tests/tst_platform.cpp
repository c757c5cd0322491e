#include "PrivateDesktop.h"
#include "StandIns.h"
#include "TestFiles.h"

#include "shell/DesktopEntry.h"
#include "shell/MailAddress.h"
#include "shell/Platform.h"
#include "shell/ProgramFolder.h"
#include "shell/SysUnit.h"
#include "tablefile/ImpExp.h"
#include "text/TException.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kErrorPrefix = u"Ошибка!\rТекст ошибки: "_s;

// A price list whose information carries a date, and one article to tell copies apart.
void WritePriceList(const QString& path, const QString& date, const QString& code) {
    TImpExpFile file;
    file.OpenSection(u"СИСТЕМНЫЕ_ДАННЫЕ");
    file.AddFields({u"ВЕРСИЯ"_s});
    file.FieldByName(u"ВЕРСИЯ").Value = u"1020"_s;
    file.AppendRecord();
    file.OpenSection(u"ИНФ_О_ПРАЙСЕ");
    file.AddFields({u"ПАРАМЕТР"_s, u"ЗНАЧЕНИЕ"_s});
    for (const auto& [parameter, value] :
         {std::pair{u"Поставщик"_s, u"ООО Тест"_s}, std::pair{u"Дата прайс-листа"_s, date}}) {
        file.FieldByName(u"ПАРАМЕТР").Value = parameter;
        file.FieldByName(u"ЗНАЧЕНИЕ").Value = value;
        file.AppendRecord();
    }
    file.OpenSection(u"ПРАЙС_ЛИСТ");
    file.AddFields({u"КОД"_s});
    file.FieldByName(u"КОД").Value = code;
    file.AppendRecord();
    QDir().mkpath(QFileInfo(path).path());
    file.SaveToFile(path);
}

QString CodeIn(const QString& path) {
    TImpExpFile file(path, false);
    file.OpenSection(u"ПРАЙС_ЛИСТ");
    file.First();
    return file.FieldByName(u"КОД").AsString();
}

} // namespace

class TstPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // No desktop portal: these tests go the way of xdg-email.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tevlar-test-bus");
    }
    void init() { TMessageBox::Reset(); }

    // Where the program keeps its files

    void programFolderIsTheSameForEveryStart() {
        QTemporaryDir dir;
        const QString exe = dir.filePath(u"bin"_s);
        QDir().mkpath(exe);
        ProgramFolder::TPlaces places{{}, exe, dir.filePath(u"share"_s)};
        // A program file without a price list beside it: the per-user folder.
        QCOMPARE(ProgramFolder::Resolve(places), dir.filePath(u"share/tevlar"_s));
        QVERIFY(ProgramFolder::IsPerUser(places));
        // A portable copy keeps its files beside the program file...
        WriteBytes(exe + u"/data.iop"_s, "x");
        QCOMPARE(ProgramFolder::Resolve(places), exe);
        QVERIFY(!ProgramFolder::IsPerUser(places));
        // ...unless it cannot write there.
        QFile(exe).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        if (!QFileInfo(exe).isWritable())
            QCOMPARE(ProgramFolder::Resolve(places), dir.filePath(u"share/tevlar"_s));
        QFile(exe).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // TEVLAR_HOME wins, made absolute.
        places.TevlarHome = u"relative/../home"_s;
        QCOMPARE(ProgramFolder::Resolve(places), QDir::current().absoluteFilePath(u"home"_s));
        QCOMPARE(ProgramFolder::ShippedDir(u"/opt/t/bin"_s), u"/opt/t/share/tevlar"_s);
    }

    void seedingCopiesTheShippedFilesOnce() {
        QTemporaryDir dir;
        const QString shipped = dir.filePath(u"share/tevlar"_s), own = dir.filePath(u"user/tevlar"_s);
        WritePriceList(shipped + u"/data.iop"_s, u"01.12.2026"_s, u"SHIPPED1"_s);
        WriteBytes((QDir().mkpath(shipped + u"/Help"_s), shipped + u"/Help/Tevlar.html"_s), "<html>1</html>");

        ProgramFolder::Seed(own, shipped);
        QCOMPARE(CodeIn(own + u"/data.iop"_s), u"SHIPPED1"_s);
        QCOMPARE(ReadBytes(own + u"/Help/Tevlar.html"_s), QByteArray("<html>1</html>"));
        QCOMPARE(ProgramFolder::PriceListDate(own + u"/data.iop"_s), QDate(2026, 12, 1));

        // The user updated the price list; the same package starts again, then a package with an older
        // list: the user's stays.
        WritePriceList(own + u"/data.iop"_s, u"15.12.2026"_s, u"UPDATED"_s);
        ProgramFolder::Seed(own, shipped);
        QCOMPARE(CodeIn(own + u"/data.iop"_s), u"UPDATED"_s);

        // A package whose list is newer than the user's replaces it; its help follows the package.
        WritePriceList(shipped + u"/data.iop"_s, u" 5. 1.2027"_s, u"SHIPPED2"_s);
        WriteBytes(shipped + u"/Help/Tevlar.html"_s, "<html>2</html>");
        ProgramFolder::Seed(own, shipped);
        QCOMPARE(CodeIn(own + u"/data.iop"_s), u"SHIPPED2"_s);
        QCOMPARE(ReadBytes(own + u"/Help/Tevlar.html"_s), QByteArray("<html>2</html>"));

        // A list without a readable date is never replaced, and nothing else in the folder is touched.
        WriteBytes(own + u"/data.iop"_s, "not a price list");
        WriteBytes(own + u"/system.ini"_s, "[SYSTEM]\r\n");
        WritePriceList(shipped + u"/data.iop"_s, u"01.01.2030"_s, u"SHIPPED3"_s);
        ProgramFolder::Seed(own, shipped);
        QCOMPARE(ReadBytes(own + u"/data.iop"_s), QByteArray("not a price list"));
        QCOMPARE(ReadBytes(own + u"/system.ini"_s), QByteArray("[SYSTEM]\r\n"));
        QVERIFY(!ProgramFolder::PriceListDate(dir.filePath(u"missing.iop"_s)).isValid());
    }

    void unwritableProgramFolderIsReported() {
        QTemporaryDir dir;
        const QString blocked = dir.filePath(u"file"_s);
        WriteBytes(blocked, "x");
        QVERIFY_THROWS_EXCEPTION(TException, ProgramFolder::Seed(blocked + u"/tevlar"_s, dir.path()));
    }

    void programIconComesInEverySize() {
        const QIcon icon = ProgramIcon();
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
        QCOMPARE(icon.pixmap(48).size(), QSize(48, 48));
    }

    // The order file association

    void orderFileTypeIsRewrittenOnlyWhenItChanges() {
        QTemporaryDir dataHome;
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        StandIns tools({u"update-mime-database"_s, u"update-desktop-database"_s});
        const QString program = u"/opt/Тевлар 2/bin/te\"v$l`a\\r%"_s;

        QVERIFY(Platform::RegisterOrderFileType(program, {}));
        QVERIFY(Platform::RegisterOrderFileType(program, {}));
        const QString desktopPath = dataHome.filePath(u"applications/example.developer.Tevlar.desktop"_s);
        const QString mime =
            QString::fromUtf8(ReadBytes(dataHome.filePath(u"mime/packages/example.developer.Tevlar.xml"_s)));
        QVERIFY(mime.contains(u"<glob pattern=\"*.zkz\"/>"_s));
        QVERIFY(mime.contains(u"<comment>Файл заказа</comment>"_s));
        QStringList desktop = QString::fromUtf8(ReadBytes(desktopPath)).split(u'\n');
        QVERIFY(desktop.contains(u"Exec=\"/opt/Тевлар 2/bin/te\\\\\"v\\\\$l\\\\`a\\\\\\\\r%%\" %f"_s));
        QVERIFY(desktop.contains(u"MimeType=application/x-tevlar-order;"_s));
        // The caches are rebuilt once: the second start found the same files.
        QTRY_COMPARE(tools.Calls(u"update-mime-database"_s).size(), 1);
        QTRY_COMPARE(tools.Calls(u"update-desktop-database"_s).size(), 1);
        QCOMPARE(tools.Calls(u"update-mime-database"_s)[0], QStringList{dataHome.filePath(u"mime"_s)});

        // A program folder named by TEVLAR_HOME goes with the open command; only the entry changed.
        QVERIFY(Platform::RegisterOrderFileType(program, u"/home/u/Тевлар $1"_s));
        desktop = QString::fromUtf8(ReadBytes(desktopPath)).split(u'\n');
        QVERIFY(desktop.contains(
            u"Exec=env \"TEVLAR_HOME=/home/u/Тевлар \\\\$1\" \"/opt/Тевлар 2/bin/te\\\\\"v\\\\$l\\\\`a\\\\\\\\r%%\" %f"_s));
        QTRY_COMPARE(tools.Calls(u"update-desktop-database"_s).size(), 2);
        QTest::qWait(100);
        QCOMPARE(tools.Calls(u"update-mime-database"_s).size(), 1);

        QProcess validate;
        validate.start(u"desktop-file-validate"_s, {desktopPath});
        QVERIFY(validate.waitForFinished());
        QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
        // The entry's command, as a desktop reads it, gives back the folder and the program.
        QCOMPARE(DesktopEntry::Command(desktopPath, {u"/tmp/a.zkz"_s}),
                 (QStringList{u"env"_s, u"TEVLAR_HOME=/home/u/Тевлар $1"_s, program, u"/tmp/a.zkz"_s}));
    }

    void installedProgramLeavesTheAssociationToThePackage() {
        QTemporaryDir prefix;
        QDir().mkpath(prefix.filePath(u"bin"_s));
        QVERIFY(!Platform::IsInstalled(prefix.filePath(u"bin"_s)));
        QDir().mkpath(prefix.filePath(u"share/applications"_s));
        WriteBytes(prefix.filePath(u"share/applications/example.developer.Tevlar.desktop"_s), "");
        QVERIFY(Platform::IsInstalled(prefix.filePath(u"bin"_s)));
    }

    void unwritableAssociationIsQuiet() {
        QTemporaryDir dir;
        const QString blocked = dir.filePath(u"file"_s);
        WriteBytes(blocked, "x");
        qputenv("XDG_DATA_HOME", QFile::encodeName(blocked));
        StandIns tools({u"update-mime-database"_s, u"update-desktop-database"_s});
        QVERIFY(!Platform::RegisterOrderFileType(u"/usr/bin/tevlar"_s, {}));
        QVERIFY(!Platform::RegisterOrderFileType(u"/usr/bin/tev\nlar"_s, {}));
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QTest::qWait(100);
        QVERIFY(tools.Calls(u"update-mime-database"_s).isEmpty());
    }

    void desktopEntryCommands_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("command");
        const QStringList files{u"/a b.xls"_s};
        QTest::newRow("plain") << u"libreoffice --calc %U"_s
                               << QStringList{u"libreoffice"_s, u"--calc"_s, files[0]};
        QTest::newRow("quoted") << u"\"/opt/my office/soffice\" \"--x=\\\"q\\\"\" %f"_s
                                << QStringList{u"/opt/my office/soffice"_s, u"--x=\"q\""_s, files[0]};
        QTest::newRow("other codes") << u"app %i %c 100%% %u"_s << QStringList{u"app"_s, u"100%"_s, files[0]};
        QTest::newRow("no file code") << u"app"_s << QStringList{u"app"_s};
        QTest::newRow("unclosed quote") << u"\"app %f"_s << QStringList{};
    }
    void desktopEntryCommands() {
        QFETCH(QString, exec);
        QFETCH(QStringList, command);
        QCOMPARE(DesktopEntry::SplitExec(exec, {u"/a b.xls"_s}), command);
    }

    // Mail

    void recipientsStayWhole() {
        const QStringList entries = MailAddress::Split(
            u"\"ООО Велстрон, отдел продаж\" <zakaz@velstron.example>,\"Склад\" <a,b@x.example>\r\n , "
            u"dev@tevlar.example\r\n\"открытая, кавычка <c@x.example>"_s);
        QCOMPARE(entries, (QStringList{u"\"ООО Велстрон, отдел продаж\" <zakaz@velstron.example>"_s,
                                       u"\"Склад\" <a,b@x.example>"_s, u"dev@tevlar.example"_s,
                                       u"\"открытая, кавычка <c@x.example>"_s}));
        QCOMPARE(MailAddress::Bare(entries[0]), u"zakaz@velstron.example"_s);
        QCOMPARE(MailAddress::Bare(entries[2]), u"dev@tevlar.example"_s);
    }

    void mailReachesTheMailProgramThroughXdgEmail() {
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s});
        QTemporaryDir dir;
        const QString order = dir.filePath(u"Заказ 7.zkz"_s);
        WriteBytes(order, "order");
        SendMail(
            u"\"ООО Велстрон, отдел продаж\" <zakaz@velstron.example>,\"Склад\" <sklad@velstron.example>\r\n"
            u"--attach=/etc/passwd\r\n"
            u"не адрес"_s,
            u"Заказ №7 от 01.02.2024"_s, u"Здравствуйте.\r\n\r\nС уважением,\r\n   Иванов & Ко"_s,
            order + u"\r\n"_s);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 1, 20000);
        const QStringList call = desktop.Calls()[0];
        QCOMPARE(call.size(), 1);
        const TPrivateDesktop::TMailto mail = TPrivateDesktop::ParseMailto(call[0]);
        QCOMPARE(mail.To, (QStringList{u"\"ООО Велстрон, отдел продаж\" <zakaz@velstron.example>"_s,
                                       u"\"Склад\" <sklad@velstron.example>"_s}));
        QCOMPARE(mail.Subject, u"Заказ №7 от 01.02.2024"_s);
        // One line break where the text has one: xdg-email makes CR LF of each LF.
        QCOMPARE(mail.Body, u"Здравствуйте.\r\n\r\nС уважением,\r\n   Иванов & Ко"_s);
        QCOMPARE(mail.Attach, QStringList{order});
        QTest::qWait(200);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void mailThatCannotBeHandedOverNamesTheOrderFile() {
        TPrivateDesktop desktop; // no mail program
        QTemporaryDir dir;
        const QString order = dir.filePath(u"Заказ 7.zkz"_s);
        WriteBytes(order, "order");
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        SendMail(u"a@b.example"_s, u"s"_s, u"b"_s, order);
        QTRY_COMPARE_WITH_TIMEOUT(TMessageBox::ShownTexts().size(), 1, 20000);
        QCOMPARE(TMessageBox::ShownTexts()[0],
                 kErrorPrefix +
                     u"Письмо не передано почтовой программе: на компьютере не настроена почтовая "
                     u"программа.\rЗаказ сохранён в файле "_s +
                     order + u"\rПриложите этот файл к письму вручную."_s);

        // Without xdg-email at all; a link without attachment names the address instead.
        TMessageBox::Reset();
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", QFile::encodeName(empty.path()));
        SendMail(u"\"Разработчик\" <dev@tevlar.example>"_s, u"s"_s, {}, {});
        qputenv("PATH", path);
        QTRY_COMPARE(TMessageBox::ShownTexts().size(), 1);
        QCOMPARE(TMessageBox::ShownTexts()[0],
                 kErrorPrefix +
                     u"Письмо не передано почтовой программе: не удалось запустить программу xdg-email "
                     u"(пакет xdg-utils).\rАдрес для письма: \"Разработчик\" <dev@tevlar.example>"_s);
    }

    // Opening documents

    void openedDocumentReachesItsProgramOrSaysWhyNot() {
        TPrivateDesktop desktop;
        QTemporaryDir dir;
        const QString help = dir.filePath(u"Справка.html"_s);
        WriteBytes(help, "<!DOCTYPE html><html><body>help</body></html>");
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        ShellOpen(help, u"Не удалось открыть файл справки "_s + help);
        QTRY_COMPARE_WITH_TIMEOUT(TMessageBox::ShownTexts().size(), 1, 20000);
        QCOMPARE(TMessageBox::ShownTexts()[0],
                 kErrorPrefix + u"Не удалось открыть файл справки "_s + help +
                     u": на компьютере нет программы, открывающей такие файлы"_s);

        TMessageBox::Reset();
        desktop.RegisterRecorder({u"text/html"_s, u"x-scheme-handler/http"_s});
        ShellOpen(help, u"help"_s);
        ShellOpen(u"www.velstron.example"_s, u"web"_s);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 2, 20000);
        QVERIFY(desktop.Calls().contains(QStringList{help}));
        QVERIFY(desktop.Calls().contains(QStringList{u"http://www.velstron.example"_s}));
        QTest::qWait(200);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void initShellPreparesTheProgramDirectory() {
        QTemporaryDir home, dataHome;
        qputenv("TEVLAR_HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        StandIns tools({u"update-mime-database"_s, u"update-desktop-database"_s});
        QCOMPARE(ProgramDir(), home.path());
        QCOMPARE(TempDir(), home.filePath(u"Temp"_s));
        QCOMPARE(HelpFile(), home.filePath(u"Help/Tevlar.html"_s));

        const QString order = home.filePath(u"Заказ.zkz"_s);
        WriteBytes(order, "");
        QStringList opened;
        auto open = [&](const QString& path) { opened << path; };
        InitShell({u"tevlar"_s, order, u"ignored.zkz"_s}, open);
        InitShell({u"tevlar"_s, home.filePath(u"missing.zkz"_s)}, open);
        InitShell({u"tevlar"_s, home.path()}, open); // a folder is not an order
        InitShell({u"tevlar"_s}, open);
        QCOMPARE(opened, QStringList{order});
        QVERIFY(QFileInfo(TempDir()).isDir());
        // Not installed: the program registered itself, with its folder, once.
        const QString entry = dataHome.filePath(u"applications/example.developer.Tevlar.desktop"_s);
        QVERIFY(QString::fromUtf8(ReadBytes(entry)).contains(u"TEVLAR_HOME="_s + home.path()));
        QTRY_COMPARE(tools.Calls(u"update-desktop-database"_s).size(), 1);
        qunsetenv("TEVLAR_HOME");
    }
};

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
