#include "FileVersion.h"

#include "text/TException.h"

using namespace Qt::StringLiterals;

void FileVersion::Check(const QString& found, const QString& subject, const QString& advice) {
    if (found == Current) return;
    QString message = u"Несоответствие версий программы (ver "_s + Current.toString() + u") и "_s + subject + u" (ver "_s +
                      found + u")."_s;
    if (!advice.isEmpty()) message += u' ' + advice;
    throw TException(message);
}
