#include "SelectFormUnit.h"

#include "framework/DBGrid.h"
#include "price/TableViewUnit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TSelectForm::TSelectForm(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Select_Table(new TTableView(this)), Button_Ok(new QPushButton(u"Выбрать"_s, this)),
      Button_Exit(new QPushButton(u"Отмена"_s, this)) {
    setObjectName(u"SelectForm"_s);
    setWindowTitle(u"Выбрать..."_s);
    resize(250, 403);

    Select_Table->setObjectName(u"Select_Table"_s);
    Select_Table->TableViewGrid->OnDblClick = [this] { Select_TableTableViewGridDblClick(); };
    Button_Ok->setObjectName(u"Button_Ok"_s);
    Button_Ok->setDefault(true);
    Button_Exit->setObjectName(u"Button_Exit"_s);
    Button_Exit->setAutoDefault(false);
    connect(Button_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Exit, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Ok);
    buttons->addWidget(Button_Exit);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(Select_Table, 1);
    layout->addLayout(buttons);
    buttons->setContentsMargins(6, 0, 6, 0);

}

TSelectForm::~TSelectForm() = default;

void TSelectForm::showEvent(QShowEvent* event) {
    // The caller sets the width before each showing; the window comes up in the middle of the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void TSelectForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TSelectForm::FormActivate() {
    Select_Table->TableViewGrid->setFocus();
}

void TSelectForm::Select_TableTableViewGridDblClick() {
    accept();
}
