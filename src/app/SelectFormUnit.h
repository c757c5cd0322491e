#pragma once

#include <QDialog>

class QPushButton;
class TTableView;

// The selection window: the price filter shows it with one column of the full price list, and
// after OK takes the value of the current record.
class TSelectForm : public QDialog {
    Q_OBJECT

public:
    explicit TSelectForm(QWidget* parent = nullptr);
    ~TSelectForm() override;

    TTableView* const Select_Table;
    QPushButton* const Button_Ok;
    QPushButton* const Button_Exit;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormActivate();
    void Select_TableTableViewGridDblClick();
};
