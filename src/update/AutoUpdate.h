#pragma once

#include <QString>

// Downloads the update package named by the stored address into the Temp folder, under the wait
// window with its Cancel button and the progress of the body; returns the downloaded file's path.
// Failures raise TException (THttpError for the exchange itself); the wait window is gone then.
QString DownloadUpdate(const QString& url, const QString& proxyHost, const QString& proxyPort);
