#pragma once

#include "OrderEnvironment.h"
#include "OrderFile.h"

#include <QFrame>

#include <array>
#include <unordered_map>

class QLabel;
class QToolBar;
class TDBNavigator;
class TTableView;

// One open order on its tab page: the header, the lines in the table view "Order_data", the state of
// its file and the status bar with the totals.
class TOrderFrame : public QFrame {
    Q_OBJECT

public:
    static const QString NoFileName; // "Без имени"

    // A new order numbered after the slots taken so far, or (with a file name) the order stored in
    // that file; a file that cannot be read raises TException and leaves no frame.
    TOrderFrame(const TOrderEnvironment& environment, int slotCount, const QString& fileName,
                QWidget* parent = nullptr);
    ~TOrderFrame() override;

    OrderHeader Header;
    QString FileName;
    bool HasFile = false;
    bool Modified = false;
    double Total = 0;
    int SlotIndex = -1;

    TTableView* const Order_data;
    QToolBar* const ToolBar;
    TDBNavigator* const Navigator;
    std::array<QLabel*, 4> StatusPanels;

    void LoadOrder();
    // False when the user cancelled the file dialog; a failed write raises TException and keeps the
    // order's state (file name included).
    bool SaveOrder(bool saveAs);
    void UpdateStatus();
    void Order_dataTableAfterPost();
    void Order_dataTableAfterDelete();
    QString SavePrompt() const;
    // The lines in the order the grid shows them, filtered or not.
    std::vector<OrderLine> Lines();

    // Asks about unsaved changes; true when the order may be closed.
    bool CloseOrder();
    void EditOrderInfo(bool marksModified = true);
    // Saves the order when it has unsaved changes (the user may decline, and then nothing is sent), lets
    // the user tick the recipients and hands the order file to the mail client.
    void SendOrderByEMAIL();
    // A tab-separated copy of the order for the customer's spreadsheet, opened once written.
    void ExportOrderToExcel();
    // The export file without asking; a failed write raises TException and keeps the old file.
    void ExportTo(const QString& fileName);

    // Remembers the grid's column layout for the next order.
    void SaveGridLayout();

private:
    void DefineLines();
    void FillLines(const std::vector<OrderLine>& lines);
    // Runs visit with the filter off and the grid detached, then puts the filter and the line back.
    void WithAllLines(const std::function<void()>& visit);

    const TOrderEnvironment m_env;
    // By line ID: the numbers' texts in the file the order was read from.
    std::unordered_map<qint64, std::array<QByteArray, 3>> m_fileTexts;
};
