#include "TableViewUnit.h"

#include "framework/DBGrid.h"
#include "framework/MemTable.h"
#include "shell/FlashForm.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TTableView::TTableView(QWidget* parent)
    : QFrame(parent), TableViewGrid(new TDBGrid(this)), SearchPanel(new QLabel(this)) {
    setFrameShape(QFrame::NoFrame);
    TableViewGrid->setObjectName(u"TableViewGrid"_s);
    SearchPanel->setObjectName(u"SearchPanel"_s);

    TableViewGrid->SetDataSource(DataSource.get());
    TableViewGrid->OnColEnter = [this] { TableViewGridColEnter(); };
    TableViewGrid->OnKeyPress = [this](QChar key) { TableViewGridKeyPress(key); };
    TableViewGrid->OnGetBtnParams = [this](int column) { return TableViewGridGetBtnParams(column); };
    TableViewGrid->OnTitleBtnClick = [this](int column) { TableViewGridTitleBtnClick(column); };

    SearchPanel->setFixedHeight(18);
    SearchPanel->setAlignment(Qt::AlignCenter);
    SearchPanel->setAutoFillBackground(true);
    QPalette panel = SearchPanel->palette();
    panel.setColor(QPalette::Window, panel.color(QPalette::Light)); // the button highlight colour
    SearchPanel->setPalette(panel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TableViewGrid);
    layout->addWidget(SearchPanel);
}

TTableView::~TTableView() {
    // The data source goes with the view logic, before the widgets.
    TableViewGrid->SetDataSource(nullptr);
}

void TTableView::TableViewGridColEnter() {
    SearchText.clear();
    UpdateSearchPanel();
}

void TTableView::TableViewGridKeyPress(QChar key) {
    SearchKeyPress(key, TableViewGrid->SelectedField());
}

TSortMarker TTableView::TableViewGridGetBtnParams(int column) const {
    return SortMarker(TableViewGrid->Column(column).FieldName);
}

void TTableView::TableViewGridTitleBtnClick(int column) {
    SortTitleClick(TableViewGrid->Column(column).FieldName);
}

void TTableView::UpdateSearchPanel() {
    const QString text = SearchPanelText();
    if (SearchPanel->text() != text) SearchPanel->setText(text);
}

void TTableView::Beep() {
    QApplication::beep();
}

void TTableView::Sorting(const std::function<void()>& sort) {
    // From about this size on a sort takes longer than a blink; inside another operation its wait window
    // is already up.
    constexpr int kWaitedRows = 100'000;
    if (Table->TotalRecordCount() < kWaitedRows || Waiting()) {
        sort();
        return;
    }
    const TWaitGuard wait(u"Сортировка\rЖдите..."_s);
    sort();
}

void TTableView::SortChanged() {
    TableViewGrid->UpdateTitleMarkers();
}
