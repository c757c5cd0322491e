#pragma once

#include <QDialog>

class QPushButton;
class QTextEdit;
class TLinkLabel;
class QLabel;

// The wholesaler's card: its name, the two order mailboxes and the web site as links, the postal
// address. Created once, refilled each time it is shown.
class TAutorForm : public QDialog {
    Q_OBJECT

public:
    explicit TAutorForm(QWidget* parent = nullptr);
    ~TAutorForm() override;

    QLabel* AUTOR_NAME_Label;
    TLinkLabel* AUTOR_EMAIL1_Label;
    TLinkLabel* AUTOR_EMAIL2_Label;
    TLinkLabel* AUTOR_WEB_Label;
    QTextEdit* AUTOR_ADRESS_Memo;
    QPushButton* Button_Close;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void EmailLabelClick(const TLinkLabel* label);
    void AUTOR_WEB_LabelClick();
};
