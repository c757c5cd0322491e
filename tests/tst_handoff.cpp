// The order e-mail through the desktop portal: a portal of the test's own owns the portal's name on a
// private session bus and reads the attached order file through the descriptor it was given.
#include "PrivateDesktop.h"
#include "TestFiles.h"

#include "framework/MessageBox.h"
#include "shell/SysUnit.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPortalService = u"org.freedesktop.portal.Desktop"_s;
const QString kPortalPath = u"/org/freedesktop/portal/desktop"_s;

// What the portal was asked.
struct TComposeCall {
    QString ParentWindow;
    QStringList Addresses;
    QString Subject, Body;
    QList<QByteArray> Attachments; // read through the descriptors
};

} // namespace

// The e-mail part of a desktop portal: records each call and answers with the configured response
// (0 sent on, 1 cancelled by the user, 2 failed), or refuses the call as a portal without a mail
// backend does.
class TFakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Email")

public:
    explicit TFakePortal(QDBusConnection bus) : m_bus(std::move(bus)) {}

    QList<TComposeCall> Calls;
    uint Response = 0;
    bool Refuse = false;

public Q_SLOTS:
    QDBusObjectPath ComposeEmail(const QString& parentWindow, const QVariantMap& options,
                                 const QDBusMessage& message) {
        if (Refuse) {
            message.setDelayedReply(true);
            m_bus.send(message.createErrorReply(QDBusError::NotSupported, u"no e-mail backend"_s));
            return {};
        }
        TComposeCall call;
        call.ParentWindow = parentWindow;
        call.Addresses = options.value(u"addresses"_s).toStringList();
        call.Subject = options.value(u"subject"_s).toString();
        call.Body = options.value(u"body"_s).toString();
        const auto fds = qdbus_cast<QList<QDBusUnixFileDescriptor>>(options.value(u"attachment_fds"_s));
        for (const QDBusUnixFileDescriptor& fd : fds) {
            QFile file;
            call.Attachments.append(file.open(fd.fileDescriptor(), QIODevice::ReadOnly) ? file.readAll()
                                                                                        : "<unreadable>");
        }
        Calls.append(call);
        // The request object named after the caller and its token, as the portal makes it.
        const QString sender = message.service().mid(1).replace(u'.', u'_');
        const QString path =
            kPortalPath + u"/request/"_s + sender + u'/' + options.value(u"handle_token"_s).toString();
        QTimer::singleShot(10, this, [this, path] {
            QDBusMessage signal =
                QDBusMessage::createSignal(path, u"org.freedesktop.portal.Request"_s, u"Response"_s);
            signal << Response << QVariantMap();
            m_bus.send(signal);
        });
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_bus;
};

class TstHandOff : public QObject {
    Q_OBJECT

    QProcess m_daemon;
    std::unique_ptr<TFakePortal> m_portal;
    QTemporaryDir m_dir;
    QString m_order;

    QDBusConnection PortalBus() const { return QDBusConnection(u"fake-portal"_s); }

private Q_SLOTS:
    void initTestCase() {
        m_daemon.start(u"dbus-daemon"_s,
                       {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address"_s});
        QVERIFY2(m_daemon.waitForStarted(10000), "dbus-daemon does not start (scripts/setup installs it)");
        QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine(), 10000);
        const QByteArray address = m_daemon.readLine().trimmed();
        // Before anything in this process asks for the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(address), u"fake-portal"_s);
        QVERIFY(bus.isConnected());
        qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
        m_portal = std::make_unique<TFakePortal>(bus);
        QVERIFY(bus.registerObject(kPortalPath, m_portal.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(kPortalService));

        m_order = m_dir.filePath(u"Заказ 7.zkz"_s);
        WriteBytes(m_order, QByteArray("\t\xcd\xc0\xd7\xc0\xcb\xce_\xd0\xc0\xc7\xc4\xc5\xcb\xc0\t\r\n", 19));
    }

    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(u"fake-portal"_s);
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

    void init() {
        TMessageBox::Reset();
        m_portal->Calls.clear();
        m_portal->Response = 0;
        m_portal->Refuse = false;
    }

    void portalReceivesTheOrderFileItself() {
        SendMail(
            u"\"ООО Велстрон, отдел продаж\" <zakaz@velstron.example>,\"Склад\" <sklad@velstron.example>"_s,
            u"Заказ №7 от 01.02.2024"_s, u"Здравствуйте.\r\n\r\nС уважением,\r\n   Иванов"_s, m_order);
        QTRY_COMPARE_WITH_TIMEOUT(m_portal->Calls.size(), 1, 20000);
        const TComposeCall call = m_portal->Calls[0];
        // The portal takes bare addresses: each mailbox is one, its comma notwithstanding.
        QCOMPARE(call.Addresses, (QStringList{u"zakaz@velstron.example"_s, u"sklad@velstron.example"_s}));
        QCOMPARE(call.Subject, u"Заказ №7 от 01.02.2024"_s);
        QCOMPARE(call.Body, u"Здравствуйте.\n\nС уважением,\n   Иванов"_s);
        QCOMPARE(call.Attachments, QList<QByteArray>{ReadBytes(m_order)});
        QTest::qWait(200);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void cancelInTheMailProgramIsSilent() {
        m_portal->Response = 1;
        SendMail(u"zakaz@velstron.example"_s, u"s"_s, u"b"_s, m_order);
        QTRY_COMPARE_WITH_TIMEOUT(m_portal->Calls.size(), 1, 20000);
        QTest::qWait(300);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
    }

    void failedHandOffNamesTheOrderFile() {
        m_portal->Response = 2;
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        SendMail(u"zakaz@velstron.example"_s, u"s"_s, u"b"_s, m_order);
        QTRY_COMPARE_WITH_TIMEOUT(TMessageBox::ShownTexts().size(), 1, 20000);
        QCOMPARE(
            TMessageBox::ShownTexts()[0],
            u"Ошибка!\rТекст ошибки: Письмо не передано почтовой программе: служба рабочего стола не смогла "
            u"передать письмо почтовой программе.\rЗаказ сохранён в файле "_s +
                m_order + u"\rПриложите этот файл к письму вручную."_s);
    }

    void portalWithoutMailGoesThroughXdgEmail() {
        m_portal->Refuse = true;
        TPrivateDesktop desktop;
        desktop.RegisterRecorder({u"x-scheme-handler/mailto"_s});
        SendMail(u"\"Склад\" <sklad@velstron.example>"_s, u"s"_s, u"b"_s, m_order);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Calls().size(), 1, 20000);
        const TPrivateDesktop::TMailto mail = TPrivateDesktop::ParseMailto(desktop.Calls()[0].value(0));
        QCOMPARE(mail.To, QStringList{u"\"Склад\" <sklad@velstron.example>"_s});
        QCOMPARE(mail.Attach, QStringList{m_order});
        QVERIFY(m_portal->Calls.isEmpty());
    }
};

QTEST_MAIN(TstHandOff)
#include "tst_handoff.moc"
