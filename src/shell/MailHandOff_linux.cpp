// The order e-mail's way to the user's mail program: the desktop portal's e-mail interface, which
// takes the order file as an open file descriptor, else xdg-email.
#include "ExternalProgram.h"
#include "MailAddress.h"
#include "Platform.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kPortalService = u"org.freedesktop.portal.Desktop"_s;
const QString kPortalPath = u"/org/freedesktop/portal/desktop"_s;
const QString kRequestInterface = u"org.freedesktop.portal.Request"_s;
// A portal that never answers does not keep its request forever.
constexpr int kResponseTimeoutMs = 10 * 60 * 1000;

using Platform::THandOff;

THandOff XdgEmailOutcome(int exitCode) {
    switch (exitCode) {
    case 0:
        return {};
    case 2:
        return {THandOff::Failed, u"файл вложения не найден"_s};
    case 3:
        return {THandOff::Failed, u"на компьютере не настроена почтовая программа"_s};
    case 4:
        return {THandOff::Failed, u"почтовая программа не запустилась или сообщила об ошибке"_s};
    case -1:
        return {THandOff::Failed, u"не удалось запустить программу xdg-email (пакет xdg-utils)"_s};
    default:
        return {THandOff::Failed, u"программа xdg-email завершилась с кодом %1"_s.arg(exitCode)};
    }
}

void SendThroughXdgEmail(const Platform::TMailMessage& message, const Platform::THandOffDone& done) {
    // Qt passes arguments as UTF-8 whatever the locale says; without --utf8 xdg-email would convert
    // them once more from the locale's code page.
    QStringList arguments{u"--utf8"_s};
    // xdg-email refuses an empty value.
    if (!message.Subject.isEmpty()) arguments << u"--subject"_s << message.Subject;
    if (!message.Body.isEmpty()) arguments << u"--body"_s << message.Body;
    for (const QString& path : message.Attachments)
        arguments << u"--attach"_s << path;
    for (const QString& recipient : message.Recipients)
        // Anything else would be read as an option, or make xdg-email refuse the whole message.
        if (!recipient.startsWith(u'-') && recipient.contains(u'@')) arguments << recipient;
    RunExternal(u"xdg-email"_s, arguments, [done](int exitCode) { done(XdgEmailOutcome(exitCode)); });
}

// One ComposeEmail request: the portal's Response signal tells how it ended.
class TPortalRequest : public QObject {
    Q_OBJECT

public:
    TPortalRequest(QDBusConnection bus, Platform::TMailMessage message, Platform::THandOffDone done)
        : m_bus(std::move(bus)), m_message(std::move(message)), m_done(std::move(done)) {}

    void Start() {
        const QString token = u"tevlar%1"_s.arg(QRandomGenerator::global()->generate());
        // The request's path is known before the call, so its answer cannot come unheard.
        const QString sender = m_bus.baseService().mid(1).replace(u'.', u'_');
        m_requestPath = kPortalPath + u"/request/"_s + sender + u'/' + token;
        // QtDBus binds a bus signal to a slot by its signature only.
        m_bus.connect(kPortalService, m_requestPath, kRequestInterface, u"Response"_s, this,
                      SLOT(Response(uint, QVariantMap)));

        QStringList addresses;
        for (const QString& recipient : m_message.Recipients)
            // The portal takes bare addresses only.
            addresses.append(MailAddress::Bare(recipient));
        QList<QDBusUnixFileDescriptor> attachments;
        for (const QString& path : m_message.Attachments) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                Finish({THandOff::Failed, u"файл вложения не открывается: "_s + file.errorString()});
                return;
            }
            attachments.append(QDBusUnixFileDescriptor(file.handle())); // keeps a duplicate
        }
        QVariantMap options{{u"handle_token"_s, token}, {u"addresses"_s, addresses}};
        if (!m_message.Subject.isEmpty()) options.insert(u"subject"_s, m_message.Subject);
        if (!m_message.Body.isEmpty()) options.insert(u"body"_s, m_message.Body);
        if (!attachments.isEmpty()) options.insert(u"attachment_fds"_s, QVariant::fromValue(attachments));

        QDBusMessage call = QDBusMessage::createMethodCall(
            kPortalService, kPortalPath, u"org.freedesktop.portal.Email"_s, u"ComposeEmail"_s);
        call << QString() << options;
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, &TPortalRequest::Called);
        QTimer::singleShot(kResponseTimeoutMs, this, [this] { Finish({}); });
    }

public Q_SLOTS:
    void Response(uint response, const QVariantMap&) {
        if (response == 0)
            Finish({});
        else if (response == 1)
            Finish({THandOff::Cancelled, {}});
        else
            Finish(
                {THandOff::Failed, u"служба рабочего стола не смогла передать письмо почтовой программе"_s});
    }

private:
    void Called(QDBusPendingCallWatcher* watcher) {
        watcher->deleteLater();
        if (!watcher->isError()) return; // the answer comes with Response
        // A portal without a working e-mail part: the older way may still work.
        Disconnect();
        SendThroughXdgEmail(m_message, m_done);
        deleteLater();
    }

    void Finish(const THandOff& outcome) {
        Disconnect();
        if (m_done) m_done(outcome);
        m_done = nullptr;
        deleteLater();
    }

    void Disconnect() {
        m_bus.disconnect(kPortalService, m_requestPath, kRequestInterface, u"Response"_s, this,
                         SLOT(Response(uint, QVariantMap)));
    }

    QDBusConnection m_bus;
    Platform::TMailMessage m_message;
    Platform::THandOffDone m_done;
    QString m_requestPath;
};

bool PortalAnswers(const QDBusConnection& bus) {
    if (!bus.isConnected()) return false;
    const QDBusConnectionInterface* daemon = bus.interface();
    return daemon && (daemon->isServiceRegistered(kPortalService).value() ||
                      daemon->activatableServiceNames().value().contains(kPortalService));
}

} // namespace

namespace Platform {

void SendMail(const TMailMessage& message, const THandOffDone& done) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!PortalAnswers(bus)) {
        SendThroughXdgEmail(message, done);
        return;
    }
    qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
    (new TPortalRequest(bus, message, done))->Start();
}

} // namespace Platform

#include "MailHandOff_linux.moc"
