#include "EMAILFormUnit.h"

#include "OrderForms.h"
#include "shell/FormStorage.h"
#include "shell/SysUnit.h"
#include "shell/VendorInfo.h"
#include "text/TException.h"

#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const QString kListName = u"EMAILListBox"_s;

} // namespace

TEMAILForm::TEMAILForm(TFormStorage& storage, QWidget* parent) : QDialog(parent), m_storage(storage) {
    setObjectName(u"EMAILForm"_s);
    setWindowTitle(u"Выбор E-mail получателя"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);

    EMAILListBox = new QListWidget(this);
    EMAILListBox->setObjectName(kListName);
    auto* rows = new QGridLayout;
    rows->addWidget(EMAILListBox, 0, 0);
    const auto [ok, exit] = OrderForms::LayOut(this, rows);
    Button_Ok = ok;
    ButtonExit = exit;
    ButtonExit->setObjectName(u"ButtonExit"_s);
    connect(Button_Ok, &QPushButton::clicked, this, &QDialog::accept);
    FormCreate();
    // Both mailboxes whole, in whatever font the desktop uses; never smaller than designed.
    const int frame = 2 * EMAILListBox->frameWidth();
    EMAILListBox->setMinimumSize(EMAILListBox->sizeHintForColumn(0) + frame,
                                 EMAILListBox->sizeHintForRow(0) * EMAILListBox->count() + frame);
    setFixedSize(QSize(311, 99).expandedTo(minimumSizeHint()));
}

void TEMAILForm::FormCreate() {
    EMAILListBox->clear();
    const QList<bool> marks = m_storage.ReadCheckMarks(kListName, 2);
    int i = 0;
    for (const QString& address : {Vendor::OrderEmail1(), Vendor::OrderEmail2()}) {
        auto* item = new QListWidgetItem(address, EMAILListBox);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(marks.value(i++) ? Qt::Checked : Qt::Unchecked);
    }
}

QList<bool> TEMAILForm::CheckMarks() const {
    QList<bool> marks;
    for (int i = 0; i < EMAILListBox->count(); ++i)
        marks.append(EMAILListBox->item(i)->checkState() == Qt::Checked);
    return marks;
}

QString TEMAILForm::Recipients() const {
    QStringList ticked;
    for (int i = 0; i < EMAILListBox->count(); ++i)
        if (EMAILListBox->item(i)->checkState() == Qt::Checked) ticked.append(EMAILListBox->item(i)->text());
    return ticked.join(u',');
}

void TEMAILForm::done(int result) {
    try {
        m_storage.SaveCheckMarks(kListName, CheckMarks());
    } catch (const TException&) {
        // Tick marks that cannot be written are not worth a message; the mail goes on.
    }
    QDialog::done(result);
}

void TEMAILForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOnScreen(*this);
}
