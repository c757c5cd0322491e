#include "FilterTable.h"

#include "framework/Cp1251Validator.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kMinPatternWidth = 100;

// The pattern cell's editor: a line without a frame and an ellipsis button at its right end.
class TPatternEditor : public QLineEdit {
public:
    explicit TPatternEditor(QWidget* parent) : QLineEdit(parent), EditButton(new QToolButton(this)) {
        setFrame(false);
        setValidator(new TCp1251Validator(this));
        EditButton->setObjectName(u"EditButton"_s);
        EditButton->setText(u"..."_s);
        EditButton->setCursor(Qt::ArrowCursor);
        // A click must not take the focus: the editor would close before the click arrives.
        EditButton->setFocusPolicy(Qt::NoFocus);
    }

    QToolButton* const EditButton;
    std::function<bool(QKeyEvent& event)> OnKeyDown;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLineEdit::resizeEvent(event);
        const int side = height();
        EditButton->setGeometry(width() - side, 0, side, side);
        setTextMargins(0, 0, side, 0);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (OnKeyDown && OnKeyDown(*event)) return;
        QLineEdit::keyPressEvent(event);
    }
};

} // namespace

// Paints the cells through the grid's handler and gives every edited cell the editor with the ellipsis
// button.
class TFilterTableDelegate : public QStyledItemDelegate {
public:
    explicit TFilterTableDelegate(TFilterTable& table) : QStyledItemDelegate(&table), m_table(table) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!m_table.OnDrawCell) return QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        m_table.OnDrawCell(*painter, option.rect, index.column(), index.row(),
                           option.state & QStyle::State_Selected);
        painter->restore();
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* editor = new TPatternEditor(parent);
        editor->OnKeyDown = [this](QKeyEvent& event) {
            return m_table.OnKeyDown && m_table.OnKeyDown(event);
        };
        connect(editor->EditButton, &QToolButton::clicked, &m_table, [this] {
            if (m_table.OnEditButtonClick) m_table.OnEditButtonClick();
        });
        // The pattern follows every edit of the user, so that whoever reads the rows sees it.
        connect(editor, &QLineEdit::textEdited, this,
                [this, editor] { Q_EMIT const_cast<TFilterTableDelegate*>(this)->commitData(editor); });
        m_table.m_editor = editor;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = static_cast<QLineEdit*>(editor);
        // Setting the same text again would throw the cursor to the end while the user types.
        const QString text = index.data(Qt::EditRole).toString();
        if (line->text() != text) line->setText(text);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        // Escape belongs to the dialog (its cancel button), not to the cell.
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return false;
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TFilterTable& m_table;
};

TFilterTable::TFilterTable(QWidget* parent) : QTableView(parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new TFilterTableDelegate(*this));
}

void TFilterTable::SetRow(int row) {
    if (!model() || row < 0 || row >= model()->rowCount()) return;
    setCurrentIndex(model()->index(row, PatternColumn));
}

void TFilterTable::ShowEditor() {
    if (!model() || model()->rowCount() == 0) return;
    if (!currentIndex().isValid()) SetRow(0);
    if (state() == QAbstractItemView::EditingState) return;
    edit(model()->index(currentIndex().row(), PatternColumn));
}

void TFilterTable::HideEditor() {
    // The pattern already follows the editor's text: nothing is lost by closing it.
    if (m_editor) closeEditor(m_editor, QAbstractItemDelegate::NoHint);
}

void TFilterTable::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == m_editor) m_editor = nullptr;
    QTableView::closeEditor(editor, hint);
}

void TFilterTable::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    // Qt's frames and margins take more room than the columns were drawn for: the patterns get what
    // is left rather than a scroll bar that hides the titles.
    if (model() && model()->columnCount() > PatternColumn)
        setColumnWidth(PatternColumn,
                       std::max(kMinPatternWidth, viewport()->width() - columnWidth(TitleColumn)));
}

void TFilterTable::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown && OnKeyDown(*event)) return;
    QTableView::keyPressEvent(event);
}

void TFilterTable::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.isValid() && OnChangeFocus) OnChangeFocus();
}

void TFilterTable::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    if (OnChangeFocus) OnChangeFocus();
    // In editing mode the keys belong to the open editor, also when it was opened before the dialog
    // showed.
    if (m_editor) m_editor->setFocus(event->reason());
}
