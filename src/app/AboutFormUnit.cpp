#include "AboutFormUnit.h"

#include "framework/LinkLabel.h"
#include "framework/NumberText.h"
#include "framework/StringGrid.h"
#include "price/PriceList.h"
#include "shell/SysUnit.h"
#include "shell/VendorInfo.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kTermsOfUse =
    u"Программа \"Тевлар\" передаётся клиентам ООО \"Велстрон\" бесплатно и служит для составления "
    u"заказов по прайс-листу ООО \"Велстрон\".\n\n"
    u"Цены и наличие товара в прайс-листе носят справочный характер; они подтверждаются "
    u"при обработке заказа.\n\n"
    u"Программа предоставляется \"как есть\". Разработчик и ООО \"Велстрон\" не отвечают за убытки, "
    u"связанные с её использованием.\n\n"
    u"Передача программы третьим лицам допускается только с согласия ООО \"Велстрон\"."_s;

constexpr int kRowHeight = 24;

TStringGrid* NewInfoGrid(const QString& name, int valueWidth, QAction* copyCommand, QWidget* parent) {
    auto* grid = new TStringGrid(2, parent);
    grid->setObjectName(name);
    grid->SetColWidth(0, 150);
    grid->SetColWidth(1, valueWidth);
    grid->SetDefaultRowHeight(kRowHeight);
    if (copyCommand) {
        grid->addAction(copyCommand);
        grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    return grid;
}

QWidget* NewPage(const QString& name, QWidget* content) {
    auto* page = new QWidget;
    page->setObjectName(name);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(content);
    return page;
}

// A grid of two columns under its two titles, with at least one (empty) row.
void FillGrid(TStringGrid& grid, const QString& title0, const QString& title1,
              const QList<std::pair<QString, QString>>& rows) {
    grid.SetRowCount(2);
    grid.SetCells(0, 0, title0);
    grid.SetCells(1, 0, title1);
    grid.SetCells(0, 1, {});
    grid.SetCells(1, 1, {});
    grid.SetRowCount(int(rows.size()) + 1);
    for (int i = 0; i < rows.size(); ++i) {
        grid.SetCells(0, i + 1, rows[i].first);
        grid.SetCells(1, i + 1, rows[i].second);
    }
}

} // namespace

QString ProgramVersionText(const QString& fileVersion) {
    const QStringList parts = fileVersion.split(u'.');
    QList<int> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        numbers.append(part.toInt(&ok));
        if (!ok) return u"ошибка!"_s;
    }
    if (numbers.size() != 4) return u"ошибка!"_s;
    return u"%1.%2 (%3)"_s.arg(numbers[0]).arg(numbers[1]).arg(numbers[2]);
}

TAboutForm::TAboutForm(const TPriceList& priceList, QAction* copyCommand, QAction* vendorCommand,
                       QWidget* parent)
    : QDialog(parent), m_priceList(priceList), m_vendorCommand(vendorCommand) {
    setObjectName(u"AboutForm"_s);
    setWindowTitle(u"Информация"_s);
    setSizeGripEnabled(true);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(u"PageControl"_s);
    QFont bold = PageControl->tabBar()->font();
    bold.setBold(true);
    PageControl->tabBar()->setFont(bold);

    InfPrice = NewInfoGrid(u"InfPrice"_s, 480, copyCommand, this);
    InfDiscount = NewInfoGrid(u"InfDiscount"_s, 478, copyCommand, this);
    TabSheet_Price = NewPage(u"TabSheet_Price"_s, InfPrice);
    TabSheet_Discount = NewPage(u"TabSheet_Discount"_s, InfDiscount);
    TabSheet_About = CreateAboutPage();
    PageControl->addTab(TabSheet_Price, u"Прайс-лист"_s);
    PageControl->addTab(TabSheet_Discount, u"Система скидок"_s);
    PageControl->addTab(TabSheet_About, u"О программе"_s);

    Button_Close = new QPushButton(u"Закрыть"_s, this);
    Button_Close->setObjectName(u"Button_Close"_s);
    Button_Close->setDefault(true);
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl, 1);
    layout->addLayout(buttons);
    resize(680, 460);

    FormCreate();
}

TAboutForm::~TAboutForm() = default;

QWidget* TAboutForm::CreateAboutPage() {
    auto* page = new QWidget;
    page->setObjectName(u"TabSheet_About"_s);

    auto* icon = new QLabel(page);
    icon->setObjectName(u"ProgramIcon"_s);
    const QIcon programIcon = QApplication::windowIcon().isNull()
                                  ? style()->standardIcon(QStyle::SP_FileDialogContentsView)
                                  : QApplication::windowIcon();
    icon->setPixmap(programIcon.pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* title = new QLabel(u"Тевлар"_s, page);
    title->setObjectName(u"TitleLabel"_s);
    QFont serif(u"Times New Roman"_s);
    serif.setStyleHint(QFont::Serif);
    serif.setPixelSize(24);
    serif.setBold(true);
    title->setFont(serif);
    QPalette navy = title->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    title->setPalette(navy);
    auto* shadow = new QGraphicsDropShadowEffect(title);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(0);
    shadow->setColor(Qt::gray);
    title->setGraphicsEffect(shadow);

    VersionLabel = new QLabel(u"версия %s   "_s, page);
    VersionLabel->setObjectName(u"VersionLabel"_s);
    auto* subtitle = new QLabel(u"Программа интерактивного формирования\nзаказов"_s, page);
    subtitle->setObjectName(u"SubtitleLabel"_s);
    auto* line = new QFrame(page);
    line->setFrameShape(QFrame::HLine);
    line->setFixedHeight(1);
    line->setStyleSheet(u"background-color: black; border: none;"_s);

    MainLabel = new TLinkLabel(u"Написать письмо разработчику"_s, page);
    MainLabel->setObjectName(u"MainLabel"_s);
    MainLabel->setText(Vendor::DeveloperName.toString());
    MainLabel->OnClick = [this] { MainLabelClick(); };
    AutorLabel = new TLinkLabel(u"Информация о авторе"_s, page);
    AutorLabel->setObjectName(u"AutorLabel"_s);
    AutorLabel->OnClick = [this] { AutorLabelClick(); };

    HelpMemo = new QTextEdit(page);
    HelpMemo->setObjectName(u"HelpMemo"_s);
    HelpMemo->setReadOnly(true);
    HelpMemo->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    HelpMemo->setPlainText(kTermsOfUse);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(VersionLabel);
    texts->addWidget(subtitle);
    texts->addWidget(line);
    texts->addWidget(MainLabel);
    texts->addWidget(AutorLabel);
    auto* upper = new QHBoxLayout;
    upper->addWidget(icon);
    upper->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(upper);
    layout->addWidget(HelpMemo, 1);
    return page;
}

void TAboutForm::FormCreate() {
    PageControl->setCurrentWidget(TabSheet_About);
    // The design caption holds the place of the version.
    VersionLabel->setText(
        VersionLabel->text().replace(u"%s"_s, ProgramVersionText(QStringLiteral(TEVLAR_VERSION))));
}

void TAboutForm::ShowPage(QWidget* page) {
    PageControl->setCurrentWidget(page);
    exec();
}

void TAboutForm::showEvent(QShowEvent* event) {
    FormActivate();
    QDialog::showEvent(event);
    CenterOnScreen(*this);
}

void TAboutForm::FormActivate() {
    AutorLabel->setText(u"Автор: ООО \"Велстрон\""_s);
    QList<std::pair<QString, QString>> rows;
    for (const TPriceInfoEntry& entry : m_priceList.PriceInfo)
        rows.append({entry.Parameter, entry.ParamValue});
    FillGrid(*InfPrice, u"Параметр"_s, u"Значение"_s, rows);
    rows.clear();
    for (const TDiscountEntry& entry : m_priceList.DiscountScale)
        rows.append({u"от "_s + FixedToStr(entry.Summa), FixedToStr(entry.Discount)});
    FillGrid(*InfDiscount, u"Сумма, руб"_s, u"Скидка, %"_s, rows);
}

void TAboutForm::MainLabelClick() {
    SendMail(Vendor::DeveloperEmail.toString(), u"Программа \"Тевлар\""_s, {}, {});
}

void TAboutForm::AutorLabelClick() {
    if (m_vendorCommand) m_vendorCommand->trigger();
}
