#pragma once

// What the whole-file reader (TImpExpFile), the streaming one (TImpExpStream) and the streaming writer
// (TImpExpWriter) share, so that all read and write a file alike: where a line ends, which lines are
// markers, what a written line may not hold, the limits and their messages.

#include "ImpExp.h"

#include <QByteArrayView>
#include <QString>

#include <cstring>
#include <memory>
#include <vector>

class QFile;

namespace ImpExpText {

TImpExpFile::LineKind Classify(QByteArrayView line);

// What is written may never break the file's structure: a line end or NUL inside a value becomes a
// space, and a value that spells a marker loses its TABs.
void MakeHarmless(char* data, qsizetype size);
// A section's or field's name as it is written.
QByteArray HarmlessName(QStringView name);
[[noreturn]] void FailWrite(const QString& fileName, const QString& reason);

// The line that starts at p ends at the first CR or LF before end (or at end); the next one starts after
// that CR, LF or CR LF.
struct TLineEnd {
    const char* TextEnd;
    const char* Next;
};
inline TLineEnd FindLineEnd(const char* p, const char* end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    const char* limit = lf ? lf : end;
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(limit - p)));
    const char* q = cr ? cr : limit;
    const char* next = q + 1;
    if (q < end && *q == '\r' && q + 1 < end && q[1] == '\n') ++next;
    return {q, next};
}

// Every line costs an entry of an index; a file of little else than line breaks is refused.
qsizetype MaxLines(qsizetype bytes);
[[noreturn]] void FailTooManyLines(const QString& fileName);
[[noreturn]] void FailTooBig(const QString& fileName, qint64 limit);
[[noreturn]] void FailLineTooLong(const QString& fileName);
[[noreturn]] void FailOpen(const QString& fileName);
[[noreturn]] void FailRead(const QString& fileName, const QFile& file, int error);

// Opens the file for reading; a missing one is created empty when createIfMissing (then false: nothing to
// read), else refused.
bool OpenForReading(QFile& file, bool createIfMissing);

// The place of a field among fields by name ignoring letter case, the last one of that name; -1 for none.
int FindField(const std::vector<std::unique_ptr<TFieldValue>>& fields, QStringView name);

} // namespace ImpExpText
