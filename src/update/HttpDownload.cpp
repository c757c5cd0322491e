#include "HttpDownload.h"

#include "text/Cp1251.h"
#include "text/SaveFile.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <curl/curl.h>

#include <cerrno>

using namespace Qt::StringLiterals;

const QByteArray THttpDownload::kAccept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
const QByteArray THttpDownload::kUserAgent = "Mozilla/3.0 (compatible)";
const QString THttpDownload::kAbortedReason = u"Connection aborted on request"_s;

namespace {

constexpr int kDefaultProxyPort = 80;
constexpr int kPollMs = 50;
constexpr qint64 kReportMs = 30;
constexpr long kBufferSize = 256 * 1024;
// curl hands the body over 16 KB at a time; the file gets it in bigger pieces.
constexpr qsizetype kWriteSize = 1024 * 1024;
// Far beyond any real response's status line and headers.
constexpr qsizetype kMaxHeaderBytes = 64 * 1024;

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// An authentication request is no failure: its page is what the server sent.
bool IsFailure(int status) {
    return status >= 400 && status != 401 && status != 407;
}

bool IsWebAddress(const QUrl& url) {
    return url.isValid() && (url.scheme() == u"http"_s || url.scheme() == u"https"_s) &&
           !url.host().isEmpty();
}

// Credentials in the address would add an Authorization header, and the fragment is the browser's.
QUrl RequestUrl(const QUrl& url) {
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment);
}

// The host in the form HTTP prescribes: IPv6 in brackets, the port only when not the scheme's own.
QByteArray HostHeader(const QUrl& url) {
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':')) host = '[' + host + ']';
    const int ownPort = url.scheme() == u"https"_s ? 443 : 80;
    if (const int port = url.port(ownPort); port != ownPort) host += ':' + QByteArray::number(port);
    return host;
}

// The system's reason for a failed connection, in Russian.
QString SocketReason(long osError) {
    switch (osError) {
    case ECONNREFUSED:
        return u"сервер отказал в соединении"_s;
    case ECONNRESET:
        return u"сервер сбросил соединение"_s;
    case ETIMEDOUT:
        return u"истекло время ожидания"_s;
    case ENETUNREACH:
        return u"сеть недоступна"_s;
    case EHOSTUNREACH:
        return u"узел недоступен"_s;
    case 0:
        return u"причина неизвестна"_s;
    default:
        return u"системная ошибка %1"_s.arg(osError);
    }
}

// What went wrong, in Russian, naming the server the connection went to (the proxy when there is
// one). Rare failures keep curl's own text as their detail.
QString TransportReason(CURLcode code, const char* errorBuffer, long osError, const QString& server) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
        return u"Прокси-сервер не найден: "_s + server;
    case CURLE_COULDNT_RESOLVE_HOST:
        return u"Сервер не найден: "_s + server;
    case CURLE_COULDNT_CONNECT:
        return u"Нет соединения с сервером "_s + server + u": "_s + SocketReason(osError);
    case CURLE_OPERATION_TIMEDOUT:
        return u"Истекло время ожидания ответа сервера "_s + server;
    case CURLE_PARTIAL_FILE:
        return u"Соединение прервано до конца документа"_s;
    case CURLE_GOT_NOTHING:
        return u"Сервер "_s + server + u" закрыл соединение, не ответив"_s;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return u"Соединение с сервером "_s + server + u" прервано: "_s + SocketReason(osError);
    case CURLE_SSL_CONNECT_ERROR:
        return u"Не удалось установить защищённое соединение с сервером "_s + server;
    case CURLE_PEER_FAILED_VERIFICATION:
        return u"Сертификат сервера "_s + server + u" не прошёл проверку"_s;
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return u"Ошибка сертификатов защищённого соединения"_s;
    case CURLE_WEIRD_SERVER_REPLY:
        return u"Непонятный ответ сервера "_s + server;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return u"Неподдерживаемый протокол"_s;
    case CURLE_URL_MALFORMAT:
        return u"Неверный адрес"_s;
    default:
        // Some failures leave the buffer empty.
        return u"Ошибка связи: "_s +
               QString::fromLocal8Bit(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    }
}

TException WriteFailure(const QString& fileName, const QString& error) {
    return TException(u"Невозможно записать файл "_s + fileName + u": "_s + error);
}

} // namespace

// One request with its redirections, and the response being received.
struct THttpDownload::TTransfer {
    bool Head = false;
    QFileDevice* File = nullptr;
    QString FileName;

    int Status = 0;
    QByteArray Reason;
    QByteArray Location;   // as the header gives it, perhaps relative
    bool KeepBody = false; // known once the response's headers are in
    // The headers of an error or a redirection decide: its body is not waited for.
    bool Decided = false;
    qsizetype HeaderBytes = 0;
    qint64 Limit = 0;       // body bytes the file may take
    bool Announced = false; // the limit is the size the HEAD announced
    bool HeadersDone = false;
    bool HeadersTooLong = false;
    bool BodyTooLong = false;

    QByteArray Pending; // body bytes not yet in the file
    qint64 Received = 0;
    qint64 Reported = -1;
    qint64 Expected = -1;
    QElapsedTimer SinceReport;
    QString WriteError;
    char ErrorBuffer[CURL_ERROR_SIZE];

    static size_t HeaderLine(char* data, size_t size, size_t count, void* user);
    static size_t Body(char* data, size_t size, size_t count, void* user);
    bool WritePending();
};

bool THttpDownload::TTransfer::WritePending() {
    const bool written = WriteAll(*File, Pending.constData(), Pending.size(), WriteError);
    Pending.resize(0);
    return written;
}

size_t THttpDownload::TTransfer::HeaderLine(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<TTransfer*>(user);
    const size_t length = size * count;
    t.HeaderBytes += qsizetype(length);
    // Anything else than length ends the transfer.
    if (t.HeaderBytes > kMaxHeaderBytes) {
        t.HeadersTooLong = true;
        return 0;
    }
    const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
    if (line.startsWith("HTTP/")) {
        // A new response begins (after an interim one or a proxy's tunnel answer).
        const qsizetype codeAt = line.indexOf(' ');
        const qsizetype reasonAt = codeAt < 0 ? -1 : line.indexOf(' ', codeAt + 1);
        t.Status = codeAt < 0 ? 0 : line.mid(codeAt + 1, reasonAt < 0 ? -1 : reasonAt - codeAt - 1).toInt();
        t.Reason = reasonAt < 0 ? QByteArray() : line.mid(reasonAt + 1).trimmed();
        t.Location.clear();
        t.KeepBody = false;
        t.HeadersDone = false;
    } else if (line.isEmpty()) {
        t.HeadersDone = true;
        t.Decided = (IsRedirect(t.Status) && !t.Location.isEmpty()) || IsFailure(t.Status);
        t.KeepBody = t.File && !t.Decided;
        if (t.Decided) return 0;
    } else if (qsizetype colon = line.indexOf(':'); colon > 0) {
        if (line.left(colon).trimmed().compare("Location", Qt::CaseInsensitive) == 0)
            t.Location = line.mid(colon + 1).trimmed();
    }
    return length;
}

size_t THttpDownload::TTransfer::Body(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<TTransfer*>(user);
    const size_t length = size * count;
    // The bodies of redirections and error pages are not the document.
    if (!t.KeepBody) return length;
    if (t.Received + qint64(length) > t.Limit) {
        t.BodyTooLong = true;
        return 0;
    }
    t.Pending.append(data, qsizetype(length));
    t.Received += qint64(length);
    // 0 ends the transfer.
    return t.Pending.size() < kWriteSize || t.WritePending() ? length : 0;
}

THttpDownload::THttpDownload(const QString& url, const QString& proxyHost, const QString& proxyPort) {
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!curlReady) throw TException(u"Не удалось запустить клиент HTTP"_s);

    const QString address = url.trimmed();
    if (address.isEmpty())
        throw TException(u"Не задан адрес обновления (URL): укажите его в настройках программы"_s);
    // Only a scheme at the start makes an address absolute; "://" may well stand in its query.
    static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.-]*://"_s);
    m_url = QUrl(scheme.match(address).hasMatch() ? address : u"http://"_s + address);
    if (!IsWebAddress(m_url)) throw TException(u"Неверный адрес обновления (URL): "_s + url);

    const QString host = proxyHost.trimmed();
    if (host.isEmpty()) return;
    QUrl proxy;
    proxy.setScheme(u"http"_s);
    proxy.setHost(host, QUrl::StrictMode);
    if (!proxy.isValid() || proxy.host().isEmpty())
        throw TException(u"Неверный адрес прокси-сервера: "_s + proxyHost);
    int port = kDefaultProxyPort;
    if (const QString text = proxyPort.trimmed(); !text.isEmpty()) {
        bool ok = false;
        port = text.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            throw TException(u"Неверный порт прокси-сервера: "_s + proxyPort);
    }
    proxy.setPort(port);
    m_proxy = proxy.toEncoded();
}

QString THttpDownload::DocumentName(const QUrl& url) {
    const QString path = url.path(QUrl::PrettyDecoded);
    const QString name = path.mid(path.lastIndexOf(u'/') + 1).left(255);
    // Dot segments would name a folder.
    return name.isEmpty() || name == u"."_s || name == u".."_s ? u"document.htm"_s : name;
}

void THttpDownload::Head() {
    TTransfer transfer;
    transfer.Head = true;
    Request(transfer);
    m_announced = transfer.Expected;
}

void THttpDownload::Get(const QString& fileName) {
    // The body goes to a file of its own beside the target, removed unless the download completes.
    QTemporaryFile file(fileName + u".XXXXXX"_s);
    // Unbuffered: every write meets the disk, and a refused one tells why.
    errno = 0;
    if (!static_cast<QIODevice&>(file).open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        const int error = errno;
        throw TException(u"Невозможно создать файл "_s + fileName + u": "_s +
                         (error ? SystemErrorText(error) : file.errorString()));
    }
    TTransfer transfer;
    transfer.File = &file;
    transfer.FileName = fileName;
    // A server that never stops sending would fill the disk. Some servers announce 0 to a HEAD.
    transfer.Announced = m_announced > 0 && m_announced < SizeLimit;
    transfer.Limit = transfer.Announced ? m_announced : SizeLimit;
    transfer.Pending.reserve(kWriteSize + CURL_MAX_WRITE_SIZE);
    Request(transfer);
    if (!transfer.WritePending()) throw WriteFailure(fileName, transfer.WriteError);
    // A download is a copy of what the server holds, so it is not forced to disk as QSaveFile would do
    // (and as ext4 does when a file is renamed over another): that costs more than the transfer from a
    // near server. The older file goes first; a rename never overwrites here.
    if (QFile older(fileName); older.exists() && !older.remove())
        throw WriteFailure(fileName, older.errorString());
    if (!file.rename(fileName)) throw WriteFailure(fileName, file.errorString());
    file.setAutoRemove(false);
    QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                        QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
}

void THttpDownload::Request(TTransfer& transfer) {
    QUrl url = m_url;
    for (int redirects = 0;; ++redirects) {
        Perform(transfer, url);
        if (IsRedirect(transfer.Status) && !transfer.Location.isEmpty()) {
            if (redirects == kMaxRedirects)
                throw THttpError(transfer.Status,
                                 u"Слишком много перенаправлений (больше %1)"_s.arg(kMaxRedirects));
            const QUrl next = url.resolved(QUrl::fromEncoded(transfer.Location));
            CheckRedirection(url, next, transfer.Status);
            url = next;
            continue;
        }
        if (IsFailure(transfer.Status)) throw THttpError(transfer.Status, Cp1251::Decode(transfer.Reason));
        return;
    }
}

void THttpDownload::CheckRedirection(const QUrl& from, const QUrl& to, int status) {
    const QString location = to.toString();
    if (!IsWebAddress(to))
        throw THttpError(status, u"Перенаправление на неподдерживаемый адрес "_s + location);
    if (from.scheme() == u"https"_s && to.scheme() != u"https"_s)
        throw THttpError(status, u"Перенаправление с защищённого адреса на незащищённый "_s + location);
}

void THttpDownload::Perform(TTransfer& transfer, const QUrl& url) {
    transfer.Status = 0;
    transfer.Reason.clear();
    transfer.Location.clear();
    transfer.Decided = false;
    transfer.HeadersDone = false;
    transfer.HeaderBytes = 0;
    transfer.ErrorBuffer[0] = '\0';

    // The exact header list: the empty "Host:" first switches curl's own off so that ours comes last,
    // and the empty "Proxy-Connection:" keeps curl from adding one for the proxy.
    curl_slist* headers = nullptr;
    const auto freeHeaders = qScopeGuard([&headers] { curl_slist_free_all(headers); });
    for (const QByteArray& header :
         {QByteArray("Host:"), QByteArray("Proxy-Connection:"), "Accept: " + kAccept,
          "User-Agent: " + kUserAgent, "Host: " + HostHeader(url)}) {
        curl_slist* longer = curl_slist_append(headers, header.constData());
        if (!longer) throw std::bad_alloc();
        headers = longer;
    }

    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    const auto cleanup = qScopeGuard([easy, multi] {
        curl_multi_remove_handle(multi, easy);
        curl_multi_cleanup(multi);
        curl_easy_cleanup(easy);
    });
    if (!easy || !multi) throw std::bad_alloc();
    const QByteArray target = RequestUrl(url).toEncoded();
    curl_easy_setopt(easy, CURLOPT_URL, target.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    if (transfer.Head)
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    else
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    // Empty: no proxy, whatever the environment says.
    curl_easy_setopt(easy, CURLOPT_PROXY, m_proxy.constData());
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kBufferSize);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.ErrorBuffer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &TTransfer::HeaderLine);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TTransfer::Body);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_multi_add_handle(multi, easy);

    for (int running = 1;;) {
        if (const CURLMcode code = curl_multi_perform(multi, &running); code != CURLM_OK)
            throw THttpError(404, u"Ошибка связи: "_s + QString::fromLocal8Bit(curl_multi_strerror(code)));
        curl_off_t expected = -1;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
        transfer.Expected = qint64(expected);
        if (!running) break;
        Report(transfer, false);
        if (ProcessMessages) ProcessMessages();
        if (Cancelled && Cancelled()) throw THttpError(404, kAbortedReason);
        curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
    }

    CURLcode result = CURLE_OK;
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &left))
        if (message->msg == CURLMSG_DONE) result = message->data.result;
    if (!transfer.WriteError.isEmpty()) throw WriteFailure(transfer.FileName, transfer.WriteError);
    // curl refuses a single header line of over 100 KB itself, as if memory ran out.
    if (transfer.HeadersTooLong || (result == CURLE_OUT_OF_MEMORY && !transfer.HeadersDone))
        throw THttpError(404, u"Непонятный ответ сервера: слишком длинные заголовки ответа"_s);
    if (transfer.BodyTooLong)
        throw TException((transfer.Announced
                              ? u"Загрузка остановлена: сервер передаёт больше, чем объявил (%1 байт)"_s
                              : u"Загрузка остановлена: документ больше допустимого размера (%1 байт)"_s)
                             .arg(transfer.Limit));
    if (result != CURLE_OK && !transfer.Decided) {
        long osError = 0;
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
        const QString server = m_proxy.isEmpty() ? QString::fromLatin1(HostHeader(url))
                                                 : QUrl(QString::fromLatin1(m_proxy)).authority();
        throw THttpError(404, TransportReason(result, transfer.ErrorBuffer, osError, server));
    }
    Report(transfer, true);
}

void THttpDownload::Report(TTransfer& transfer, bool last) {
    if (!OnDocData || transfer.Received == 0 || transfer.Received == transfer.Reported) return;
    // The first block is shown at once, then at a pace a window can follow.
    if (!last && transfer.Reported >= 0 && transfer.SinceReport.elapsed() < kReportMs) return;
    transfer.Reported = transfer.Received;
    transfer.SinceReport.start();
    OnDocData(transfer.Received, transfer.Expected);
}
