#include "shell/Platform.h"
#include "shell/SysUnit.h"
#include "StandIns.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TstPlatform : public QObject {
    Q_OBJECT

    static QString ReadText(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private Q_SLOTS:
    void init() { TMessageBox::Reset(); }

    void orderFileTypeWrittenAtEveryStart() {
        QTemporaryDir dataHome;
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        StandIns tools({u"update-mime-database"_s, u"update-desktop-database"_s});
        const QString program = u"/opt/Тевлар 2/bin/te\"v$l`a\\r%"_s;

        QVERIFY(Platform::RegisterOrderFileType(program));
        QVERIFY(Platform::RegisterOrderFileType(program));

        const QString mime = ReadText(dataHome.filePath(u"mime/packages/tevlar-order.xml"_s));
        QVERIFY(mime.contains(u"<glob pattern=\"*.zkz\"/>"_s));
        QVERIFY(mime.contains(u"<comment>Файл заказа</comment>"_s));
        const QString desktopPath = dataHome.filePath(u"applications/tevlar.desktop"_s);
        const QStringList desktop = ReadText(desktopPath).split(u'\n');
        QVERIFY(desktop.contains(u"Exec=\"/opt/Тевлар 2/bin/te\\\\\"v\\\\$l\\\\`a\\\\\\\\r%%\" %f"_s));
        QVERIFY(desktop.contains(u"MimeType=application/x-tevlar-order;"_s));

        // The desktop's caches are rebuilt at every start.
        QTRY_COMPARE(tools.Calls(u"update-mime-database"_s).size(), 2);
        QTRY_COMPARE(tools.Calls(u"update-desktop-database"_s).size(), 2);
        QCOMPARE(tools.Calls(u"update-mime-database"_s)[0], QStringList{dataHome.filePath(u"mime"_s)});
        QCOMPARE(tools.Calls(u"update-desktop-database"_s)[0],
                 QStringList{dataHome.filePath(u"applications"_s)});

        QProcess validate;
        validate.start(u"desktop-file-validate"_s, {desktopPath});
        if (validate.waitForFinished())
            QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
    }

    void unwritableAssociationIsQuiet() {
        QTemporaryDir dir;
        const QString blocked = dir.filePath(u"file"_s);
        QFile(blocked).open(QIODevice::WriteOnly);
        qputenv("XDG_DATA_HOME", QFile::encodeName(blocked));
        StandIns tools({u"update-mime-database"_s, u"update-desktop-database"_s});
        QVERIFY(!Platform::RegisterOrderFileType(u"/usr/bin/tevlar"_s));
        QVERIFY(!Platform::RegisterOrderFileType(u"/usr/bin/tev\nlar"_s));
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QTest::qWait(100);
        QVERIFY(tools.Calls(u"update-mime-database"_s).isEmpty());
    }

    void sendMailHandsTheMessageToXdgEmail() {
        QTemporaryDir dir;
        const QString order = dir.filePath(u"Заказ 7.zkz"_s);
        QFile(order).open(QIODevice::WriteOnly);
        StandIns mailer({u"xdg-email"_s});
        SendMail(u"\"Отдел продаж\" <sales@velstron.example>,\"Склад\" <store@velstron.example>\r\n"
                 u"--attach=/etc/passwd\r\n"
                 u"не адрес\r\n"
                 u"dev@tevlar.example"_s,
                 u"Заказ №7 от 01.02.2024"_s, u"Здравствуйте.\r\n\r\nС уважением,\r\n   Иванов"_s,
                 order + u"\r\n"_s);
        QTRY_COMPARE(mailer.Calls(u"xdg-email"_s).size(), 1);
        QCOMPARE(
            mailer.Calls(u"xdg-email"_s)[0],
            (QStringList{u"--utf8"_s, u"--subject"_s, u"Заказ №7 от 01.02.2024"_s, u"--body"_s,
                         u"Здравствуйте.\r\n\r\nС уважением,\r\n   Иванов"_s, u"--attach"_s, order,
                         u"\"Отдел продаж\" <sales@velstron.example>,\"Склад\" <store@velstron.example>"_s,
                         u"dev@tevlar.example"_s}));
    }

    void emptySubjectBodyAndAttachmentsAreLeftOut() {
        StandIns mailer({u"xdg-email"_s});
        QVERIFY(
            Platform::SendMail(u"\"Разработчик\" <dev@tevlar.example>"_s, u"Программа \"Тевлар\""_s, {}, {}));
        QTRY_COMPARE(mailer.Calls(u"xdg-email"_s).size(), 1);
        QCOMPARE(mailer.Calls(u"xdg-email"_s)[0],
                 (QStringList{u"--utf8"_s, u"--subject"_s, u"Программа \"Тевлар\""_s,
                              u"\"Разработчик\" <dev@tevlar.example>"_s}));
    }

    void missingOrFailingMailClientSaysNothing() {
        const QByteArray oldPath = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", QFile::encodeName(empty.path()));
        QVERIFY(!Platform::SendMail(u"a@b.example"_s, u"s"_s, u"b"_s, {}));
        qputenv("PATH", oldPath);

        StandIns failing({u"xdg-email"_s}, 3);
        SendMail(u"a@b.example"_s, u"s"_s, u"b"_s, {});
        QTRY_COMPARE(failing.Calls(u"xdg-email"_s).size(), 1);
        QTest::qWait(50);
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
        QFile(order).open(QIODevice::WriteOnly);
        QStringList opened;
        auto open = [&](const QString& path) { opened << path; };
        InitShell({u"tevlar"_s, order, u"ignored.zkz"_s}, open);
        InitShell({u"tevlar"_s, home.filePath(u"missing.zkz"_s)}, open);
        InitShell({u"tevlar"_s, home.path()}, open); // a folder is not an order
        InitShell({u"tevlar"_s}, open);
        QCOMPARE(opened, QStringList{order});
        QVERIFY(QFileInfo(TempDir()).isDir());
        QVERIFY(QFile::exists(dataHome.filePath(u"applications/tevlar.desktop"_s)));
        QTRY_COMPARE(tools.Calls(u"update-mime-database"_s).size(), 4);
        QTRY_COMPARE(tools.Calls(u"update-desktop-database"_s).size(), 4);
        qunsetenv("TEVLAR_HOME");
    }
};

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
