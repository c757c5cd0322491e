#pragma once

#include "framework/MessageBox.h"
#include "text/Cp1251.h" // SameText

#include <QString>
#include <QStringList>

#include <functional>

class QIcon;
class QWidget;

// The shell routines that every part of the program uses.

// "Тевлар": the title of the program's message boxes. (Not Qt's display name: that would be appended to
// every window's caption.)
QString ApplicationTitle();

// The one error box: "Ошибка!\rТекст ошибки: " followed by the message, with an OK button.
void ShowError(const QString& message);
void ShowInformation(const QString& text);
// OK and Cancel; true for OK.
bool ShowConfirmation(const QString& text);
// Yes, No and Cancel; closing the box counts as Cancel.
TMessageBox::Button ShowYesNoCancel(const QString& text);

// The program's icon, in every size it is drawn in.
QIcon ProgramIcon();

// Puts a dialog in the middle of the screen.
void CenterOnScreen(QWidget& window);

// Qt's own texts (standard buttons, file dialogs) in Russian; false when the translation is missing.
bool LoadQtTranslation();

// The program directory (see ProgramFolder): absolute, without a trailing slash; it holds data.iop,
// system.ini, Temp and Help.
QString ProgramDir();
// Before anything reads the program directory: a per-user one is created and filled with the price
// list and help file the package installed. Throws a TException when that fails.
void PrepareProgramDir();
// Where update packages are unpacked and downloaded.
QString TempDir();
QString HelpFile();

// The desktop opens order files with this program: an installed package does it for every user,
// another copy registers itself for the current one. Errors are ignored.
void RegisterOrderFileType();
// One message to the user's mail program, which shows it for editing and sending; recipients and
// attachments one entry per line. When it cannot be handed over, a message says why and names the
// attached file, to be sent by hand.
void SendMail(const QString& recipients, const QString& subject, const QString& body,
              const QString& attachments);
// Opens a file or web address in the desktop's program for it; when that fails, an error box shows
// failure (what could not be opened) and the reason.
void ShellOpen(const QString& pathOrUrl, const QString& failure);
// Opens an exported tab-separated file in the spreadsheet program; a failure is shown.
void OpenExport(const QString& path);

// The last steps of start-up: the order file association, the Temp folder, and the order file named by
// the first command-line argument, handed to openOrder when it is an existing file.
void InitShell(const QStringList& arguments, const std::function<void(const QString&)>& openOrder);
