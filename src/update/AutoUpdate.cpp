#include "AutoUpdate.h"

#include "framework/ProcessMessages.h"
#include "HttpDownload.h"
#include "PackageSignature.h"
#include "shell/FlashForm.h"
#include "shell/SysUnit.h"
#include "UpdateSignature.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

void HttpCliDocData(const QString& url, qint64 received, qint64 expected) {
    ShowWait(url + u"\rЗакачано "_s + QString::number(received) + u" из "_s + QString::number(expected));
}

void FollowInWaitWindow(THttpDownload& http, const QString& url) {
    http.ProcessMessages = ProcessMessages;
    http.Cancelled = [] { return Cancelled(); };
    http.OnDocData = [url](qint64 received, qint64 expected) { HttpCliDocData(url, received, expected); };
}

// The package's address with ".minisig" after its path; the query stays where it was.
QUrl SignatureUrl(const QUrl& packageUrl) {
    QUrl url = packageUrl;
    const QString path = url.path(QUrl::FullyEncoded);
    url.setPath(SignatureFileOf(path.isEmpty() ? u"/"_s : path), QUrl::TolerantMode);
    return url;
}

void MoveOver(const QString& from, const QString& to) {
    if (QFile older(to); older.exists() && !older.remove())
        throw TException(u"Невозможно записать файл "_s + to + u": "_s + older.errorString());
    if (QFile file(from); !file.rename(to))
        throw TException(u"Невозможно записать файл "_s + to + u": "_s + file.errorString());
}

// Fetches the signature after the package into a folder of its own inside Temp and checks it there, so
// that a refused package leaves Temp as it was; only a package that passes moves in, its signature
// beside it.
void DownloadSigned(THttpDownload& http, const QString& fileName, const QString& proxyHost,
                    const QString& proxyPort) {
    QTemporaryDir staging(TempDir() + u"/download-XXXXXX"_s);
    if (!staging.isValid())
        throw TException(u"Невозможно создать папку "_s + staging.path() + u": "_s + staging.errorString());
    const QString package = staging.filePath(THttpDownload::DocumentName(http.Url()));
    http.Get(package);

    const QString signatureUrl = QString::fromLatin1(SignatureUrl(http.Url()).toEncoded());
    THttpDownload signature(signatureUrl, proxyHost, proxyPort);
    // Nothing longer can be a signature: a server sending more does not fill the disk with it.
    signature.SizeLimit = TMinisignSignature::kMaxFileSize + 1;
    FollowInWaitWindow(signature, signatureUrl);
    ShowWait(signatureUrl + u"\rЗагрузка подписи..."_s);
    try {
        signature.Get(SignatureFileOf(package));
    } catch (const TException& e) {
        throw TSignatureError(TSignatureError::TKind::Missing,
                              u"Не удалось загрузить подпись файла обновления "_s + signatureUrl + u": "_s +
                                  e.Message() + u". Обновление не применено."_s);
    }
    ShowWait(u"Проверка подписи файла обновления\rЖдите..."_s);
    CheckUpdateSignature(package);
    MoveOver(package, fileName);
    MoveOver(SignatureFileOf(package), SignatureFileOf(fileName));
}

} // namespace

QString DownloadUpdate(const QString& url, const QString& proxyHost, const QString& proxyPort) {
    THttpDownload http(url, proxyHost, proxyPort);
    FollowInWaitWindow(http, url);
    const QString fileName = TempDir() + u'/' + THttpDownload::DocumentName(http.Url());

    EnableCancel();
    const TWaitGuard wait(url + u"\rПодключение (этап 1)..."_s);
    http.Head();
    ShowWait(url + u"\rПодключение (этап 2)..."_s);
    if (PinnedUpdateKey().isEmpty())
        http.Get(fileName);
    else
        DownloadSigned(http, fileName, proxyHost, proxyPort);
    return fileName;
}
