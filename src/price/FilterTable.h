#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QTableView>

#include <functional>

class QPainter;

// The filter dialog's grid: a fixed title column and a pattern column whose editor stays open on the
// current row and carries an ellipsis button.
class TFilterTable : public QTableView {
    Q_OBJECT

public:
    static constexpr int TitleColumn = 0;
    static constexpr int PatternColumn = 1;

    explicit TFilterTable(QWidget* parent = nullptr);

    int Row() const { return currentIndex().row(); } // -1 for none
    void SetRow(int row);
    // Editing mode: the editor of the current row's pattern is open.
    void ShowEditor();
    void HideEditor();
    QLineEdit* InplaceEditor() const { return m_editor; }

    // Called for every cell, on the background the grid has filled.
    std::function<void(QPainter& canvas, const QRect& rect, int col, int row, bool selected)> OnDrawCell;
    std::function<void()> OnEditButtonClick;
    // True when the handler took the key.
    std::function<bool(QKeyEvent& event)> OnKeyDown;
    std::function<void()> OnChangeFocus;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class TFilterTableDelegate;
    QPointer<QLineEdit> m_editor;
};
