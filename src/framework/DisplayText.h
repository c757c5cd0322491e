#pragma once

#include <QString>

// The program's texts start a new line with "\r"; Qt's labels break lines only at "\n".
inline QString LinesForDisplay(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}
