#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;
struct TUpdateInfoLine;

// What the update dialog takes from the main window.
struct TUpgradeEnvironment {
    QAction* InfPrice = nullptr; // the current price list's information
    std::function<void()> SaveViewState;
    std::function<bool()> LoadPriceList;
};

// The package to show and apply, and whether it is a copy unpacked from a ZIP archive.
struct TExtractedUpdate {
    QString FileName;
    bool Extracted = false;
};

// A ZIP archive holding "upgrade.upr" is unpacked into the Temp folder; any other file is the package
// itself. Whether a file is an archive is found by trying to unpack it.
TExtractedUpdate ExtractUpdate(const QString& fileName);

// The update dialog: checks a package's version, lists its price information and, on "Продолжить",
// rebuilds data.iop from it and loads the price list again.
class TUpgradeForm : public QDialog {
    Q_OBJECT

public:
    explicit TUpgradeForm(TUpgradeEnvironment environment, QWidget* parent = nullptr);
    ~TUpgradeForm() override;

    // The package ShowUpdateInfo shows and Button_ContinueClick applies.
    QString UpdateFileName;
    // The trusted comment of its checked signature; nullopt when no key is pinned.
    std::optional<QString> SignatureComment;

    // Reads the package and shows the dialog modally; a package that cannot be read or is of another
    // version is reported instead.
    void ShowUpdateInfo();
    // Applies the package to data.iop; a failure is reported and loses nothing.
    void Button_ContinueClick();
    // The way from a chosen or downloaded file to the dialog: checks its signature when a key is
    // pinned (a refusal raises TSignatureError before anything is unpacked), unpacks it when it is an
    // archive, shows the dialog, and removes the unpacked copy once the dialog has closed.
    void UpdateFromFile(const QString& fileName);

    QGroupBox* GroupBox1;
    QTableWidget* InfUpgrade;
    QPushButton* Button_Continue;
    QPushButton* Button_Cancel;
    QPushButton* Button_InfPrice;
    QLabel* SignatureInfo;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillInfo(const QList<TUpdateInfoLine>& lines);

    TUpgradeEnvironment m_environment;
};
