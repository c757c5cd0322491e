#include "AutoUpdate.h"

#include "framework/ProcessMessages.h"
#include "HttpDownload.h"
#include "shell/FlashForm.h"
#include "shell/SysUnit.h"

using namespace Qt::StringLiterals;

namespace {

void HttpCliDocData(const QString& url, qint64 received, qint64 expected) {
    ShowWait(url + u"\rЗакачано "_s + QString::number(received) + u" из "_s + QString::number(expected));
}

} // namespace

QString DownloadUpdate(const QString& url, const QString& proxyHost, const QString& proxyPort) {
    THttpDownload http(url, proxyHost, proxyPort);
    http.ProcessMessages = ProcessMessages;
    http.Cancelled = [] { return Cancelled(); };
    http.OnDocData = [&url](qint64 received, qint64 expected) { HttpCliDocData(url, received, expected); };
    const QString fileName = TempDir() + u'/' + THttpDownload::DocumentName(http.Url());

    EnableCancel();
    const TWaitGuard wait(url + u"\rПодключение (этап 1)..."_s);
    http.Head();
    ShowWait(url + u"\rПодключение (этап 2)..."_s);
    http.Get(fileName);
    return fileName;
}
