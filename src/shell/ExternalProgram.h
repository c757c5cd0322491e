#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Starts another program without waiting for it and reports how it ended: its exit code, or -1 when
// it could not be started or crashed. The report comes through the event loop. A program still
// running when this one ends is left running (a mail program or a spreadsheet the user works in).
void RunExternal(const QString& program, const QStringList& arguments,
                 const std::function<void(int exitCode)>& finished);

// Runs a short query program to its end, at most timeoutMs; its standard output, trimmed, or an
// empty text when it failed.
QString QueryExternal(const QString& program, const QStringList& arguments, int timeoutMs = 5000);
