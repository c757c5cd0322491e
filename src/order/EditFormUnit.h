#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class TCalcEdit;
class TMemTable;

// The order line dialog: code, name and price come from the price list; the customer types the
// quantity or the wanted sum (each gives the other) and a comment.
class TEditForm : public QDialog {
    Q_OBJECT

public:
    explicit TEditForm(QWidget* parent = nullptr);

    // The caller fills the six fields first. id is the line's "ID" when editing, -1 when adding.
    void ShowEdit(TMemTable* dataSet, bool adding, int id);

    void RecalcSumma();
    void RecalcCount();
    void EDIT_COUNTChange();
    void EDIT_SUMMAChange();
    void Button_OkClick();

    QLineEdit* EDIT_CODE;
    QLineEdit* EDIT_NAME;
    TCalcEdit* EDIT_COUNT;
    TCalcEdit* EDIT_PRICE;
    TCalcEdit* EDIT_SUMMA;
    QLineEdit* EDIT_COMMENT;
    QPushButton* Button_Ok;
    QPushButton* Button_Exit;

private:
    void WriteLine();

    TMemTable* m_dataSet = nullptr;
    bool m_adding = false;
    int m_id = -1;
};
