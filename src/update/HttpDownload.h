#pragma once

#include "text/TException.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

// A failed HTTP exchange: the server's status code and reason phrase, or 404 and the text of a
// connection failure. The message is the code, a space and the reason.
class THttpError : public TException {
public:
    THttpError(int statusCode, const QString& reasonPhrase)
        : TException(QString::number(statusCode) + u' ' + reasonPhrase), m_statusCode(statusCode),
          m_reasonPhrase(reasonPhrase) {}
    int StatusCode() const { return m_statusCode; }
    const QString& ReasonPhrase() const { return m_reasonPhrase; }

private:
    int m_statusCode;
    QString m_reasonPhrase;
};

// Fetches one document over HTTP/1.0, directly or through a proxy, on the calling thread: a HEAD to
// look, then a GET into a file. Each request sends exactly the request line, Accept, User-Agent and
// Host; redirections are followed by hand, at most kMaxRedirects of them. The wait keeps the event
// loop running through the hooks, so a window stays painted and a Cancel click is seen within one
// turn, whatever the transfer is doing.
class THttpDownload {
public:
    static constexpr int kMaxRedirects = 10;
    static const QByteArray kAccept;
    static const QByteArray kUserAgent;
    // What a cancelled transfer ends with.
    static const QString kAbortedReason;

    // url as the user typed it, "http://" assumed when it has no scheme; an empty proxy host means a
    // direct connection, an empty proxy port means 80. Bad settings raise TException.
    THttpDownload(const QString& url, const QString& proxyHost = {}, const QString& proxyPort = {});

    const QUrl& Url() const { return m_url; }
    // The name the document is saved under: the last segment of the URL's path without the query, at
    // most 255 characters; "document.htm" when there is none.
    static QString DocumentName(const QUrl& url);

    // Runs every turn of the wait; may be empty.
    std::function<void()> ProcessMessages;
    // Asked every turn; true ends the request with 404 and kAbortedReason.
    std::function<bool()> Cancelled;
    // After body bytes arrived: the count so far and the Content-Length (-1 without one). At most
    // every 30 ms, and once more for the last bytes.
    std::function<void(qint64 received, qint64 expected)> OnDocData;

    // Status codes of 400 and above other than 401 and 407, connection failures and cancelling raise
    // THttpError.
    void Head();
    // The body goes to a temporary file beside fileName, which replaces fileName only once the body is
    // complete: a failed or cancelled transfer leaves fileName as it was. A file that cannot be written
    // raises TException.
    void Get(const QString& fileName);

private:
    struct TTransfer;
    void Request(TTransfer& transfer);
    void Perform(TTransfer& transfer, const QUrl& url);
    void Report(TTransfer& transfer, bool last);

    QUrl m_url;
    QByteArray m_proxy; // "http://host:port", empty for a direct connection
};
