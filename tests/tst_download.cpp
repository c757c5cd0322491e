#include "shell/FlashForm.h"
#include "app/MainFormUnit.h"
#include "app/SelectFormUnit.h"
#include "ProgramFixture.h"
#include "demo/DemoData.h"
#include "FileSizeLimit.h"
#include "framework/MemTable.h"
#include "framework/MessageBox.h"
#include "HttpTestServer.h"
#include "ModalHelper.h"
#include "order/OrderFrameUnit.h"
#include "order/OrderTabs.h"
#include "price/TableViewUnit.h"
#include "update/HttpDownload.h"
#include "update/UpgradeFormUnit.h"

#include "TestFiles.h"
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using TReply = THttpTestServer::TReply;

const QString kErrorPrefix = u"Ошибка!\rТекст ошибки: "_s;
const QByteArray kPath = "/dynamic/upload/upload/upgrade.zip";

QByteArray Body(int size) {
    QByteArray body(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        body[i] = char(i * 7 + i / 251);
    return body;
}

// Answers HEAD with the headers alone and GET with the whole document.
THttpTestServer::TResponder Serve(const QByteArray& body, bool contentLength = true) {
    return [=](const QByteArray& request) {
        QList<QByteArray> headers{"Content-Type: application/zip"};
        if (contentLength) headers << "Content-Length: " + QByteArray::number(body.size());
        return TReply{
            THttpTestServer::Response("200 OK", headers, THttpTestServer::IsHead(request) ? "" : body)};
    };
}

THttpTestServer::TResponder Status(const QByteArray& head, const QByteArray& get) {
    return [=](const QByteArray& request) {
        const QByteArray& status = THttpTestServer::IsHead(request) ? head : get;
        return TReply{THttpTestServer::Response(status, {"Content-Length: 4"}, "page")};
    };
}

QByteArray Exchange(const QByteArray& method, const QByteArray& target, const QByteArray& host) {
    return method + ' ' + target +
           " HTTP/1.0\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible)\r\nHost: " +
           host + "\r\n\r\n";
}

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

// The message of what the call throws; empty when it throws nothing.
template <class Call> QString Failure(Call&& call) {
    try {
        call();
    } catch (const TException& e) {
        return e.Message();
    }
    return {};
}

} // namespace

class TstDownload : public QObject, TProgramFixture {
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_folder; // the Temp folder, where downloads go
    std::vector<Demo::Article> m_articles;

    QString Target() const { return m_folder + u"/upgrade.zip"_s; }
    static QString Url(const THttpTestServer& server, const QByteArray& path = kPath) {
        return QString::fromLatin1(server.HostPort() + path);
    }

    // HEAD and GET into the Temp folder's upgrade.zip; the message of the failure, if any.
    static QString Download(THttpDownload& http, const QString& target) {
        if (!http.ProcessMessages) http.ProcessMessages = [] { QCoreApplication::processEvents(); };
        return Failure([&] {
            http.Head();
            http.Get(target);
        });
    }

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(m_home.isValid());
        UseProgramFolder(m_home.path());
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
        m_folder = m_home.filePath(u"Temp"_s);
        m_articles = Demo::MakeArticles({.Articles = 40, .Seed = 5});
    }

    void cleanup() { StopProgram(); }

    void init() {
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
        Demo::WritePriceList(m_home.filePath(u"data.iop"_s), m_articles);
        TMessageBox::Reset();
    }

    // The exchange on the wire

    void sendsTheExactRequestsDirectly() {
        const QByteArray body = Body(3'000'000);
        THttpTestServer server(Serve(body));
        THttpDownload http(Url(server));
        QList<qint64> received;
        http.OnDocData = [&](qint64 count, qint64 expected) {
            received << count;
            QCOMPARE(expected, body.size());
        };
        QCOMPARE(Download(http, Target()), QString());
        QVERIFY(std::is_sorted(received.begin(), received.end()));
        QCOMPARE(received.value(received.size() - 1), body.size());
        QCOMPARE(server.Requests(), (QList<QByteArray>{Exchange("HEAD", kPath, server.HostPort()),
                                                       Exchange("GET", kPath, server.HostPort())}));
        QCOMPARE(ReadBytes(Target()), body);
        QCOMPARE(Files(m_folder), QStringList{u"upgrade.zip"_s});
    }

    void sendsTheWholeUrlToTheProxy() {
        THttpTestServer proxy(Serve("package"));
        THttpDownload http(u"updates.velstron.example/dynamic/upload/upload/upgrade.zip?v=2"_s,
                           u"127.0.0.1"_s, QString::number(proxy.Port()));
        QCOMPARE(THttpDownload::DocumentName(http.Url()), u"upgrade.zip"_s);
        QCOMPARE(Download(http, Target()), QString());
        const QByteArray url = "http://updates.velstron.example/dynamic/upload/upload/upgrade.zip?v=2";
        QCOMPARE(proxy.Requests(), (QList<QByteArray>{Exchange("HEAD", url, "updates.velstron.example"),
                                                      Exchange("GET", url, "updates.velstron.example")}));
        QCOMPARE(ReadBytes(Target()), "package");
    }

    void followsRedirectionsByHand() {
        const QByteArray body = Body(5000);
        THttpTestServer second(Serve(body));
        const QByteArray moved = "http://" + second.HostPort() + "/files/new.zip";
        THttpTestServer first([=](const QByteArray& request) {
            // A relative location first, then another port; their pages are not the document.
            if (request.contains(" /start "))
                return TReply{THttpTestServer::Response("301 Moved", {"Location: /moved"}, "first page")};
            return TReply{THttpTestServer::Response("302 Found", {"Location: " + moved}, "second page")};
        });
        THttpDownload http(Url(first, "/start"));
        QCOMPARE(Download(http, Target()), QString());
        QCOMPARE(ReadBytes(Target()), body);
        QCOMPARE(first.Requests().value(1), Exchange("HEAD", "/moved", first.HostPort()));
        QCOMPARE(first.Requests().size(), 4);
        QCOMPARE(second.Requests(),
                 (QList<QByteArray>{Exchange("HEAD", "/files/new.zip", second.HostPort()),
                                    Exchange("GET", "/files/new.zip", second.HostPort())}));
    }

    void stopsARedirectionLoop() {
        THttpTestServer server([](const QByteArray&) {
            return TReply{THttpTestServer::Response("302 Found", {"Location: /again"})};
        });
        THttpDownload http(Url(server));
        QCOMPARE(Download(http, Target()), u"302 Слишком много перенаправлений (больше 10)"_s);
        QCOMPARE(server.Requests().size(), THttpDownload::kMaxRedirects + 1);
        QVERIFY(Files(m_folder).isEmpty());
    }

    void errorStatusesFail_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("get");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("requests");
        QTest::newRow("document missing")
            << QByteArray("200 OK") << QByteArray("404 Not Found") << u"404 Not Found"_s << 2;
        QTest::newRow("server fails at once") << QByteArray("500 Internal Server Error")
                                              << QByteArray("200 OK") << u"500 Internal Server Error"_s << 1;
        QTest::newRow("reason in Windows-1251")
            << QByteArray("200 OK") << QByteArray("503 \xcd\xe5\xe4\xee\xf1\xf2\xf3\xef\xe5\xed")
            << u"503 Недоступен"_s << 2;
        QTest::newRow("no reason") << QByteArray("200 OK") << QByteArray("410") << u"410 "_s << 2;
    }
    void errorStatusesFail() {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, get);
        QFETCH(QString, message);
        QFETCH(int, requests);
        WriteBytes(Target(), "older package");
        THttpTestServer server(Status(head, get));
        THttpDownload http(Url(server));
        QCOMPARE(Download(http, Target()), message);
        QCOMPARE(server.Requests().size(), requests);
        // The older file is neither replaced by the error page nor left beside a half-written one.
        QCOMPARE(ReadBytes(Target()), "older package");
        QCOMPARE(Files(m_folder), QStringList{u"upgrade.zip"_s});
    }

    void authenticationPageIsSaved() {
        THttpTestServer server(Status("401 Unauthorized", "407 Proxy Authentication Required"));
        THttpDownload http(Url(server));
        QCOMPARE(Download(http, Target()), QString());
        QCOMPARE(ReadBytes(Target()), "page");
    }

    void connectionFailuresAre404_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString refused = u"127.0.0.1:%1/upgrade.zip"_s.arg(closed.serverPort());
        closed.close();
        QTest::newRow("refused") << refused << QString() << u"404 Нет соединения с сервером: "_s
                                 << u"(Connection refused)"_s;
        QTest::newRow("unknown host") << u"no-such-host.invalid/upgrade.zip"_s << QString()
                                      << u"404 Сервер не найден: "_s << u"no-such-host.invalid"_s;
        QTest::newRow("unknown proxy")
            << u"updates.velstron.example/upgrade.zip"_s << u"no-such-proxy.invalid"_s
            << u"404 Прокси-сервер не найден: "_s << u"no-such-proxy.invalid"_s;
    }
    void connectionFailuresAre404() {
        QFETCH(QString, url);
        QFETCH(QString, proxy);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        THttpDownload http(url, proxy);
        const QString failure = Download(http, Target());
        QVERIFY2(failure.startsWith(message) && failure.contains(detail), qPrintable(failure));
        QVERIFY(Files(m_folder).isEmpty());
    }

    void cutOffBodyLeavesNoFile() {
        THttpTestServer server([](const QByteArray& request) {
            return TReply{THttpTestServer::Response("200 OK", {"Content-Length: 1000"},
                                                    THttpTestServer::IsHead(request) ? "" : Body(400))};
        });
        THttpDownload http(Url(server));
        const QString failure = Download(http, Target());
        QVERIFY2(failure.startsWith(u"404 Соединение прервано до конца документа: "_s), qPrintable(failure));
        QVERIFY(Files(m_folder).isEmpty());
    }

    void cancelEndsTheRequest_data() {
        QTest::addColumn<bool>("duringBody");
        QTest::newRow("before the answer") << false;
        QTest::newRow("during the body") << true;
    }
    void cancelEndsTheRequest() {
        QFETCH(bool, duringBody);
        THttpTestServer server([=](const QByteArray& request) {
            if (THttpTestServer::IsHead(request)) return TReply{THttpTestServer::Response("200 OK")};
            const QByteArray part =
                THttpTestServer::Response("200 OK", {"Content-Length: 100000"}, Body(1000));
            return TReply{duringBody ? part : QByteArray(), true};
        });
        bool cancelled = false;
        QList<qint64> received;
        THttpDownload http(Url(server));
        http.Cancelled = [&] { return cancelled; };
        // Cancel as soon as the server holds the GET, or once the first block is in.
        http.ProcessMessages = [&] {
            cancelled = cancelled || (!duringBody && server.Requests().size() == 2);
        };
        http.OnDocData = [&](qint64 count, qint64 expected) {
            received << count;
            QCOMPARE(expected, 100000);
            cancelled = true;
        };
        QCOMPARE(Download(http, Target()), u"404 Connection aborted on request"_s);
        QCOMPARE(received.size(), duringBody ? 1 : 0);
        QTRY_COMPARE(server.ClosedByClient(), 1);
        QVERIFY(Files(m_folder).isEmpty());
    }

    void failedWriteKeepsTheOlderFile() {
        WriteBytes(Target(), "older package");
        THttpTestServer server(Serve(Body(3'000'000)));
        THttpDownload http(Url(server));
        QString failure;
        {
            const FileSizeLimit limit(1'500'000);
            failure = Download(http, Target());
        }
        QVERIFY2(failure.startsWith(u"Невозможно записать файл "_s + Target() + u": "_s),
                 qPrintable(failure));
        QCOMPARE(ReadBytes(Target()), "older package");
        QCOMPARE(Files(m_folder), QStringList{u"upgrade.zip"_s});
    }

    void unwritableFileSendsNoGet() {
        THttpTestServer server(Serve("package"));
        THttpDownload http(Url(server));
        const QString target = m_folder + u"/missing/upgrade.zip"_s;
        QVERIFY(Download(http, target).startsWith(u"Невозможно создать файл "_s + target + u": "_s));
        QCOMPARE(server.Requests().size(), 1);
    }

    // Settings

    void badSettingsAreRefused_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        const QString noUrl = u"Не задан адрес обновления (URL): укажите его в настройках программы"_s;
        QTest::newRow("empty URL") << QString() << QString() << QString() << noUrl;
        QTest::newRow("blank URL") << u"  "_s << QString() << QString() << noUrl;
        QTest::newRow("port of letters") << u"host:abc/x.zip"_s << QString() << QString()
                                         << u"Неверный адрес обновления (URL): host:abc/x.zip"_s;
        QTest::newRow("other scheme") << u"ftp://host/x.zip"_s << QString() << QString()
                                      << u"Неверный адрес обновления (URL): ftp://host/x.zip"_s;
        for (const QString& port : {u"abc"_s, u"70000"_s})
            QTest::addRow("proxy port %s", qPrintable(port))
                << u"host/x.zip"_s << u"proxy"_s << port << u"Неверный порт прокси-сервера: "_s + port;
        QTest::newRow("proxy with a port") << u"host/x.zip"_s << u"proxy:3128"_s << u"80"_s
                                           << u"Неверный адрес прокси-сервера: proxy:3128"_s;
    }
    void badSettingsAreRefused() {
        QFETCH(QString, url);
        QFETCH(QString, proxy);
        QFETCH(QString, port);
        QFETCH(QString, message);
        QCOMPARE(Failure([&] { THttpDownload(url, proxy, port); }), message);
    }

    void documentName_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("default") << u"www.velstron.example/dynamic/upload/upload/upgrade.zip"_s
                                 << u"upgrade.zip"_s;
        QTest::newRow("folder") << u"host/dir/"_s << u"document.htm"_s;
        QTest::newRow("host alone") << u"http://host"_s << u"document.htm"_s;
        QTest::newRow("query") << u"host/a/b.zip?x=1/2"_s << u"b.zip"_s;
        QTest::newRow("dot dot") << u"host/a/%2E%2E"_s << u"document.htm"_s;
        QTest::newRow("encoded slash") << u"host/a%2F..%2Fdata.iop"_s << u"a%2F..%2Fdata.iop"_s;
        QTest::newRow("Cyrillic") << u"host/%D0%BF%D1%80%D0%B0%D0%B9%D1%81.zip"_s << u"прайс.zip"_s;
        QTest::newRow("long") << u"host/"_s + QString(300, u'x') << QString(255, u'x');
    }
    void documentName() {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(THttpDownload::DocumentName(THttpDownload(url).Url()), name);
    }

    // The automatic update command

    void autoUpdateDownloadsAndApplies() {
        const auto update = Demo::MakeUpdate(m_articles, {.Articles = 40, .Seed = 5});
        Demo::WriteUpdatePackage(m_home.filePath(u"new.upr"_s), update);
        Demo::ZipUpdatePackage(m_home.filePath(u"new.upr"_s), m_home.filePath(u"new.zip"_s));
        THttpTestServer server(Serve(ReadBytes(m_home.filePath(u"new.zip"_s))));

        StartAndShowProgram();
        TMainForm& main = *m_main;
        TFlash& flash = m_program->Flash();
        TUpgradeForm& upgrade = m_program->UpgradeForm();
        main.FormStorage.SetStoredValue(TStoredValue::FURL, Url(server));
        // An order open during the update keeps its line.
        auto info = OnNextModal([](QWidget* d) { d->findChild<QPushButton*>(u"Button_Exit"_s)->click(); });
        main.NewOrder->trigger();
        QVERIFY(info->Ok());
        auto line = OnNextModal([](QWidget* d) { d->findChild<QPushButton*>(u"Button_Ok"_s)->click(); });
        QTest::keyClick(main.Price_Data->TableViewGrid, Qt::Key_Return);
        QVERIFY(line->Ok());

        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        auto dialog = OnNextModal([&](QWidget* d) {
            QCOMPARE(upgrade.UpdateFileName, m_folder + u"/upgrade.upr"_s);
            d->findChild<QPushButton*>(u"Button_Continue"_s)->click();
        });
        main.PriceUpdateAuto->trigger();
        QVERIFY(dialog->Ok());
        QCOMPARE(TMessageBox::ShownTexts(),
                 QStringList{u"Файл обновления был успешно закачан в "_s + Target()});
        QCOMPARE(main.Price_Data->Table->TotalRecordCount(), int(update.size()));
        // The download stays, the unpacked copy goes.
        QCOMPARE(Files(m_folder), QStringList{u"upgrade.zip"_s});
        QCOMPARE(main.OrderControl->count(), 1);
        QCOMPARE(main.Orders->CurrentOrder()->Lines().size(), size_t(1));
        QVERIFY(!flash.isVisible() && main.isEnabled());
    }

    void autoUpdateShowsProgressAndCancels() {
        THttpTestServer server([](const QByteArray& request) {
            if (THttpTestServer::IsHead(request)) return TReply{THttpTestServer::Response("200 OK")};
            return TReply{THttpTestServer::Response("200 OK", {}, Body(1000)), true};
        });
        WriteBytes(Target(), "older package");
        StartProgram();
        TMainForm& main = *m_main;
        TFlash& flash = m_program->Flash();
        main.FormStorage.SetStoredValue(TStoredValue::FURL, Url(server));

        // The wait window's own Cancel button, pressed once the progress shows.
        QString progress;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            const QString text = flash.findChild<QLabel*>(u"FlashLabel"_s)->text();
            if (!progress.isEmpty() || !text.contains(u"Закачано"_s)) return;
            progress = text;
            QVERIFY(flash.findChild<QWidget*>(u"CancelPanel"_s)->isVisible());
            flash.findChild<QPushButton*>(u"CancelButton"_s)->click();
        });
        watch.start(5);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        main.PriceUpdateAuto->trigger();
        QCOMPARE(progress, Url(server) + u"\nЗакачано 1000 из -1"_s);
        QCOMPARE(TMessageBox::ShownTexts(),
                 QStringList{kErrorPrefix + u"404 Connection aborted on request"_s});
        QCOMPARE(ReadBytes(Target()), "older package");
        QCOMPARE(Files(m_folder), QStringList{u"upgrade.zip"_s});
        QVERIFY(!flash.isVisible() && main.isEnabled() && !flash.Cancelled());
    }

    void autoUpdateFailuresAreShown_data() {
        QTest::addColumn<bool>("withAddress");
        QTest::addColumn<QString>("message");
        QTest::newRow("no address")
            << false << u"Не задан адрес обновления (URL): укажите его в настройках программы"_s;
        QTest::newRow("server error") << true << u"404 Not Found"_s;
    }
    void autoUpdateFailuresAreShown() {
        QFETCH(bool, withAddress);
        QFETCH(QString, message);
        THttpTestServer server(Status("404 Not Found", "404 Not Found"));
        StartProgram();
        TMainForm& main = *m_main;
        TFlash& flash = m_program->Flash();
        TUpgradeForm& upgrade = m_program->UpgradeForm();
        main.FormStorage.SetStoredValue(TStoredValue::FURL, withAddress ? Url(server) : QString());
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        main.PriceUpdateAuto->trigger();
        QCOMPARE(TMessageBox::ShownTexts(), QStringList{kErrorPrefix + message});
        QCOMPARE(server.Requests().size(), withAddress ? 1 : 0);
        QVERIFY(!upgrade.isVisible() && !flash.isVisible() && main.isEnabled());
        QVERIFY(Files(m_folder).isEmpty());
    }
};

QTEST_MAIN(TstDownload)
#include "tst_download.moc"
