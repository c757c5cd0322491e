#pragma once

#include <QString>
#include <QStringList>

// Desktop entries (*.desktop) of the freedesktop.org rules: where one is found and what its Exec key
// runs.
namespace DesktopEntry {

// The file of a desktop entry id ("libreoffice-calc.desktop") in the applications folders of
// $XDG_DATA_HOME and $XDG_DATA_DIRS, the user's first; empty when there is none.
QString Find(const QString& id);

// The Exec key of the file's [Desktop Entry] group, split into the program and its arguments, with
// the file field code (%f %F %u %U) replaced by files, the other field codes dropped, and %% read as %.
// Empty when the file or its Exec key is missing or malformed.
QStringList Command(const QString& desktopFile, const QStringList& files);

// Command's work on the raw value of an Exec key.
QStringList SplitExec(const QString& exec, const QStringList& files);

} // namespace DesktopEntry
