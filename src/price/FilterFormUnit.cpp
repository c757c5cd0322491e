#include "FilterFormUnit.h"

#include "framework/DBGrid.h"
#include "shell/Application.h"
#include "shell/SysUnit.h"
#include "TableViewUnit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTitleColumn = TFilterTable::TitleColumn;
constexpr int kPatternColumn = TFilterTable::PatternColumn;
// The selection window is never narrower; its one column leaves room for the frame and the scroll bar.
constexpr int kMinPickWidth = 250;
constexpr int kPickColumnMargin = 30;

} // namespace

// The dialog's rows as the grid sees them; the form holds the data and answers for the cells.
class TFilterTableModel : public QAbstractTableModel {
public:
    explicit TFilterTableModel(TFilterForm& form) : QAbstractTableModel(&form), m_form(form) {}

    template <class Change> void Reset(Change change) {
        beginResetModel();
        change();
        endResetModel();
    }
    void RowChanged(int row) { Q_EMIT dataChanged(index(row, 0), index(row, 1)); }
    void AllChanged() {
        if (rowCount() > 0) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_form.FilterFields.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
        const TFilterField& field = m_form.FilterFields[size_t(index.row())];
        if (role == Qt::EditRole) return m_form.Filter_TableGetEditText(index.column(), index.row());
        return index.column() == kTitleColumn ? field.Caption : field.Pattern;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole || index.column() != kPatternColumn) return false;
        const QString text = value.toString();
        if (m_form.FilterFields[size_t(index.row())].Pattern == text) return true;
        m_form.Filter_TableSetEditText(index.column(), index.row(), text);
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        // The title column is fixed: it takes neither the current cell nor a click.
        if (!index.isValid() || index.column() == kTitleColumn) return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    }

private:
    TFilterForm& m_form;
};

// ---------------------------------------------------------------------------------------------------
// TFilterForm

TFilterForm::TFilterForm(TTableView& priceView, QDialog& selectForm, TTableView& selectTable, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_priceView(priceView), m_selectForm(selectForm), m_selectTable(selectTable),
      m_model(new TFilterTableModel(*this)) {
    setObjectName(u"FilterForm"_s);
    setWindowTitle(u"Фильтр прайса"_s);
    setFixedSize(420, 344);

    MainPanel = new QGroupBox(u"Основной фильтр"_s, this);
    MainPanel->setObjectName(u"MainPanel"_s);
    MainPanel->setFixedHeight(147);
    Filter_Table = new TFilterTable(MainPanel);
    Filter_Table->setObjectName(u"Filter_Table"_s);
    Filter_Table->setModel(m_model);
    Filter_Table->OnDrawCell = [this](QPainter& canvas, const QRect& rect, int col, int row, bool selected) {
        Filter_TableDrawCell(canvas, rect, col, row, selected);
    };
    Filter_Table->setColumnWidth(kTitleColumn, 150);
    Filter_Table->setColumnWidth(kPatternColumn, 252);
    Filter_Table->OnEditButtonClick = [this] { RunHandler([this] { Filter_TableEditButtonClick(); }); };
    Filter_Table->OnKeyDown = [this](QKeyEvent& event) {
        bool taken = false;
        RunHandler([&] { taken = Filter_TableKeyDown(event); });
        return taken;
    };
    Filter_Table->OnChangeFocus = [this] { Filter_TableChangeFocus(); };
    auto* mainLayout = new QVBoxLayout(MainPanel);
    mainLayout->setContentsMargins(2, 2, 2, 2);
    mainLayout->addWidget(Filter_Table);

    DopPanel = new QGroupBox(u"Дополнительный фильтр"_s, this);
    DopPanel->setObjectName(u"DopPanel"_s);
    DopPanel->setFixedHeight(103);
    m_dopItems = new QButtonGroup(DopPanel);
    auto* dopLayout = new QVBoxLayout(DopPanel);
    dopLayout->setContentsMargins(8, 2, 8, 2);
    dopLayout->setSpacing(0);
    const QStringList items = {u"Все позиции"_s, u"Только новые позиции"_s, u"Только с поНижением цены"_s,
                               u"Только с поВышением цены"_s};
    for (int i = 0; i < items.size(); ++i) {
        auto* item = new QRadioButton(items[i], DopPanel);
        m_dopItems->addButton(item, i);
        dopLayout->addWidget(item);
    }
    SetDopPanelItem(TFlagChoice::All);

    IgnoreCase = new QCheckBox(u"Игнорировать РеГистр"_s, this);
    IgnoreCase->setObjectName(u"IgnoreCase"_s);
    QFont bold = IgnoreCase->font();
    bold.setBold(true);
    IgnoreCase->setFont(bold);

    Button_Ok = new QPushButton(u"Ok"_s, this);
    Button_Ok->setObjectName(u"Button_Ok"_s);
    Button_Ok->setDefault(true);
    ButtonExit = new QPushButton(u"Отмена"_s, this);
    ButtonExit->setObjectName(u"ButtonExit"_s);
    ButtonExit->setAutoDefault(false);
    ButtonCancel = new QPushButton(u"Сброс"_s, this);
    ButtonCancel->setObjectName(u"ButtonCancel"_s);
    ButtonCancel->setAutoDefault(false);
    connect(Button_Ok, &QPushButton::clicked, this, [this] {
        RunHandler([this] { Button_OkClick(); });
        accept();
    });
    connect(ButtonExit, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonCancel, &QPushButton::clicked, this,
            [this] { RunHandler([this] { ButtonCancelClick(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonCancel);
    buttons->addStretch();
    buttons->addWidget(Button_Ok);
    buttons->addWidget(ButtonExit);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 8);
    layout->addWidget(MainPanel);
    layout->addWidget(DopPanel);
    layout->addWidget(IgnoreCase);
    layout->addStretch();
    layout->addLayout(buttons);
}

TFilterForm::~TFilterForm() = default;

TFlagChoice TFilterForm::DopPanelItem() const {
    return TFlagChoice(std::max(0, m_dopItems->checkedId()));
}

void TFilterForm::SetDopPanelItem(TFlagChoice choice) {
    m_dopItems->button(int(choice))->setChecked(true);
}

void TFilterForm::showEvent(QShowEvent* event) {
    // The rows are built for each showing, not on every activation: coming back from the selection
    // window must not throw away what the user has typed and picked.
    RunHandler([this] { FormActivate(); });
    QDialog::showEvent(event);
    CenterOnScreen(*this);
    Filter_Table->setFocus();
}

void TFilterForm::done(int result) {
    QDialog::done(result);
    FormClose();
}

void TFilterForm::FormActivate() {
    IgnoreCase->setChecked(m_priceView.FilterIgnoreCase);
    TFlagChoice choice = TFlagChoice::All;
    m_model->Reset([&] {
        FilterFields = FilterFieldsOf(m_priceView.TableViewGrid->Columns());
        choice = ReadFilterText(m_priceView.FilterText, FilterFields);
    });
    SetDopPanelItem(choice);
    Filter_Table->SetRow(0);
    Filter_Table->ShowEditor();
}

void TFilterForm::FormClose() {
    Filter_Table->HideEditor();
    m_model->Reset([this] { FilterFields.clear(); });
}

void TFilterForm::Filter_TableDrawCell(QPainter& canvas, const QRect& rect, int col, int row,
                                       bool selected) const {
    if (row < 0 || size_t(row) >= FilterFields.size()) return;
    const TFilterField& field = FilterFields[size_t(row)];
    const QPalette& colors = Filter_Table->palette();
    QFont font = Filter_Table->font();
    if (col == kTitleColumn) {
        canvas.fillRect(rect, colors.button());
        font.setBold(true);
        canvas.setPen(colors.color(QPalette::WindowText));
    } else {
        canvas.fillRect(rect, selected ? colors.highlight() : colors.base());
        canvas.setPen(colors.color(selected ? QPalette::HighlightedText : QPalette::Highlight));
    }
    canvas.setFont(font);
    TDBGrid::DrawCellText(canvas, rect, col == kTitleColumn ? field.Caption : field.Pattern, Qt::AlignLeft);
}

QString TFilterForm::Filter_TableGetEditText(int col, int row) const {
    if (col != kPatternColumn || row < 0 || size_t(row) >= FilterFields.size()) return {};
    return FilterFields[size_t(row)].Pattern;
}

void TFilterForm::Filter_TableSetEditText(int col, int row, const QString& value) {
    if (col != kPatternColumn || row < 0 || size_t(row) >= FilterFields.size()) return;
    FilterFields[size_t(row)].Pattern = value;
    m_model->RowChanged(row);
}

void TFilterForm::SetPattern(int row, const QString& pattern) {
    Filter_TableSetEditText(kPatternColumn, row, pattern);
}

void TFilterForm::ShowPickColumn(const QString& fieldName) {
    TDBGrid* grid = m_selectTable.TableViewGrid;
    // From the last column to the first, so that of two columns of one field the first is chosen.
    for (int column = grid->ColumnCount() - 1; column >= 0; --column) {
        const TGridColumn shown = grid->Column(column);
        const bool picked = SameText(shown.FieldName, fieldName);
        grid->SetColumnVisible(column, picked);
        if (!picked) continue;
        m_selectForm.resize(std::max(kMinPickWidth, shown.Width), m_selectForm.height());
        grid->SetColumnWidth(column, m_selectForm.width() - kPickColumnMargin);
        grid->SetSelectedIndex(column);
    }
}

void TFilterForm::Filter_TableEditButtonClick() {
    const int row = Filter_Table->Row();
    if (row < 0 || size_t(row) >= FilterFields.size()) return;
    const QString fieldName = FilterFields[size_t(row)].FieldName;

    TDBGrid* grid = m_selectTable.TableViewGrid;
    const auto showAllColumns = qScopeGuard([grid] {
        for (int column = 0; column < grid->ColumnCount(); ++column)
            grid->SetColumnVisible(column, true);
    });
    ShowPickColumn(fieldName);
    if (QLineEdit* editor = Filter_Table->InplaceEditor()) SetPattern(row, editor->text());
    PreparePick(m_selectTable, fieldName, FilterFields[size_t(row)].Pattern);

    if (m_selectForm.exec() == QDialog::Accepted) {
        // The rows are gone if the dialog was closed meanwhile.
        if (const auto value = PickedValue(*m_selectTable.Table, fieldName);
            value && size_t(row) < FilterFields.size())
            SetPattern(row, *value);
    }
    // Showing the selection window took the focus and with it the cell editor.
    if (isVisible()) {
        Filter_Table->SetRow(row);
        Filter_Table->ShowEditor();
    }
}

bool TFilterForm::Filter_TableKeyDown(QKeyEvent& event) {
    if (event.modifiers() & ~Qt::KeypadModifier) return false;
    switch (event.key()) {
    case Qt::Key_F2:
        Filter_TableEditButtonClick();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The cell would only close its editor; the dialog's default button is what the user means.
        Button_Ok->click();
        return true;
    default:
        return false;
    }
}

void TFilterForm::Filter_TableChangeFocus() {
    if (!FilterFields.empty()) Filter_Table->ShowEditor();
}

void TFilterForm::Button_OkClick() {
    m_priceView.FilterIgnoreCase = IgnoreCase->isChecked();
    m_priceView.FilterText = BuildFilterText(FilterFields, DopPanelItem());
}

void TFilterForm::ButtonCancelClick() {
    Filter_Table->HideEditor();
    for (TFilterField& field : FilterFields)
        field.Pattern = u"*"_s;
    m_model->AllChanged();
    Filter_Table->ShowEditor();
    SetDopPanelItem(TFlagChoice::All);
    IgnoreCase->setChecked(true);
}
