#pragma once

#include "RecordingProgram.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <QUrl>
#include <QUrlQuery>

#include <map>

// A desktop of the test's own, on which the real xdg-open, xdg-email and xdg-mime run: XDG folders in
// a temporary folder, no desktop environment to detect, no web browser to fall back on, and a
// recording program that can be made the handler of file and address types.
class TPrivateDesktop {
public:
    TPrivateDesktop() {
        Set("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")));
        Set("XDG_DATA_DIRS", m_root.filePath(QStringLiteral("system")));
        Set("XDG_CONFIG_HOME", m_root.filePath(QStringLiteral("config")));
        Set("XDG_CONFIG_DIRS", m_root.filePath(QStringLiteral("system-config")));
        // The xdg tools look for handlers only where there is a display to show them on.
        Set("WAYLAND_DISPLAY", QStringLiteral("tevlar-test-display"));
        Set("BROWSER", QStringLiteral("tevlar-test-no-browser"));
        for (const char* name :
             {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
              "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "MAILER", "DISPLAY"})
            Set(name, QString());
        QDir().mkpath(m_root.filePath(QStringLiteral("data/applications")));
        QDir().mkpath(m_root.filePath(QStringLiteral("config")));
        // The system's file types, without its programs.
        QDir().mkpath(m_root.filePath(QStringLiteral("system")));
        QFile::link(QStringLiteral("/usr/share/mime"), m_root.filePath(QStringLiteral("system/mime")));
        QDir().mkpath(m_records.path());
        m_recorder = m_root.filePath(QStringLiteral("recorder"));
        WriteRecordingProgram(m_recorder, m_records.path());
    }

    ~TPrivateDesktop() {
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name.constData());
            else
                qputenv(name.constData(), value);
        }
    }

    QString DataHome() const { return m_root.filePath(QStringLiteral("data")); }

    // Makes a desktop entry with this Exec line the default handler of the types.
    void RegisterHandler(const QString& id, const QString& exec, const QStringList& types) {
        QFile entry(m_root.filePath(QStringLiteral("data/applications/") + id));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nMimeType=%3;\n")
                        .arg(id, exec, types.join(u';'))
                        .toUtf8());
        QFile list(m_root.filePath(QStringLiteral("config/mimeapps.list")));
        const bool fresh = !list.exists();
        QVERIFY(list.open(QIODevice::Append));
        if (fresh) list.write("[Default Applications]\n");
        for (const QString& type : types)
            list.write((type + u'=' + id + u'\n').toUtf8());
    }

    // The recording program as the handler of the types: files and addresses alike arrive as its one
    // argument.
    void RegisterRecorder(const QStringList& types) {
        RegisterHandler(QStringLiteral("tevlar-test-recorder.desktop"), m_recorder + QStringLiteral(" %u"),
                        types);
    }

    QList<QStringList> Calls() const { return RecordedCalls(m_records.path(), QStringLiteral("recorder")); }

    // What a mail program reads from a mailto address.
    struct TMailto {
        QStringList To;
        QString Subject, Body;
        QStringList Attach;
    };
    static TMailto ParseMailto(const QString& address) {
        TMailto mail;
        const QString rest = address.mid(address.indexOf(u':') + 1);
        const QString path = rest.section(u'?', 0, 0);
        if (!path.isEmpty()) mail.To.append(QUrl::fromPercentEncoding(path.toUtf8()));
        for (const QString& pair : rest.section(u'?', 1).split(u'&', Qt::SkipEmptyParts)) {
            const QString key = pair.section(u'=', 0, 0);
            const QString value = QUrl::fromPercentEncoding(pair.section(u'=', 1).toUtf8());
            if (key == QStringLiteral("to"))
                mail.To.append(value);
            else if (key == QStringLiteral("subject"))
                mail.Subject = value;
            else if (key == QStringLiteral("body"))
                mail.Body = value;
            else if (key == QStringLiteral("attach"))
                mail.Attach.append(value);
        }
        return mail;
    }

private:
    void Set(const char* name, const QString& value) {
        m_saved.emplace(QByteArray(name), qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, QFile::encodeName(value));
    }

    QTemporaryDir m_root;
    QTemporaryDir m_records;
    QString m_recorder;
    std::map<QByteArray, QByteArray> m_saved;
};
