#pragma once

#include "FilterFormLogic.h"
#include "FilterTable.h"

#include <QDialog>

#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QPainter;
class QPushButton;
class TFilterTableModel;
class TTableView;

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
