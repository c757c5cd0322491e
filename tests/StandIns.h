#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Puts recording stand-ins of external programs first on PATH: every call writes its arguments,
// NUL-separated, to a file of its own named after the program and the process.
class StandIns {
public:
    explicit StandIns(const QStringList& names, int exitCode = 0) {
        for (const QString& name : names) {
            QFile script(m_bin.filePath(name));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(
                QStringLiteral(
                    "#!/bin/sh\nrecord=\"%1/$(basename \"$0\").$$\"\n"
                    "printf '%s\\0' \"$@\" > \"$record.tmp\" && mv \"$record.tmp\" \"$record.args\"\n"
                    "exit %2\n")
                    .arg(m_records.path())
                    .arg(exitCode)
                    .toUtf8());
            script.close();
            script.setPermissions(script.permissions() | QFile::ExeOwner);
        }
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + m_oldPath);
    }
    ~StandIns() { qputenv("PATH", m_oldPath); }

    // The arguments of every finished call of the program.
    QList<QStringList> Calls(const QString& name) const {
        QList<QStringList> calls;
        const QDir records(m_records.path());
        for (const QString& fileName : records.entryList({name + QStringLiteral(".*.args")}, QDir::Files)) {
            QFile record(records.filePath(fileName));
            if (!record.open(QIODevice::ReadOnly)) continue;
            QStringList arguments = QString::fromUtf8(record.readAll()).split(QChar(0));
            arguments.removeLast(); // after the last NUL
            calls.append(arguments);
        }
        return calls;
    }

private:
    QTemporaryDir m_bin, m_records;
    QByteArray m_oldPath;
};
