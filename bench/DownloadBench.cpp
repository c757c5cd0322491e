#include "BenchSuite.h"

#include "framework/ProcessMessages.h"
#include "HttpTestServer.h"
#include "update/HttpDownload.h"

#include <QDir>
#include <QFileInfo>

#include <arpa/inet.h>
#include <cstdlib>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kBodySize = 30 * 1024 * 1024;

// A server on this machine that answers every GET with the same big document.
struct TLocalServer {
    QByteArray Head;
    QByteArray Response;
    std::unique_ptr<THttpTestServer> Server;

    void Start() {
        if (Server) return;
        QByteArray body(kBodySize, Qt::Uninitialized);
        for (qsizetype i = 0; i < body.size(); ++i)
            body[i] = char(i * 131 + i / 4093);
        Head = THttpTestServer::Response("200 OK", {"Content-Length: " + QByteArray::number(body.size())});
        Response = Head + body;
        Server = std::make_unique<THttpTestServer>([this](const QByteArray& request) {
            return THttpTestServer::TReply{THttpTestServer::IsHead(request) ? Head : Response};
        });
    }

    // The floor: one GET on a plain socket, the answer read into one reused buffer and dropped.
    void ReadFromSocket() const {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(Server->Port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            std::abort();
        const char request[] = "GET /upgrade.zip HTTP/1.0\r\n\r\n";
        if (send(fd, request, sizeof request - 1, 0) != sizeof request - 1) std::abort();
        static std::vector<char> buffer(256 * 1024);
        qint64 total = 0;
        for (ssize_t n; (n = recv(fd, buffer.data(), buffer.size(), 0)) > 0;)
            total += n;
        close(fd);
        if (total != Response.size()) std::abort();
    }
};

} // namespace

void AddDownloadRows(BenchSuite& suite, const BenchData& data) {
    auto server = std::make_shared<TLocalServer>();
    const QString target = QDir(data.Folder).filePath(u"download/upgrade.zip"_s);
    suite.Add({.Name = u"update.download"_s,
               .N = int(kBodySize),
               .Prepare =
                   [server, target] {
                       server->Start();
                       QDir().mkpath(QFileInfo(target).path());
                   },
               .Run =
                   [server, target] {
                       THttpDownload http(QString::fromLatin1(server->Server->HostPort()) +
                                          u"/upgrade.zip"_s);
                       http.ProcessMessages = ProcessMessages;
                       http.OnDocData = [](qint64, qint64) {};
                       http.Head();
                       http.Get(target);
                       if (QFileInfo(target).size() != kBodySize) std::abort();
                   },
               .Floor = [server] { server->ReadFromSocket(); },
               .Runs = 15,
               // The earlier download that a real one replaces is days old, not 30 MB of pages written
               // a moment ago, whose release would be timed.
               .BeforeRun = [target] { QFile::remove(target); }});
}
