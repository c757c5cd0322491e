#pragma once

#include <QDialog>

class QAction;
class QLabel;
class QPushButton;
class QTabWidget;
class QTextEdit;
class TLinkLabel;
class TPriceList;
class TStringGrid;

// "1.0 (2)" for the file version "1.0.2.0"; "ошибка!" when the text holds no four numbers.
QString ProgramVersionText(const QString& fileVersion);

// The information dialog: the price list's parameters, the discount scale, and the about page with
// the program's version and the links to its developer and to the wholesaler. Created once; the
// grids are refilled each time it is shown, from the price list as last loaded.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    // copyCommand is offered by the grids' context menus; vendorCommand opens the wholesaler's dialog.
    TAboutForm(const TPriceList& priceList, QAction* copyCommand, QAction* vendorCommand = nullptr,
               QWidget* parent = nullptr);
    ~TAboutForm() override;

    // Brings the page to the front and shows the dialog modally; the page stays in front until the
    // next call picks another.
    void ShowPage(QWidget* page);

    QTabWidget* PageControl;
    QWidget* TabSheet_Price;
    QWidget* TabSheet_Discount;
    QWidget* TabSheet_About;
    TStringGrid* InfPrice;
    TStringGrid* InfDiscount;
    QLabel* VersionLabel;
    TLinkLabel* MainLabel;
    TLinkLabel* AutorLabel;
    QTextEdit* HelpMemo;
    QPushButton* Button_Close;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormActivate();
    void MainLabelClick();
    void AutorLabelClick();
    QWidget* CreateAboutPage();

    const TPriceList& m_priceList;
    QAction* m_vendorCommand;
};
