#include "SettingFormUnit.h"

#include "framework/Cp1251Validator.h"
#include "framework/DialogButton.h"
#include "shell/FormStorage.h"
#include "shell/SysUnit.h"
#include "shell/VendorInfo.h"
#include "text/TException.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <array>

using namespace Qt::StringLiterals;

namespace {

QLineEdit* NewEdit(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setValidator(new TCp1251Validator(edit));
    return edit;
}

} // namespace

TSettingForm::TSettingForm(TFormStorage& storage, QWidget* parent) : QDialog(parent), m_storage(storage) {
    setObjectName(u"SettingForm"_s);
    setWindowTitle(u"Настройки"_s);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(u"PageControl"_s);

    auto* orders = new QWidget;
    orders->setObjectName(u"TabSheet_Orders"_s);
    auto* notice =
        new QLabel(u"Введенные значения будут использованы по умолчанию для всех новых заказов"_s, orders);
    notice->setWordWrap(true);
    notice->setAutoFillBackground(true);
    QPalette yellow = notice->palette();
    yellow.setColor(QPalette::Window, Qt::yellow);
    notice->setPalette(yellow);
    notice->setMargin(4);
    EDIT_ORGNAME = NewEdit(u"EDIT_ORGNAME"_s, orders);
    EDIT_ADRESS = NewEdit(u"EDIT_ADRESS"_s, orders);
    EDIT_PHONE = NewEdit(u"EDIT_PHONE"_s, orders);
    EDIT_PERSON = NewEdit(u"EDIT_PERSON"_s, orders);
    auto* ordersLayout = new QFormLayout(orders);
    ordersLayout->addRow(notice);
    ordersLayout->addRow(u"Организация"_s, EDIT_ORGNAME);
    ordersLayout->addRow(u"Адрес"_s, EDIT_ADRESS);
    ordersLayout->addRow(u"Телефон"_s, EDIT_PHONE);
    ordersLayout->addRow(u"Контактное лицо"_s, EDIT_PERSON);
    PageControl->addTab(orders, u"Заказы"_s);

    auto* price = new QWidget;
    price->setObjectName(u"TabSheet_Price"_s);
    LightPresense = new QCheckBox(u"Выделять позиции имеющиеся в наличии"_s, price);
    LightPresense->setObjectName(u"LightPresense"_s);
    auto* priceLayout = new QVBoxLayout(price);
    priceLayout->addWidget(LightPresense);
    priceLayout->addStretch();
    PageControl->addTab(price, u"Прайс-лист"_s);

    auto* update = new QWidget;
    update->setObjectName(u"TabSheet_Update"_s);
    URLEdit = NewEdit(u"URLEdit"_s, update);
    URLEdit->setMinimumWidth(320);
    ProxyHostEdit = NewEdit(u"ProxyHostEdit"_s, update);
    ProxyPortEdit = NewEdit(u"ProxyPortEdit"_s, update);
    auto* updateLayout = new QFormLayout(update);
    updateLayout->addRow(u"URL"_s, URLEdit);
    updateLayout->addRow(u"Proxy"_s, ProxyHostEdit);
    updateLayout->addRow(u"Proxy\nPort"_s, ProxyPortEdit);
    PageControl->addTab(update, u"Автоматическое обновление"_s);

    Button_Ok = NewButton(u"Button_Ok"_s, u"Ok"_s, this);
    Button_Ok->setDefault(true);
    Button_Exit = NewButton(u"Button_Exit"_s, u"Отмена"_s, this);
    ButtonDefault = NewButton(u"ButtonDefault"_s, u"По умолчанию"_s, this);
    ButtonDefault->setToolTip(u"Заполнить настройки значениями по умолчанию"_s);
    ButtonDefault->setStatusTip(ButtonDefault->toolTip());
    connect(Button_Ok, &QPushButton::clicked, this, &TSettingForm::Button_OkClick);
    connect(Button_Exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonDefault, &QPushButton::clicked, this, &TSettingForm::ButtonDefaultClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Ok);
    buttons->addWidget(Button_Exit);
    buttons->addWidget(ButtonDefault);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
}

TSettingForm::~TSettingForm() = default;

void TSettingForm::FormCreate() {
    PageControl->setCurrentIndex(0);
}

void TSettingForm::OpenSetting() {
    EDIT_ORGNAME->setText(m_storage.StoredValue(TStoredValue::FOrgName));
    EDIT_ADRESS->setText(m_storage.StoredValue(TStoredValue::FAdress));
    EDIT_PHONE->setText(m_storage.StoredValue(TStoredValue::FPhone));
    EDIT_PERSON->setText(m_storage.StoredValue(TStoredValue::FContactPerson));
    URLEdit->setText(m_storage.StoredValue(TStoredValue::FURL));
    ProxyHostEdit->setText(m_storage.StoredValue(TStoredValue::FProxi));
    ProxyPortEdit->setText(m_storage.StoredValue(TStoredValue::FProxiPort));
    if (URLEdit->text().isEmpty()) URLEdit->setText(Vendor::DefaultUpdateAddress());
    if (ProxyPortEdit->text().isEmpty()) ProxyPortEdit->setText(u"80"_s);
    LightPresense->setChecked(m_storage.LightPresense());
    // Typing goes into the page's first field, not the tab bar.
    const std::array<QWidget*, 3> firstFields{EDIT_ORGNAME, LightPresense, URLEdit};
    firstFields.at(PageControl->currentIndex())->setFocus();
    exec();
}

void TSettingForm::Button_OkClick() {
    try {
        m_storage.SaveStoredValues(
            {{TStoredValue::FOrgName, EDIT_ORGNAME->text()},
             {TStoredValue::FAdress, EDIT_ADRESS->text()},
             {TStoredValue::FPhone, EDIT_PHONE->text()},
             {TStoredValue::FContactPerson, EDIT_PERSON->text()},
             {TStoredValue::FURL, URLEdit->text()},
             {TStoredValue::FProxi, ProxyHostEdit->text()},
             {TStoredValue::FProxiPort, ProxyPortEdit->text()},
             {TStoredValue::FLightPresense, LightPresense->isChecked() ? u"1"_s : u"0"_s}});
    } catch (const TException& e) {
        // The dialog stays open with what the user typed; Cancel leaves the stored values as they were.
        ShowError(e.Message());
        return;
    }
    accept();
}

void TSettingForm::ButtonDefaultClick() {
    URLEdit->setText(Vendor::DefaultUpdateAddress());
    ProxyHostEdit->clear();
    ProxyPortEdit->setText(u"80"_s);
    LightPresense->setChecked(true);
}

void TSettingForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOnScreen(*this);
}
