#pragma once

#include "framework/MessageBox.h"
#include "text/Cp1251.h" // SameText

#include <QString>

// The shell routines that every part of the program uses.

// The one error box: "Ошибка!\rТекст ошибки: " followed by the message, with an OK button.
void ShowError(const QString& message);
void ShowInformation(const QString& text);
// OK and Cancel; true for OK.
bool ShowConfirmation(const QString& text);
// Yes, No and Cancel; closing the box counts as Cancel.
TMessageBox::Button ShowYesNoCancel(const QString& text);

// Qt's own texts (standard buttons, file dialogs) in Russian; false when the translation is missing.
bool LoadQtTranslation();
