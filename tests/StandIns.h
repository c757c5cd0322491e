#pragma once

#include "RecordingProgram.h"

#include <QTemporaryDir>

// Puts recording stand-ins of external programs first on PATH.
class StandIns {
public:
    explicit StandIns(const QStringList& names, int exitCode = 0) {
        for (const QString& name : names)
            WriteRecordingProgram(m_bin.filePath(name), m_records.path(), exitCode);
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + m_oldPath);
    }
    ~StandIns() { qputenv("PATH", m_oldPath); }

    // The arguments of every finished call of the program.
    QList<QStringList> Calls(const QString& name) const { return RecordedCalls(m_records.path(), name); }

private:
    QTemporaryDir m_bin, m_records;
    QByteArray m_oldPath;
};
