#include "DBGrid.h"

#include "MemTable.h"
#include "text/Cp1251.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

class TDBGridDelegate : public QStyledItemDelegate {
public:
    explicit TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        m_grid->PaintCell(*painter, option.rect, index);
    }

private:
    TDBGrid* m_grid;
};

namespace {

// Column titles with the grid's sort markers at their right end.
class TGridTitles : public QHeaderView {
public:
    explicit TGridTitles(TDBGrid* grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        const TSortMarker marker = m_grid->TitleMarker(visualIndex(logicalIndex));
        if (marker == TSortMarker::None) return;
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = QRect(rect.right() - 13, rect.center().y() - 4, 9, 9);
        style()->drawPrimitive(marker == TSortMarker::Up ? QStyle::PE_IndicatorArrowUp
                                                         : QStyle::PE_IndicatorArrowDown,
                               &arrow, painter, this);
    }

private:
    TDBGrid* m_grid;
};

} // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
    setHorizontalHeader(new TGridTitles(this));
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setItemDelegate(new TDBGridDelegate(this));

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int logical) {
        if (OnTitleBtnClick) OnTitleBtnClick(Visual(logical));
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (size > 0 && size_t(logical) < m_widths.size()) m_widths[size_t(logical)] = size;
    });
}

void TDBGrid::SetDataSource(TDataSource* source) {
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    setModel(source);
    if (!source) return;
    connect(source, &TDataSource::CurrentRowChanged, this, &TDBGrid::FollowTable);
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
        // Shown without columns of its own, a table brings its fields: the column set may change.
        const size_t count = size_t(m_source->columnCount());
        if (m_fonts.size() != count) {
            m_fonts.resize(count);
            m_widths.resize(count);
            for (size_t i = 0; i < count; ++i)
                if (!m_widths[i]) m_widths[i] = columnWidth(int(i));
        }
        FollowTable(Table() ? Table()->RecNo() : -1);
    });
    SetColumns(source->Columns());
}

void TDBGrid::SetColumns(const QList<TGridColumn>& columns) {
    if (!m_source) return;
    m_source->SetColumns(columns);
    m_fonts.assign(size_t(m_source->columnCount()), std::nullopt);
    m_widths.assign(size_t(m_source->columnCount()), 0);
    for (int i = 0; i < m_source->columnCount(); ++i) {
        const TGridColumn c = m_source->Column(i);
        horizontalHeader()->moveSection(horizontalHeader()->visualIndex(i), i);
        setColumnWidth(i, c.Width);
        m_widths[size_t(i)] = c.Width;
        setColumnHidden(i, !c.Visible);
        if (!c.FontFamily.isEmpty())
            m_fonts[size_t(i)] =
                QFont(c.FontFamily, c.FontPointSize, c.FontBold ? QFont::Bold : QFont::Normal);
    }
    m_selected = std::clamp(m_selected, 0, std::max(0, m_source->columnCount() - 1));
}

void TDBGrid::SetDesignColumns(QList<TGridColumn> columns) {
    constexpr double kDesignCharWidth = 5;
    constexpr int kTitleMargin = 12; // the header's frame and the sort marker's room
    const double scale = std::max(1.0, fontMetrics().averageCharWidth() / kDesignCharWidth);
    const QFontMetrics title(horizontalHeader()->font());
    for (TGridColumn& column : columns)
        column.Width = std::max(static_cast<int>(std::lround(column.Width * scale)),
                                title.horizontalAdvance(column.Title) + kTitleMargin);
    SetColumns(columns);
}

int TDBGrid::ColumnCount() const {
    return m_source ? m_source->columnCount() : 0;
}

int TDBGrid::Logical(int column) const {
    return horizontalHeader()->logicalIndex(column);
}

int TDBGrid::Visual(int logical) const {
    return horizontalHeader()->visualIndex(logical);
}

TGridColumn TDBGrid::Column(int column) const {
    const int logical = Logical(column);
    TGridColumn c = m_source->Column(logical);
    c.Width = m_widths[size_t(logical)];
    c.Visible = !isColumnHidden(logical);
    return c;
}

QList<TGridColumn> TDBGrid::Columns() const {
    QList<TGridColumn> columns;
    for (int i = 0; i < ColumnCount(); ++i)
        columns.append(Column(i));
    return columns;
}

void TDBGrid::SetColumnVisible(int column, bool visible) {
    setColumnHidden(Logical(column), !visible);
}

void TDBGrid::SetColumnWidth(int column, int width) {
    const int logical = Logical(column);
    m_widths[size_t(logical)] = width;
    setColumnWidth(logical, width);
}

int TDBGrid::SelectedIndex() const {
    return ColumnCount() ? Visual(m_selected) : -1;
}

void TDBGrid::SetSelectedIndex(int column) {
    if (column < 0 || column >= ColumnCount()) return;
    const int logical = Logical(column);
    if (currentIndex().isValid())
        setCurrentIndex(model()->index(currentIndex().row(), logical));
    else
        m_selected = logical;
}

int TDBGrid::SelectedField() const {
    return m_source ? m_source->FieldOf(m_selected) : -1;
}

QList<TColumnLayout> TDBGrid::ColumnLayout() const {
    QList<TColumnLayout> layout;
    for (int logical = 0; logical < ColumnCount(); ++logical)
        layout.append({m_source->Column(logical).FieldName, Visual(logical), m_widths[size_t(logical)]});
    return layout;
}

void TDBGrid::RestoreColumnLayout(const QList<TColumnLayout>& layout) {
    QList<TColumnLayout> byIndex = layout;
    std::stable_sort(byIndex.begin(), byIndex.end(),
                     [](const auto& a, const auto& b) { return a.Index < b.Index; });
    for (const TColumnLayout& entry : byIndex) {
        for (int logical = 0; logical < ColumnCount(); ++logical) {
            if (!SameText(m_source->Column(logical).FieldName, entry.FieldName)) continue;
            horizontalHeader()->moveSection(Visual(logical), std::clamp(entry.Index, 0, ColumnCount() - 1));
            if (entry.Width > 0) SetColumnWidth(Visual(logical), entry.Width);
            break;
        }
    }
}

TSortMarker TDBGrid::TitleMarker(int column) const {
    return OnGetBtnParams ? OnGetBtnParams(column) : TSortMarker::None;
}

void TDBGrid::UpdateTitleMarkers() {
    horizontalHeader()->viewport()->update();
}

void TDBGrid::FollowTable(int recNo) {
    if (!m_source || !selectionModel()) return;
    m_following = true;
    if (recNo >= 0 && recNo < m_source->rowCount() && m_source->columnCount() > 0) {
        const QModelIndex index = m_source->index(recNo, std::min(m_selected, m_source->columnCount() - 1));
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        scrollTo(index);
    } else {
        selectionModel()->clear();
    }
    m_following = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (previous.isValid()) update(previous);
    if (m_following || !current.isValid()) return;
    if (TMemTable* table = Table(); table && current.row() != table->RecNo()) table->SetRecNo(current.row());
    if (current.column() != m_selected) {
        m_selected = current.column();
        if (OnColEnter) OnColEnter();
    }
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown && OnKeyDown(*event)) return;
    const QString text = event->text();
    const bool typed =
        !text.isEmpty() && !(event->modifiers() & Qt::AltModifier) && event->key() != Qt::Key_Delete;
    if (!typed || !OnKeyPress) return QTableView::keyPressEvent(event);
    for (QChar c : text)
        OnKeyPress(c);
    // Enter, Escape and the like still reach the dialog around the grid.
    if (text.size() == 1 && text[0].unicode() < 32 && text[0].unicode() != 8)
        event->ignore();
    else
        event->accept();
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (OnDblClick) OnDblClick();
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void TDBGrid::PaintCell(QPainter& painter, const QRect& rect, const QModelIndex& index) const {
    TGridDrawState state;
    state.Selected = index == currentIndex(); // the selection is always shown
    state.Focused = state.Selected && hasFocus();
    const std::optional<QFont>& font = m_fonts[size_t(index.column())];
    painter.save();
    painter.setBrush(
        palette().brush(QPalette::Active, state.Selected ? QPalette::Highlight : QPalette::Base));
    painter.setPen(
        palette().color(QPalette::Active, state.Selected ? QPalette::HighlightedText : QPalette::Text));
    painter.setFont(font ? *font : this->font());
    if (OnDrawColumnCell)
        OnDrawColumnCell(painter, rect, Visual(index.column()), index.row(), state);
    else
        DefaultDrawColumnCell(painter, rect, Visual(index.column()), index.row());
    painter.restore();
}

void TDBGrid::DefaultDrawColumnCell(QPainter& canvas, const QRect& rect, int column, int recNo) const {
    const int logical = Logical(column);
    DrawCellText(canvas, rect, m_source->CellText(recNo, logical), m_source->Column(logical).Alignment);
}

void TDBGrid::DrawCellText(QPainter& canvas, const QRect& rect, const QString& text,
                           Qt::Alignment alignment) {
    canvas.fillRect(rect, canvas.brush());
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    const QRect place =
        horizontal & Qt::AlignHCenter ? rect.adjusted(0, 2, 0, 0) : rect.adjusted(2, 2, -3, 0);
    canvas.save();
    canvas.setClipRect(rect, Qt::IntersectClip);
    canvas.drawText(place, int(horizontal | Qt::AlignTop) | Qt::TextSingleLine | Qt::TextDontClip, text);
    canvas.restore();
}
