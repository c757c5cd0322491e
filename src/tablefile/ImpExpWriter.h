#pragma once

#include "ImpExp.h"

#include "text/SaveFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Writes a new table file front to back, straight to disk, so that a big file is never held in memory:
// each section once, its fields before its records. The bytes are those TImpExpFile writes for the same
// calls; the file takes the target's place only at Commit, and a failure leaves the target as it was.
class TImpExpWriter {
public:
    explicit TImpExpWriter(const QString& fileName);
    ~TImpExpWriter();
    TImpExpWriter(const TImpExpWriter&) = delete;
    TImpExpWriter& operator=(const TImpExpWriter&) = delete;

    void OpenSection(QStringView name);
    void AddFields(const QStringList& names);
    TFieldValue& FieldByName(QStringView name);
    // The values stay from record to record until cleared.
    void ClearValues();
    void AppendRecord();
    void Commit();

private:
    void AddLine(QByteArrayView text);
    void EndLine();
    void Flush();

    QString m_fileName;
    TSaveFile m_file;
    QByteArray m_buffer;
    bool m_inSection = false;
    bool m_hasRecords = false; // in the open section
    std::vector<std::unique_ptr<TFieldValue>> m_fields;
    TFieldValue m_emptyValue{QByteArray()};
};
