#pragma once

#include "FilterFormLogic.h"

#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>

#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPainter;
class QPushButton;
class TFilterTableModel;
class TTableView;

// The filter dialog's grid: a fixed title column and a pattern column whose editor stays open on the
// current row and carries an ellipsis button.
class TFilterTable : public QTableView {
    Q_OBJECT

public:
    explicit TFilterTable(QWidget* parent = nullptr);

    int Row() const { return currentIndex().row(); } // -1 for none
    void SetRow(int row);
    // Editing mode: the editor of the current row's pattern is open.
    void ShowEditor();
    void HideEditor();
    QLineEdit* InplaceEditor() const { return m_editor; }

    std::function<void()> OnEditButtonClick;
    // True when the handler took the key.
    std::function<bool(QKeyEvent& event)> OnKeyDown;
    std::function<void()> OnChangeFocus;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class TFilterTableDelegate;
    QPointer<QLineEdit> m_editor;
};

// The price filter dialog: a pattern per column of the price grid, a change-mark choice and the
// letter case switch. It reads the price view's filter text and flag when it opens and writes them
// on OK; the caller applies the filter.
class TFilterForm : public QDialog {
    Q_OBJECT

public:
    // The selection window serves the picking of a value; selectTable is its table view.
    TFilterForm(TTableView& priceView, QDialog& selectForm, TTableView& selectTable,
                QWidget* parent = nullptr);
    ~TFilterForm() override;

    QGroupBox* MainPanel;
    TFilterTable* Filter_Table;
    QGroupBox* DopPanel;
    QCheckBox* IgnoreCase;
    QPushButton* Button_Ok;
    QPushButton* ButtonExit;
    QPushButton* ButtonCancel;

    // The rows while the dialog is open, one per price column in the grid's order.
    std::vector<TFilterField> FilterFields;
    TFlagChoice DopPanelItem() const;
    void SetDopPanelItem(TFlagChoice choice);

    void FormActivate();
    void Filter_TableDrawCell(QPainter& canvas, const QRect& rect, int col, int row, bool selected) const;
    QString Filter_TableGetEditText(int col, int row) const;
    void Filter_TableSetEditText(int col, int row, const QString& value);
    void Filter_TableEditButtonClick();
    bool Filter_TableKeyDown(QKeyEvent& event);
    void Filter_TableChangeFocus();
    void Button_OkClick();
    void ButtonCancelClick();
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void SetPattern(int row, const QString& pattern);
    void ShowPickColumn(const QString& fieldName);

    TTableView& m_priceView;
    QDialog& m_selectForm;
    TTableView& m_selectTable;
    TFilterTableModel* m_model;
    QButtonGroup* m_dopItems;
};

// The program's one filter dialog, set while a TFilterForm exists.
extern TFilterForm* FilterForm;
