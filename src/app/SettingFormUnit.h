#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TFormStorage;

// The settings dialog: the contact data new orders start with, the presence highlighting of the
// price list, and the address and proxy of the automatic update.
class TSettingForm : public QDialog {
    Q_OBJECT

public:
    explicit TSettingForm(TFormStorage& storage, QWidget* parent = nullptr);
    ~TSettingForm() override;

    // Fills the fields from the stored values and shows the dialog; OK stores them.
    void OpenSetting();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void Button_OkClick();
    void ButtonDefaultClick();

    TFormStorage& m_storage;
    QTabWidget* PageControl;
    QLineEdit* EDIT_ORGNAME;
    QLineEdit* EDIT_ADRESS;
    QLineEdit* EDIT_PHONE;
    QLineEdit* EDIT_PERSON;
    QCheckBox* LightPresense;
    QLineEdit* URLEdit;
    QLineEdit* ProxyHostEdit;
    QLineEdit* ProxyPortEdit;
    QPushButton* Button_Ok;
    QPushButton* Button_Exit;
    QPushButton* ButtonDefault;
};
