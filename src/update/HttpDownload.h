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
    // Far above any package: a document larger than this is not taken.
    static constexpr qint64 kDefaultSizeLimit = qint64(1) << 30;
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

    // Body bytes Get takes at most when the HEAD announced no size; with a size, that size.
    qint64 SizeLimit = kDefaultSizeLimit;
    // Runs every turn of the wait; may be empty.
    std::function<void()> ProcessMessages;
    // Asked every turn; true ends the request with 404 and kAbortedReason.
    std::function<bool()> Cancelled;
    // After body bytes arrived: the count so far and the Content-Length (-1 without one). At most
    // every 30 ms, and once more for the last bytes.
    std::function<void(qint64 received, qint64 expected)> OnDocData;

    // Status codes of 400 and above other than 401 and 407, connection failures and cancelling raise
    // THttpError; so does a redirection from https to http. The headers of an error or a redirection
    // decide: its body is not read.
    void Head();
    // The body goes to a temporary file beside fileName, which replaces fileName only once the body is
    // complete: a failed or cancelled transfer leaves fileName as it was. A file that cannot be written
    // raises TException, and so does a body beyond the size the HEAD announced (or SizeLimit).
    void Get(const QString& fileName);

    // Raises THttpError unless a redirection may go from one address to the other: only to http or
    // https, and never from https to plain http.
    static void CheckRedirection(const QUrl& from, const QUrl& to, int status);

private:
    struct TTransfer;
    void Request(TTransfer& transfer);
    void Perform(TTransfer& transfer, const QUrl& url);
    void Report(TTransfer& transfer, bool last);

    QUrl m_url;
    QByteArray m_proxy;      // "http://host:port", empty for a direct connection
    qint64 m_announced = -1; // the Content-Length of the HEAD
};
