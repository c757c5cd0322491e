#pragma once

#include <QString>

class QGridLayout;
class QLineEdit;
class QPushButton;
class QWidget;

// The rows the order dialogs are built of: a label and its field, highlighted or not.
namespace OrderForms {

void AddRow(QGridLayout* grid, int row, const QString& label, QWidget* field, bool highlighted);
// A text field that refuses characters the order file cannot hold.
QLineEdit* AddTextRow(QGridLayout* grid, int row, const QString& label, const QString& objectName,
                      bool highlighted);
void AddSeparator(QGridLayout* grid, int row);
QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& text);

} // namespace OrderForms
