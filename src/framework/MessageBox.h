#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

// The one place that shows a message box (the shell's ShowError and its siblings build on it).
// Test seam: a test queues the next answers and reads back the texts that were shown; with
// nothing queued the real box appears, its buttons named "ButtonOk", "ButtonCancel", "ButtonYes"
// and "ButtonNo".
class TMessageBox {
public:
    enum Icon { Error, Information, Question };
    enum Button { NoButton = 0, Ok = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8 };
    Q_DECLARE_FLAGS(Buttons, Button)

    // Modal; returns the button pressed, or the escape button when the box was closed otherwise.
    static Button Show(Icon icon, const QString& title, const QString& text, Buttons buttons,
                       Button defaultButton);

    static void SetNextAnswer(Button answer);
    // Every text shown since the last Reset, as the program gave it.
    static QStringList ShownTexts();
    // Forgets queued answers and shown texts.
    static void Reset();
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TMessageBox::Buttons)
