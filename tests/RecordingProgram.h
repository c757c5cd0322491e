#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QtTest>

// A recording program: a script that writes its arguments, NUL-separated, to a file of its own in
// recordsDir named after the script and the process, then ends with exitCode.
inline void WriteRecordingProgram(const QString& path, const QString& recordsDir, int exitCode = 0) {
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(
        QStringLiteral("#!/bin/sh\nrecord=\"%1/$(basename \"$0\").$$\"\n"
                       "printf '%s\\0' \"$@\" > \"$record.tmp\" && mv \"$record.tmp\" \"$record.args\"\n"
                       "exit %2\n")
            .arg(recordsDir)
            .arg(exitCode)
            .toUtf8());
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
}

// The arguments of every finished call of the recording program named name.
inline QList<QStringList> RecordedCalls(const QString& recordsDir, const QString& name) {
    QList<QStringList> calls;
    const QDir records(recordsDir);
    for (const QString& fileName : records.entryList({name + QStringLiteral(".*.args")}, QDir::Files)) {
        QFile record(records.filePath(fileName));
        if (!record.open(QIODevice::ReadOnly)) continue;
        QStringList arguments = QString::fromUtf8(record.readAll()).split(QChar(0));
        arguments.removeLast(); // after the last NUL
        calls.append(arguments);
    }
    return calls;
}
