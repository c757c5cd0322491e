#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

// A small HTTP server on 127.0.0.1 and a port of its own, for tests and benchmarks. It runs in a
// thread of its own, so that a client waiting on the test's thread gets its answers, and takes one
// connection at a time: reads the request head, records its bytes, sends what the responder returns
// and closes the connection.
class THttpTestServer {
public:
    struct TReply {
        QByteArray Bytes; // sent as they stand: status line, headers, body
        // Keep the connection open after sending until the client closes it.
        bool Hold = false;
    };
    using TResponder = std::function<TReply(const QByteArray& request)>;

    explicit THttpTestServer(TResponder responder) : m_responder(std::move(responder)) {
        m_thread.reset(QThread::create([this] { Serve(); }));
        m_thread->start();
        m_ready.acquire();
    }
    ~THttpTestServer() {
        m_stop = true;
        m_thread->wait();
    }

    quint16 Port() const { return m_port; }
    QByteArray HostPort() const { return "127.0.0.1:" + QByteArray::number(m_port); }
    QList<QByteArray> Requests() const {
        const QMutexLocker lock(&m_mutex);
        return m_requests;
    }
    // Connections that the client closed while the server held them open.
    int ClosedByClient() const { return m_closedByClient; }

    // A whole response: the status line, the headers and the body.
    static QByteArray Response(const QByteArray& status, const QList<QByteArray>& headers = {},
                               const QByteArray& body = {}) {
        QByteArray bytes = "HTTP/1.0 " + status + "\r\n";
        for (const QByteArray& header : headers)
            bytes += header + "\r\n";
        return bytes + "\r\n" + body;
    }
    static bool IsHead(const QByteArray& request) { return request.startsWith("HEAD "); }

private:
    void Serve() {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        m_port = server.serverPort();
        m_ready.release();
        while (!m_stop) {
            if (!server.waitForNewConnection(20)) continue;
            const std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
            Answer(*socket);
        }
    }

    bool Connected(const QTcpSocket& socket) const {
        return !m_stop && socket.state() == QAbstractSocket::ConnectedState;
    }

    void Answer(QTcpSocket& socket) {
        QByteArray request;
        const QDeadlineTimer deadline(10000);
        while (!request.contains("\r\n\r\n") && Connected(socket) && !deadline.hasExpired())
            if (socket.waitForReadyRead(20)) request += socket.readAll();
        {
            const QMutexLocker lock(&m_mutex);
            m_requests << request;
        }
        const TReply reply = m_responder(request);
        socket.write(reply.Bytes);
        while (socket.bytesToWrite() > 0 && Connected(socket) && !deadline.hasExpired())
            socket.waitForBytesWritten(20);
        if (reply.Hold) {
            while (Connected(socket) && !deadline.hasExpired())
                if (socket.waitForReadyRead(20)) socket.readAll();
            if (socket.state() != QAbstractSocket::ConnectedState) ++m_closedByClient;
        }
        socket.disconnectFromHost();
        if (socket.state() != QAbstractSocket::UnconnectedState) socket.waitForDisconnected(1000);
    }

    TResponder m_responder;
    std::unique_ptr<QThread> m_thread;
    QSemaphore m_ready;
    std::atomic<bool> m_stop = false;
    std::atomic<quint16> m_port = 0;
    std::atomic<int> m_closedByClient = 0;
    mutable QMutex m_mutex;
    QList<QByteArray> m_requests;
};
