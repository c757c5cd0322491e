#pragma once

#include <QString>

// Downloads the update package named by the stored address into the Temp folder, under the wait
// window with its Cancel button and the progress of the body; returns the downloaded file's path.
// Failures raise TException (THttpError for the exchange itself); the wait window is gone then.
// With a pinned signing key the package's signature (the address followed by ".minisig") is fetched
// too and checked before either file lands in Temp; a refused package leaves Temp as it was.
QString DownloadUpdate(const QString& url, const QString& proxyHost, const QString& proxyPort);
