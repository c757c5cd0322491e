#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

// Takes the place of the desktop's program that opens files while it lives, and keeps what it got.
class TOpened : public QObject {
    Q_OBJECT
public:
    explicit TOpened(QString scheme = QStringLiteral("file")) : m_scheme(std::move(scheme)) {
        QDesktopServices::setUrlHandler(m_scheme, this, "Open");
    }
    ~TOpened() override { QDesktopServices::unsetUrlHandler(m_scheme); }
    TOpened(const TOpened&) = delete;
    TOpened& operator=(const TOpened&) = delete;

    QList<QUrl> Urls;
    Q_INVOKABLE void Open(const QUrl& url) { Urls.append(url); }

private:
    QString m_scheme;
};
