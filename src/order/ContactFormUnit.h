#pragma once

#include "shell/StoredValue.h"

#include "OrderFile.h"

#include <QDialog>

#include <functional>

class QDateEdit;
class QLineEdit;
class QPushButton;

// The order information dialog: number, date and comment of the order and the customer's contact data.
class TContactForm : public QDialog {
    Q_OBJECT

public:
    explicit TContactForm(QWidget* parent = nullptr);

    // Where "По умолчанию" takes the contact data from: the stored value of a name ("FOrgName"…).
    void SetStoredValues(std::function<QString(TStoredValue)> storedValue) {
        m_storedValue = std::move(storedValue);
    }

    // Shows the header; on OK copies the seven fields back and returns true.
    bool Execute(OrderHeader& header);

    void ButtonDefaultClick();

    QLineEdit* EDIT_NUMBER;
    QDateEdit* EDIT_DATE;
    QLineEdit* EDIT_COMMENT;
    QLineEdit* EDIT_ORGNAME;
    QLineEdit* EDIT_ADRESS;
    QLineEdit* EDIT_PHONE;
    QLineEdit* EDIT_PERSON;
    QPushButton* Button_Ok;
    QPushButton* Button_Exit;
    QPushButton* ButtonDefault;

private:
    std::function<QString(TStoredValue)> m_storedValue;
};
