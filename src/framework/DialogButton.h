#pragma once

#include <QString>

class QPushButton;
class QWidget;

// A dialog's push button found by its name; Enter presses only the one made the default.
QPushButton* NewButton(const QString& name, const QString& text, QWidget* parent);
