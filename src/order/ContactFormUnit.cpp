#include "ContactFormUnit.h"

#include "framework/DateEdit.h"
#include "framework/DialogButton.h"
#include "OrderForms.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

TContactForm::TContactForm(QWidget* parent) : QDialog(parent) {
    setObjectName(u"ContactForm"_s);
    setWindowTitle(u"Информация о заказе"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);

    auto* grid = new QGridLayout;
    int row = 0;
    EDIT_NUMBER = OrderForms::AddTextRow(grid, row++, u"Номер заказа"_s, u"EDIT_NUMBER"_s, false);
    EDIT_DATE = new TDateEdit;
    EDIT_DATE->setObjectName(u"EDIT_DATE"_s);
    EDIT_DATE->setCalendarPopup(true); // the calendar marks Saturday and Sunday as weekend
    EDIT_DATE->setDisplayFormat(u"dd.MM.yyyy"_s);
    OrderForms::AddRow(grid, row++, u"Дата заказа"_s, EDIT_DATE, false);
    EDIT_COMMENT = OrderForms::AddTextRow(grid, row++, u"Комментарий"_s, u"EDIT_COMMENT"_s, false);
    OrderForms::AddSeparator(grid, row++);
    EDIT_ORGNAME = OrderForms::AddTextRow(grid, row++, u"Организация"_s, u"EDIT_ORGNAME"_s, true);
    EDIT_ADRESS = OrderForms::AddTextRow(grid, row++, u"Адрес"_s, u"EDIT_ADRESS"_s, true);
    EDIT_PHONE = OrderForms::AddTextRow(grid, row++, u"Телефон"_s, u"EDIT_PHONE"_s, true);
    EDIT_PERSON = OrderForms::AddTextRow(grid, row++, u"Контактное лицо"_s, u"EDIT_PERSON"_s, true);

    ButtonDefault = NewButton(u"ButtonDefault"_s, u"По умолчанию"_s, this);
    ButtonDefault->setToolTip(u"Заполнить контактную информацию значениями указанными в настройках"_s);
    const auto [ok, exit] = OrderForms::LayOut(this, grid, ButtonDefault);
    Button_Ok = ok;
    Button_Exit = exit;
    connect(ButtonDefault, &QPushButton::clicked, this, &TContactForm::ButtonDefaultClick);
    connect(Button_Ok, &QPushButton::clicked, this, &QDialog::accept);
    // Top to bottom, then the buttons left to right.
    const QList<QWidget*> order{EDIT_NUMBER, EDIT_DATE,   EDIT_COMMENT,  EDIT_ORGNAME, EDIT_ADRESS,
                                EDIT_PHONE,  EDIT_PERSON, ButtonDefault, Button_Ok,    Button_Exit};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    setFixedSize(377, 226);
}

bool TContactForm::Execute(OrderHeader& header) {
    EDIT_DATE->setDate(header.OrderDate.isValid() ? header.OrderDate : QDate::currentDate());
    EDIT_NUMBER->setText(header.OrderNumber);
    EDIT_COMMENT->setText(header.OrderComment);
    EDIT_ORGNAME->setText(header.OrgName);
    EDIT_ADRESS->setText(header.Adress);
    EDIT_PHONE->setText(header.Phone);
    EDIT_PERSON->setText(header.ContactPerson);
    EDIT_NUMBER->setFocus();
    if (exec() != QDialog::Accepted) return false;
    header.OrderDate = EDIT_DATE->date();
    header.OrderNumber = EDIT_NUMBER->text();
    header.OrderComment = EDIT_COMMENT->text();
    header.OrgName = EDIT_ORGNAME->text();
    header.Adress = EDIT_ADRESS->text();
    header.Phone = EDIT_PHONE->text();
    header.ContactPerson = EDIT_PERSON->text();
    return true;
}

void TContactForm::ButtonDefaultClick() {
    const auto stored = [this](TStoredValue value) {
        return m_storedValue ? m_storedValue(value) : QString();
    };
    EDIT_ORGNAME->setText(stored(TStoredValue::FOrgName));
    EDIT_ADRESS->setText(stored(TStoredValue::FAdress));
    EDIT_PHONE->setText(stored(TStoredValue::FPhone));
    EDIT_PERSON->setText(stored(TStoredValue::FContactPerson));
    EDIT_ORGNAME->setFocus();
}
