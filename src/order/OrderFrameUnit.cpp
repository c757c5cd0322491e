#include "OrderFrameUnit.h"

#include "ContactFormUnit.h"
#include "EMAILFormUnit.h"
#include "framework/DBGrid.h"
#include "framework/DBNavigator.h"
#include "framework/FileDialog.h"
#include "framework/MemTable.h"
#include "framework/ProcessMessages.h"
#include "framework/TabTextWriter.h"
#include "OrderExport.h"
#include "OrderMail.h"
#include "OrderTotals.h"
#include "price/PriceList.h"
#include "price/TableViewUnit.h"
#include "shell/FlashForm.h"
#include "shell/FormStorage.h"
#include "shell/SysUnit.h"
#include "shell/VendorInfo.h"
#include "text/TException.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopeGuard>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

const QString TOrderFrame::NoFileName = u"Без имени"_s;

namespace {

const QString kLayoutName = u"Order_data"_s;

enum LineField { Id, Code, Name, Count, Price, Summa, Comment };

double Number(const TMemTable& table, int row, int field) {
    const double value = table.RowFloat(row, field);
    return std::isnan(value) ? 0 : value;
}

} // namespace

TOrderFrame::TOrderFrame(const TOrderEnvironment& environment, int slotCount, const QString& fileName,
                         QWidget* parent)
    : QFrame(parent), Order_data(new TTableView(this)), ToolBar(new QToolBar(this)),
      Navigator(new TDBNavigator({TDBNavigator::First, TDBNavigator::Prior, TDBNavigator::Next,
                                  TDBNavigator::Last, TDBNavigator::Delete, TDBNavigator::Refresh},
                                 this)),
      m_env(environment) {
    FileName = NoFileName;
    Header.OrgName = m_env.StoredValue(TStoredValue::FOrgName);
    Header.Adress = m_env.StoredValue(TStoredValue::FAdress);
    Header.Phone = m_env.StoredValue(TStoredValue::FPhone);
    Header.ContactPerson = m_env.StoredValue(TStoredValue::FContactPerson);

    Order_data->setObjectName(u"Order_data"_s);
    DefineLines();
    Header.OrderNumber = QString::number(slotCount + 1);
    Header.OrderDate = QDate::currentDate();
    Order_data->Table->Open();

    ToolBar->setObjectName(u"ToolBar"_s);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QAction* action : m_env.ToolActions) {
        ToolBar->addAction(action);
        ToolBar->addSeparator();
    }
    ToolBar->addWidget(Navigator);
    Navigator->SetDataSource(Order_data->DataSource.get());

    auto* status = new QFrame(this);
    status->setObjectName(u"StatusBar"_s);
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(2, 1, 2, 1);
    const int widths[4] = {120, 100, 150, 150};
    for (int i = 0; i < 4; ++i) {
        StatusPanels[size_t(i)] = new QLabel(status);
        StatusPanels[size_t(i)]->setObjectName(u"StatusPanel%1"_s.arg(i));
        StatusPanels[size_t(i)]->setFrameShape(QFrame::Panel);
        StatusPanels[size_t(i)]->setFrameShadow(QFrame::Sunken);
        StatusPanels[size_t(i)]->setMinimumWidth(widths[i]);
        statusLayout->addWidget(StatusPanels[size_t(i)], i == 3 ? 1 : 0);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar);
    layout->addWidget(Order_data, 1);
    layout->addWidget(status);

    if (!fileName.isEmpty()) {
        FileName = fileName;
        LoadOrder();
        HasFile = true;
    }

    if (m_env.Storage)
        Order_data->TableViewGrid->RestoreColumnLayout(m_env.Storage->ReadGridLayout(kLayoutName));
    Order_data->Table->AfterPost = [this] { Order_dataTableAfterPost(); };
    Order_data->Table->AfterDelete = [this] { Order_dataTableAfterDelete(); };
}

TOrderFrame::~TOrderFrame() {
    Order_data->Table->AfterPost = nullptr;
    Order_data->Table->AfterDelete = nullptr;
}

void TOrderFrame::DefineLines() {
    TMemTable& table = *Order_data->Table;
    table.AddField(u"ID"_s, TFieldType::AutoInc);
    table.AddField(u"Code"_s, TFieldType::String, 255);
    table.AddField(u"Name"_s, TFieldType::String, 255);
    table.AddField(u"Count"_s, TFieldType::Float);
    table.AddField(u"Price"_s, TFieldType::Float);
    table.AddField(u"Summa"_s, TFieldType::Float);
    table.AddField(u"Comment"_s, TFieldType::String, 255);
    const auto column = [](const QString& field, const QString& title, int width, Qt::Alignment alignment) {
        return TGridColumn{.FieldName = field, .Title = title, .Width = width, .Alignment = alignment};
    };
    for (const char16_t* name : {u"Count", u"Price", u"Summa"})
        table.FieldByName(name).Alignment = Qt::AlignRight;
    Order_data->TableViewGrid->SetDesignColumns({
        column(u"Code"_s, u"Код"_s, 40, Qt::AlignLeft),
        column(u"Name"_s, u"Наименование"_s, 475, Qt::AlignLeft),
        column(u"Count"_s, u"Кол-во"_s, 100, Qt::AlignRight),
        column(u"Price"_s, u"Цена"_s, 100, Qt::AlignRight),
        column(u"Summa"_s, u"Сумма"_s, 100, Qt::AlignRight),
        column(u"Comment"_s, u"Комментарий"_s, 190, Qt::AlignLeft),
    });
    QPalette grid = Order_data->TableViewGrid->palette();
    grid.setColor(QPalette::Base, QColor(192, 192, 192)); // silver
    Order_data->TableViewGrid->setPalette(grid);
}

void TOrderFrame::LoadOrder() {
    const TWaitGuard wait(u"Открытие заказа\rЖдите..."_s);
    const OrderDocument order = OrderFile::Read(FileName, [] { ProcessMessages(); });
    Header = order.Header;
    FillLines(order.Lines);
    Modified = false;
}

void TOrderFrame::FillLines(const std::vector<OrderLine>& lines) {
    TMemTable& table = *Order_data->Table;
    // Totals are computed once at the end, not per line.
    const auto afterPost = std::exchange(table.AfterPost, nullptr);
    table.DisableControls();
    const auto restore = qScopeGuard([&table, &afterPost] {
        table.EnableControls();
        table.AfterPost = afterPost;
    });
    table.EmptyTable();
    m_fileTexts.clear();
    for (const OrderLine& line : lines) {
        table.Append();
        table.Field(Code).SetAsString(line.Code);
        table.Field(Name).SetAsString(line.Name);
        table.Field(Count).SetAsFloat(line.Count);
        table.Field(Price).SetAsFloat(line.Price);
        table.Field(Summa).SetAsFloat(line.Summa);
        table.Field(Comment).SetAsString(line.Comment);
        table.Post();
        m_fileTexts[table.Field(Id).AsInteger()] = line.FileTexts;
    }
    table.First();
}

void TOrderFrame::WithAllLines(const std::function<void()>& visit) {
    TMemTable& table = *Order_data->Table;
    if (!table.Filtered()) {
        visit();
        return;
    }
    const TMemTable::TBookmark current = table.Bookmark();
    table.DisableControls();
    table.SetFiltered(false);
    const auto restore = qScopeGuard([this, &table, current] {
        Order_data->ApplyFilter();
        table.GotoBookmark(current);
        table.EnableControls();
    });
    visit();
}

std::vector<OrderLine> TOrderFrame::Lines() {
    std::vector<OrderLine> lines;
    WithAllLines([&] {
        const TMemTable& table = *Order_data->Table;
        lines.reserve(size_t(table.RecordCount()));
        for (int i = 0; i < table.RecordCount(); ++i) {
            const int row = table.RowAt(i);
            const auto read = m_fileTexts.find(qint64(table.RowFloat(row, Id)));
            lines.push_back({table.RowText(row, Code), table.RowText(row, Name), Number(table, row, Count),
                             Number(table, row, Price), Number(table, row, Summa),
                             table.RowText(row, Comment),
                             read == m_fileTexts.end() ? std::array<QByteArray, 3>{} : read->second});
        }
    });
    return lines;
}

bool TOrderFrame::SaveOrder(bool saveAs) {
    const QString previousName = FileName;
    if (!HasFile || saveAs) {
        TSaveDialog& dialog = *m_env.SaveDialog;
        dialog.Prepare(u"zkz"_s, FileName, u"Файлы заказов|*.zkz|Все файлы|*.*"_s,
                       u"Сохранение заказа в файл"_s);
        if (!dialog.Execute()) return false;
        FileName = dialog.FileName;
    }
    // Until the file is written the order still belongs to the file it came from.
    auto keepName = qScopeGuard([this, &previousName] { FileName = previousName; });
    {
        const TWaitGuard wait(u"Запись заказа в файл\rЖдите..."_s);
        OrderFile::Write(FileName, Header, Lines());
    }
    keepName.dismiss();
    Modified = false;
    HasFile = true;
    UpdateStatus();
    return true;
}

void TOrderFrame::UpdateStatus() {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            if (const int page = tabs->indexOf(this); page >= 0)
                tabs->setTabText(page, u"Заказ №"_s + Header.OrderNumber + u" ["_s + FileName + u"]"_s);
            break;
        }
    }
    int count = 0;
    double total = 0;
    try {
        WithAllLines([&] {
            const TMemTable& table = *Order_data->Table;
            count = table.RecordCount();
            for (int i = 0; i < count; ++i)
                total += Number(table, table.RowAt(i), Summa);
        });
    } catch (const std::exception&) {
        // The totals show what could be summed.
    }
    Total = total;
    Header.DiscountPercent =
        m_env.DiscountScale ? OrderTotals::DiscountPercentFor(Total, *m_env.DiscountScale) : 0;
    const OrderTotals::TStatusTexts texts =
        OrderTotals::StatusTexts(count, Modified, Total, Header.DiscountPercent);
    StatusPanels[0]->setText(texts.Count);
    StatusPanels[1]->setText(texts.Modified);
    StatusPanels[2]->setText(texts.TotalWithDiscount);
    StatusPanels[3]->setText(texts.Discount);
}

void TOrderFrame::Order_dataTableAfterPost() {
    Modified = true;
    UpdateStatus();
}

void TOrderFrame::Order_dataTableAfterDelete() {
    Modified = true;
    UpdateStatus();
}

QString TOrderFrame::SavePrompt() const {
    return u"В заказ №"_s + Header.OrderNumber + u" ["_s + FileName +
           u"] были внесены изменения. Сохранить заказ?"_s;
}

bool TOrderFrame::CloseOrder() {
    if (!Modified) return true;
    switch (ShowYesNoCancel(SavePrompt())) {
    case TMessageBox::Yes:
        return SaveOrder(false);
    case TMessageBox::No:
        return true;
    default:
        return false;
    }
}

void TOrderFrame::EditOrderInfo(bool marksModified) {
    OrderHeader edited = Header;
    if (!m_env.ContactForm->Execute(edited) || edited == Header) return;
    Header = edited;
    // A confirmed header change is a change of the order, so closing asks to save it; the dialog a new
    // order opens with is part of its creation.
    if (marksModified) Modified = true;
    UpdateStatus();
}

void TOrderFrame::SendOrderByEMAIL() {
    if (Modified && (!ShowConfirmation(SavePrompt()) || !SaveOrder(false))) return;
    // A new order whose lines never changed has nothing to send.
    if (!HasFile) return;
    if (m_env.EMAILForm->exec() != QDialog::Accepted) return;
    SendMail(m_env.EMAILForm->Recipients(), OrderMail::Title(Header), OrderMail::Body(Header), FileName);
}

void TOrderFrame::ExportOrderToExcel() {
    ShowInformation(u"ВАЖНО!!! Данная функция (Экспорт в Excel) формирует файл предназначенный только для "
                    u"Вашего пользования. Для "_s +
                    Vendor::Name() + u" необходим непосредственно файл заказа (*.zkz)!"_s);
    TSaveDialog& dialog = *m_env.SaveDialog;
    dialog.Prepare(u"xls"_s, QString(), u"Файлы Excel|*.xls|Все файлы|*.*"_s,
                   u"Сохранение заказа в файл Excel"_s);
    if (!dialog.Execute()) return;
    const QString fileName = dialog.FileName;
    {
        const TWaitGuard wait(u"Запись в файл Excel\rЖдите..."_s);
        ExportTo(fileName);
    }
    OpenExport(fileName);
}

void TOrderFrame::ExportTo(const QString& fileName) {
    const QList<TGridColumn> columns = Order_data->TableViewGrid->Columns();
    SaveTabText(fileName, [&](TTabTextWriter& out) {
        WithAllLines([&] { OrderExport::Write(out, Header, Total, columns, *Order_data->Table); });
    });
}

void TOrderFrame::SaveGridLayout() {
    if (!m_env.Storage) return;
    try {
        m_env.Storage->SaveGridLayout(kLayoutName, Order_data->TableViewGrid->ColumnLayout());
    } catch (const TException&) {
        // A layout that cannot be written is not worth a message.
    }
}
