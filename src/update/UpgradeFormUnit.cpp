#include "UpgradeFormUnit.h"

#include "framework/DialogButton.h"
#include "framework/ProcessMessages.h"
#include "shell/Application.h"
#include "shell/FlashForm.h"
#include "shell/SysUnit.h"
#include "Unzip.h"
#include "UpdatePackage.h"
#include "UpdateSignature.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kPackageName = u"upgrade.upr"_s;
// The vendor's words, not a page: a long comment must not push the grid out of the fixed dialog.
constexpr qsizetype kShownCommentLength = 300;

std::optional<QString> CheckSignature(const QString& fileName) {
    if (PinnedUpdateKey().isEmpty()) return std::nullopt;
    const TWaitGuard wait(u"Проверка подписи файла обновления\rЖдите..."_s);
    return CheckUpdateSignature(fileName);
}

QString SignatureText(QString comment) {
    comment.replace(u'\t', u"  "_s);
    if (comment.size() > kShownCommentLength) comment = comment.left(kShownCommentLength) + u'…';
    return u"Подпись поставщика проверена. Комментарий поставщика: "_s + comment;
}

} // namespace

TExtractedUpdate ExtractUpdate(const QString& fileName) {
    TExtractedUpdate update{fileName, false};
    const TWaitGuard wait(u"Извлечение обновления во временную папку\rЖдите..."_s);
    TUnzip unzip(fileName);
    unzip.ProcessMessages = ProcessMessages;
    if (unzip.Extract(kPackageName, TempDir()) > 0) update = {TempDir() + u'/' + kPackageName, true};
    return update;
}

TUpgradeForm::TUpgradeForm(TUpgradeEnvironment environment, QWidget* parent)
    : QDialog(parent), m_environment(std::move(environment)) {
    setObjectName(u"UpgradeForm"_s);
    setWindowTitle(u"Обновление..."_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(652, 391);

    GroupBox1 = new QGroupBox(u" Информация о обновлении "_s, this);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    InfUpgrade = new QTableWidget(0, 2, GroupBox1);
    InfUpgrade->setObjectName(u"InfUpgrade"_s);
    InfUpgrade->setHorizontalHeaderLabels({u"Параметр"_s, u"Значение"_s});
    InfUpgrade->verticalHeader()->hide();
    InfUpgrade->setEditTriggers(QAbstractItemView::NoEditTriggers);
    InfUpgrade->setColumnWidth(0, 150);
    // The values take what the dialog has left rather than a scroll bar for a few pixels; a value too
    // long for it shows whole in its tool tip.
    InfUpgrade->horizontalHeader()->setStretchLastSection(true);
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->addWidget(InfUpgrade);

    Button_InfPrice = NewButton(u"Button_InfPrice"_s, u"о текущем прайс-листе"_s, this);
    Button_Continue = NewButton(u"Button_Continue"_s, u"Продолжить"_s, this);
    Button_Continue->setDefault(true);
    Button_Continue->setToolTip(u"Продолжить обновление"_s);
    Button_Continue->setStatusTip(u"Продолжить обновление"_s);
    Button_Cancel = NewButton(u"Button_Cancel"_s, u"Отмена"_s, this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_InfPrice);
    buttons->addStretch();
    buttons->addWidget(Button_Continue);
    buttons->addWidget(Button_Cancel);
    SignatureInfo = new QLabel(this);
    SignatureInfo->setObjectName(u"SignatureInfo"_s);
    SignatureInfo->setTextFormat(Qt::PlainText);
    SignatureInfo->setWordWrap(true);
    SignatureInfo->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(SignatureInfo);
    layout->addLayout(buttons);

    // The dialog closes with OK after Continue whatever the outcome: a failure has been shown.
    connect(Button_Continue, &QPushButton::clicked, this, [this] {
        RunHandler([this] { Button_ContinueClick(); });
        accept();
    });
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (QAction* infPrice = m_environment.InfPrice) {
        Button_InfPrice->setToolTip(infPrice->toolTip());
        Button_InfPrice->setStatusTip(infPrice->statusTip());
        Button_InfPrice->setEnabled(infPrice->isEnabled());
        connect(Button_InfPrice, &QPushButton::clicked, infPrice, &QAction::trigger);
        connect(infPrice, &QAction::enabledChanged, Button_InfPrice, &QPushButton::setEnabled);
    }
}

TUpgradeForm::~TUpgradeForm() = default;

void TUpgradeForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOnScreen(*this);
}

void TUpgradeForm::FillInfo(const QList<TUpdateInfoLine>& lines) {
    // An empty list still shows one blank row under the titles.
    InfUpgrade->clearContents();
    InfUpgrade->setRowCount(std::max<int>(1, int(lines.size())));
    for (int row = 0; row < lines.size(); ++row) {
        InfUpgrade->setItem(row, 0, new QTableWidgetItem(lines[row].Parameter));
        auto* value = new QTableWidgetItem(lines[row].Value);
        value->setToolTip(lines[row].Value);
        InfUpgrade->setItem(row, 1, value);
    }
}

void TUpgradeForm::ShowUpdateInfo() {
    Button_Continue->setEnabled(false);
    const bool read = RunWaiting(u"Чтение информации о обновлении.\rЖдите..."_s, [this] {
        TUpdatePackage package(UpdateFileName);
        package.Check();
        FillInfo(package.PriceInfo(ProcessMessages));
    });
    if (!read) return;
    SignatureInfo->setText(SignatureComment ? SignatureText(*SignatureComment) : QString());
    SignatureInfo->setVisible(SignatureComment.has_value());
    Button_Continue->setEnabled(true);
    exec();
}

void TUpgradeForm::Button_ContinueClick() {
    const bool applied = RunWaiting(u"Обновление прайс-листа.\rЖдите..."_s, [this] {
        TUpdatePackage package(UpdateFileName);
        package.ApplyTo(ProgramDir() + u"/data.iop"_s, ProcessMessages);
    });
    if (!applied) return;
    // data.iop is new now: the list on screen is reloaded even when the view state cannot be stored.
    if (m_environment.SaveViewState) RunHandler(m_environment.SaveViewState);
    if (m_environment.LoadPriceList) m_environment.LoadPriceList();
}

void TUpgradeForm::UpdateFromFile(const QString& fileName) {
    SignatureComment = CheckSignature(fileName);
    const auto forgetSignature = qScopeGuard([this] { SignatureComment.reset(); });
    const TExtractedUpdate update = ExtractUpdate(fileName);
    const auto removeCopy = qScopeGuard([&update] {
        if (update.Extracted) QFile::remove(update.FileName);
    });
    UpdateFileName = update.FileName;
    ShowUpdateInfo();
}
