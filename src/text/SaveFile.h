#pragma once

#include <QIODevice>
#include <QSaveFile>
#include <QString>

class QFileDevice;

// The system's reason for a failed file operation (an errno value), in Russian.
QString SystemErrorText(int error);

// Writes all of data, asking the file again after a short write: Qt reports no error for the part
// that a full disk refused, only the next write learns the system's reason. False when the file took
// less; reason then says why, in Russian.
bool WriteAll(QFileDevice& file, const char* data, qint64 size, QString& reason);

// A file written beside its target and renamed over it once complete (QSaveFile, unbuffered so that
// no short write goes unnoticed at commit), whose failures carry the system's reason in Russian.
class TSaveFile final : public QIODevice {
public:
    explicit TSaveFile(const QString& fileName);
    ~TSaveFile() override;

    bool Open();
    // Puts the file in place of the target; false (target as it was) when any step failed.
    bool Commit();
    // Why the last step failed.
    const QString& Reason() const { return m_reason; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void Fail(int error);

    QSaveFile m_file;
    QString m_reason;
};
