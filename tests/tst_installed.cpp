// The installed program: installed by this test into a temporary prefix with cmake --install, then
// checked file by file, validated as the desktop validates it, and started as a new user starts it.
#include "TestFiles.h"

#include "order/OrderFile.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kAppId = u"example.developer.Tevlar"_s;
const QList<int> kIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

struct TRun {
    int ExitCode = -1;
    QString Output;
};

TRun Run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = {},
         int timeoutMs = 60000) {
    QProcess process;
    if (!env.isEmpty()) process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    TRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.Output = u"(did not end in time) "_s;
    } else if (process.exitStatus() == QProcess::NormalExit) {
        run.ExitCode = process.exitCode();
    }
    run.Output += QString::fromUtf8(process.readAll());
    return run;
}

// The share of pixels that differ between two pictures of the same size in a band of rows.
double Difference(const QImage& a, const QImage& b, int fromRow, int toRow) {
    qint64 differing = 0, all = 0;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < a.width(); ++x, ++all)
            differing += a.pixel(x, y) != b.pixel(x, y);
    return all ? double(differing) / double(all) : 0;
}

} // namespace

class TstInstalled : public QObject {
    Q_OBJECT

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;

    QString Installed(const QString& path) const { return m_prefix.filePath(path); }

    // The installed program with nothing of the user's yet: a home of its own, no TEVLAR_HOME, no
    // XDG_DATA_HOME; no screen, a picture of the main window instead; boxes answered and listed.
    TRun Start(const QStringList& arguments, const QString& screenshot) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"TEVLAR_HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_CONFIG_HOME"_s})
            env.remove(name);
        env.insert(u"HOME"_s, m_home.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"TEVLAR_TEST_ANSWER_OK"_s, u"1"_s);
        env.insert(u"TEVLAR_SCREENSHOT"_s, screenshot);
        return Run(Installed(u"bin/tevlar"_s), arguments, env);
    }

private Q_SLOTS:
    void initTestCase() {
        const TRun install =
            Run(QStringLiteral(CMAKE_COMMAND),
                {u"--install"_s, QStringLiteral(TEVLAR_BUILD_DIR), u"--prefix"_s, m_prefix.path()});
        QVERIFY2(install.ExitCode == 0, qPrintable(install.Output));
    }

    void filesAreInPlace() {
        QStringList expected{u"bin/tevlar"_s,
                             u"share/applications/"_s + kAppId + u".desktop"_s,
                             u"share/mime/packages/"_s + kAppId + u".xml"_s,
                             u"share/metainfo/"_s + kAppId + u".metainfo.xml"_s,
                             u"share/icons/hicolor/scalable/apps/"_s + kAppId + u".svg"_s,
                             u"share/icons/hicolor/scalable/mimetypes/application-x-tevlar-order.svg"_s,
                             u"share/tevlar/data.iop"_s,
                             u"share/tevlar/Help/Tevlar.html"_s};
        for (const int size : kIconSizes) {
            const QString folder = u"share/icons/hicolor/%1x%1/"_s.arg(size);
            for (const QString& icon : {u"apps/"_s + kAppId, u"mimetypes/application-x-tevlar-order"_s}) {
                expected << folder + icon + u".png"_s;
                const QImage picture(Installed(folder + icon + u".png"_s));
                QCOMPARE(picture.size(), QSize(size, size));
            }
        }
        QStringList files;
        for (QDirIterator it(m_prefix.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            files << QDir(m_prefix.path()).relativeFilePath(it.next());
        files.sort();
        expected.sort();
        QCOMPARE(files, expected);
        QVERIFY(QFileInfo(Installed(u"bin/tevlar"_s)).isExecutable());
        QVERIFY(ReadBytes(Installed(u"share/tevlar/Help/Tevlar.html"_s)).contains("ООО \"Велстрон\""));
    }

    void desktopFilesValidate() {
        const QString desktop = Installed(u"share/applications/"_s + kAppId + u".desktop"_s);
        const TRun entry = Run(u"desktop-file-validate"_s, {desktop});
        QVERIFY2(entry.ExitCode == 0 && entry.Output.isEmpty(), qPrintable(entry.Output));
        const TRun metainfo =
            Run(u"appstreamcli"_s, {u"validate"_s, u"--no-net"_s,
                                    Installed(u"share/metainfo/"_s + kAppId + u".metainfo.xml"_s)});
        QVERIFY2(metainfo.ExitCode == 0, qPrintable(metainfo.Output));

        const QStringList lines = QString::fromUtf8(ReadBytes(desktop)).split(u'\n');
        for (const QString& line :
             {u"Exec=tevlar %f"_s, u"Icon="_s + kAppId, u"MimeType=application/x-tevlar-order;"_s,
              u"Name[ru]=Тевлар"_s, u"GenericName[ru]=Формирование заказов"_s})
            QVERIFY2(lines.contains(line), qPrintable(line));
        QVERIFY(lines.contains(u"Categories=Office;Qt;"_s));

        // The file type as the desktop's database reads it: *.zkz, with its own icon.
        const TRun mime = Run(u"update-mime-database"_s, {Installed(u"share/mime"_s)});
        QVERIFY2(mime.ExitCode == 0, qPrintable(mime.Output));
        QVERIFY(ReadBytes(Installed(u"share/mime/globs2"_s)).contains("application/x-tevlar-order:*.zkz"));
        QVERIFY(ReadBytes(Installed(u"share/mime/icons"_s))
                    .contains("application/x-tevlar-order:application-x-tevlar-order"));
        QDir(Installed(u"share/mime"_s)).removeRecursively();
        QVERIFY(QDir().mkpath(Installed(u"share/mime/packages"_s)));
    }

    void newUserGetsTheShippedPriceListAndOpensAnOrder() {
        const QString shot = m_home.filePath(u"first.png"_s);
        const TRun first = Start({}, shot);
        QVERIFY2(first.ExitCode == 0 && !first.Output.contains(u"message box"_s), qPrintable(first.Output));
        const QString folder = m_home.filePath(u".local/share/tevlar"_s);
        QCOMPARE(ReadBytes(folder + u"/data.iop"_s), ReadBytes(Installed(u"share/tevlar/data.iop"_s)));
        QCOMPARE(ReadBytes(folder + u"/Help/Tevlar.html"_s),
                 ReadBytes(Installed(u"share/tevlar/Help/Tevlar.html"_s)));
        QVERIFY(QFileInfo(folder + u"/Temp"_s).isDir());
        // The package's entry and file type serve: nothing registered per user.
        QVERIFY(!QFileInfo::exists(m_home.filePath(u".local/share/applications"_s)));
        QVERIFY(!QFileInfo::exists(m_home.filePath(u".local/share/mime"_s)));

        // An order given on the command line, as the file manager gives it, opens on its own tab.
        const QString order = m_home.filePath(u"Заказ 5.zkz"_s);
        std::vector<OrderLine> lines;
        for (int i = 0; i < 30; ++i)
            lines.push_back({u"AB%1"_s.arg(i), u"Фильтр масляный"_s, 2, 40, 80, u"срочно"_s});
        OrderFile::Write(order, {u"5"_s, QDate(2026, 12, 1), u""_s, u"ООО Ромашка"_s}, lines);
        const QString withOrder = m_home.filePath(u"order.png"_s);
        const TRun second = Start({order}, withOrder);
        QVERIFY2(second.ExitCode == 0 && !second.Output.contains(u"message box"_s),
                 qPrintable(second.Output));
        const QImage before(shot), after(withOrder);
        QVERIFY(!before.isNull() && before.size() == after.size());
        // The upper part of the window, empty before, now shows the order's tab and lines.
        QVERIFY2(Difference(before, after, 0, before.height() / 3) > 0.05,
                 qPrintable(QString::number(Difference(before, after, 0, before.height() / 3))));

        // A broken order file shows that it was read: its error names it.
        const QString broken = m_home.filePath(u"Испорчен.zkz"_s);
        WriteBytes(broken, "не заказ");
        const TRun third = Start({broken}, m_home.filePath(u"broken.png"_s));
        QVERIFY2(third.Output.contains(u"message box"_s) && third.Output.contains(broken),
                 qPrintable(third.Output));
    }
};

QTEST_GUILESS_MAIN(TstInstalled)
#include "tst_installed.moc"
