#pragma once

#include "framework/ColumnLayout.h"
#include "StoredValue.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <utility>

class QHeaderView;
class QWidget;
class TIniFile;

// How a grid reports and takes its column layout.
struct TGridBinding {
    QString TableViewName; // "Price_Data": the layout lives in "SYSTEM\Price_DataTableViewGrid"
    std::function<QList<TColumnLayout>()> Columns;
    // Gets the stored entries, sorted by Index; fields the grid does not have must be skipped.
    std::function<void(const QList<TColumnLayout>&)> ApplyColumns;
};

// The price view's sort and filter strings.
struct TViewState {
    QString Sort;
    QString Filter;
};

// The values the program keeps between runs in "system.ini": the named values, the main window's
// placement, the height of its lower panel and the column layouts of its grids. Named values live
// in memory and reach the file only when saved; every save re-reads the file first, so sections
// that others keep in it survive.
class TFormStorage {
public:
    TFormStorage(QString iniFileName, QString iniSection);

    const QString& IniFileName() const { return m_iniFileName; }
    const QString& IniSection() const { return m_iniSection; }

    // Empty when absent.
    QString StoredValue(TStoredValue value) const { return m_values[static_cast<size_t>(value)]; }
    void SetStoredValue(TStoredValue value, const QString& text) {
        m_values[static_cast<size_t>(value)] = text;
    }
    // "FLightPresense": on unless it holds anything but "1".
    bool LightPresense() const;

    void LoadStoredValues();
    // Write errors throw TException.
    void SaveStoredValues();
    // Sets the values and saves them; after a write error memory holds what it held before.
    void SaveStoredValues(std::initializer_list<std::pair<TStoredValue, QString>> changes);

    // What the placement covers. A window restores its normal position and size, maximized state
    // and focused control; without stored values it keeps what it had.
    void AttachWindow(QWidget* window);
    void AttachHeight(const QString& name, std::function<int()> get, std::function<void(int)> set);
    void AttachGrid(TGridBinding grid);
    void AttachViewState(std::function<TViewState()> viewState);

    // Applies the placement, the heights, the grid layouts and reads the named values.
    void RestoreFormPlacement();
    // Writes all of them to the file at once.
    void SaveFormPlacement();
    // Stores the attached view's sort and filter as "Price_Data_Sort" and "Price_Data_Filter" and
    // writes the named values.
    void SaveViewState();

    // A grid layout section on its own, for grids that come and go (the order grids share one).
    QList<TColumnLayout> ReadGridLayout(const QString& tableViewName) const;
    void SaveGridLayout(const QString& tableViewName, const QList<TColumnLayout>& columns);

    // The tick marks of a check list, in a section of their own ("SYSTEM\EMAILListBox"): one entry per
    // item in list order. Items the file says nothing about are not ticked.
    QList<bool> ReadCheckMarks(const QString& listName, int count) const;
    // Write errors throw TException.
    void SaveCheckMarks(const QString& listName, const QList<bool>& marks);

    // A binding for a grid whose columns are the sections of a header: sections are moved and
    // resized; fieldName names the field of a logical section.
    static TGridBinding HeaderBinding(QString tableViewName, QHeaderView* header,
                                      const std::function<QString(int)>& fieldName);

private:
    struct THeight {
        QString Name;
        std::function<int()> Get;
        std::function<void(int)> Set;
    };

    QString GridSection(const QString& tableViewName) const;
    QList<TColumnLayout> ReadGridLayout(const TIniFile& ini, const QString& tableViewName) const;
    void ReadStoredValues(const TIniFile& ini);
    void WriteStoredValues(TIniFile& ini) const;
    void WriteGridLayout(TIniFile& ini, const QString& tableViewName,
                         const QList<TColumnLayout>& columns) const;
    void RestoreWindow(const TIniFile& ini);
    void WriteWindow(TIniFile& ini) const;

    QString m_iniFileName;
    QString m_iniSection;
    std::array<QString, kStoredValues.size()> m_values;
    QWidget* m_window = nullptr;
    QList<THeight> m_heights;
    QList<TGridBinding> m_grids;
    std::function<TViewState()> m_viewState;
};
