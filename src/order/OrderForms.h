#pragma once

#include <QString>

class QDialog;
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

struct TDialogButtons {
    QPushButton* Ok;   // "Button_Ok", the default button; the caller connects it
    QPushButton* Exit; // "Button_Exit", rejects the dialog
};
// Lays the rows out above the button line: an optional extra button on the left, "Ok" and "Отмена"
// on the right.
TDialogButtons LayOut(QDialog* dialog, QGridLayout* rows, QPushButton* leftButton = nullptr);

} // namespace OrderForms
