#include "OrderForms.h"

#include "framework/Cp1251Validator.h"
#include "framework/DialogButton.h"

#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace OrderForms {

void AddRow(QGridLayout* grid, int row, const QString& label, QWidget* field, bool highlighted) {
    auto* text = new QLabel(label);
    text->setBuddy(field);
    if (highlighted) text->setForegroundRole(QPalette::Highlight);
    grid->addWidget(text, row, 0);
    grid->addWidget(field, row, 1);
}

QLineEdit* AddTextRow(QGridLayout* grid, int row, const QString& label, const QString& objectName,
                      bool highlighted) {
    auto* edit = new QLineEdit;
    edit->setObjectName(objectName);
    edit->setValidator(new TCp1251Validator(edit));
    AddRow(grid, row, label, edit, highlighted);
    return edit;
}

void AddSeparator(QGridLayout* grid, int row) {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, row, 0, 1, 2);
}

TDialogButtons LayOut(QDialog* dialog, QGridLayout* rows, QPushButton* leftButton) {
    const TDialogButtons buttons{NewButton(QStringLiteral("Button_Ok"), QStringLiteral("Ok"), dialog),
                                 NewButton(QStringLiteral("Button_Exit"), QStringLiteral(u"Отмена"), dialog)};
    buttons.Ok->setDefault(true);
    QObject::connect(buttons.Exit, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* line = new QHBoxLayout;
    if (leftButton) line->addWidget(leftButton);
    line->addStretch();
    line->addWidget(buttons.Ok);
    line->addWidget(buttons.Exit);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(rows);
    layout->addStretch();
    layout->addLayout(line);
    return buttons;
}

} // namespace OrderForms
