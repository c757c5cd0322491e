#pragma once

#include "framework/MessageBox.h"
#include "text/Cp1251.h" // SameText

#include <QString>
#include <QStringList>

#include <functional>

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

// Puts a dialog in the middle of the screen.
void CenterOnScreen(QWidget& window);

// Qt's own texts (standard buttons, file dialogs) in Russian; false when the translation is missing.
bool LoadQtTranslation();

// The program directory: the executable's, unless the environment variable TEVLAR_HOME names
// another. Absolute, without a trailing slash; it holds data.iop, system.ini, Temp and Help.
QString ProgramDir();
// Where update packages are unpacked and downloaded.
QString TempDir();
QString HelpFile();

// The desktop opens order files with this program; errors are ignored.
void RegisterOrderFileType();
// One message to the user's mail client, which shows it for editing and sending; recipients and
// attachments one entry per line. Nothing is reported, whatever happens.
void SendMail(const QString& recipients, const QString& subject, const QString& body,
              const QString& attachments);

// The last steps of start-up: the order file association, the Temp folder, and the order file named by
// the first command-line argument, handed to openOrder when it is an existing file.
void InitShell(const QStringList& arguments, const std::function<void(const QString&)>& openOrder);
