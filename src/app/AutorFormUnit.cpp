#include "AutorFormUnit.h"

#include "framework/LinkLabel.h"
#include "shell/Platform.h"
#include "shell/SysUnit.h"
#include "shell/VendorInfo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TAutorForm::TAutorForm(QWidget* parent) : QDialog(parent) {
    setObjectName(u"AutorForm"_s);
    setWindowTitle(u"Информация ООО \"Велстрон\""_s);
    setAutoFillBackground(true);
    QPalette yellow = palette();
    yellow.setColor(QPalette::Window, Qt::yellow);
    setPalette(yellow);

    AUTOR_NAME_Label = new QLabel(this);
    AUTOR_NAME_Label->setObjectName(u"AUTOR_NAME_Label"_s);
    AUTOR_NAME_Label->setAlignment(Qt::AlignCenter);
    QFont bold = AUTOR_NAME_Label->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    AUTOR_NAME_Label->setFont(bold);

    const auto link = [this](const QString& name, const QString& hint) {
        auto* label = new TLinkLabel(hint, this);
        label->setObjectName(name);
        return label;
    };
    AUTOR_EMAIL1_Label = link(u"AUTOR_EMAIL1_Label"_s, u"Написать письмо"_s);
    AUTOR_EMAIL2_Label = link(u"AUTOR_EMAIL2_Label"_s, u"Написать письмо"_s);
    AUTOR_WEB_Label = link(u"AUTOR_WEB_Label"_s, u"Открыть сайт"_s);
    AUTOR_EMAIL1_Label->OnClick = [this] { EmailLabelClick(AUTOR_EMAIL1_Label); };
    AUTOR_EMAIL2_Label->OnClick = [this] { EmailLabelClick(AUTOR_EMAIL2_Label); };
    AUTOR_WEB_Label->OnClick = [this] { AUTOR_WEB_LabelClick(); };

    AUTOR_ADRESS_Memo = new QTextEdit(this);
    AUTOR_ADRESS_Memo->setObjectName(u"AUTOR_ADRESS_Memo"_s);
    AUTOR_ADRESS_Memo->setReadOnly(true);
    AUTOR_ADRESS_Memo->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    AUTOR_ADRESS_Memo->setFixedHeight(AUTOR_ADRESS_Memo->fontMetrics().lineSpacing() * 4 + 8);

    Button_Close = new QPushButton(u"Закрыть"_s, this);
    Button_Close->setObjectName(u"Button_Close"_s);
    Button_Close->setDefault(true);
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);

    auto* links = new QGridLayout;
    links->addWidget(new QLabel(u"E-mail(1)"_s, this), 0, 0);
    links->addWidget(AUTOR_EMAIL1_Label, 0, 1);
    links->addWidget(new QLabel(u"E-mail(2)"_s, this), 1, 0);
    links->addWidget(AUTOR_EMAIL2_Label, 1, 1);
    links->addWidget(new QLabel(u"Web"_s, this), 2, 0);
    links->addWidget(AUTOR_WEB_Label, 2, 1);
    links->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Close);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(AUTOR_NAME_Label);
    layout->addLayout(links);
    layout->addWidget(AUTOR_ADRESS_Memo);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

}

TAutorForm::~TAutorForm() = default;

void TAutorForm::showEvent(QShowEvent* event) {
    FormActivate();
    QDialog::showEvent(event);
    CenterOnScreen(*this);
    Button_Close->setFocus();
}

void TAutorForm::FormActivate() {
    AUTOR_NAME_Label->setText(u"ООО \"Велстрон\""_s);
    AUTOR_EMAIL1_Label->setText(Vendor::OrderEmail1.toString());
    AUTOR_EMAIL2_Label->setText(Vendor::OrderEmail2.toString());
    AUTOR_WEB_Label->setText(Vendor::WebHost.toString());
    AUTOR_ADRESS_Memo->setPlainText(QStringList{
        Vendor::AddressLine1.toString(), Vendor::AddressLine2.toString(), Vendor::AddressLine3.toString()}
                                        .join(u'\n'));
}

void TAutorForm::EmailLabelClick(const TLinkLabel* label) {
    SendMail(label->text(), u"Программа \"Тевлар\""_s, {}, {});
}

void TAutorForm::AUTOR_WEB_LabelClick() {
    Platform::OpenDocument(Vendor::WebHost.toString());
}
