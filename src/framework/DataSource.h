#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QString>

#include <vector>

class TMemTable;

// A grid column: which field it shows and how.
struct TGridColumn {
    QString FieldName;
    QString Title;
    int Width = 64;
    Qt::Alignment Alignment = Qt::AlignLeft;
    QString FontFamily; // empty: the grid's own font
    int FontPointSize = 0;
    bool FontBold = false;
    bool Visible = true;
};

enum class TSortMarker { None, Up, Down };

// The link between a table and its grid: a model of the table's visible records in the grid's
// columns. Cells are decoded only when asked for, that is for the rows on screen. Changes reach the
// grid as one model reset per change of the record set, so detaching the table (SetDataSet(nullptr))
// or DisableControls on it keeps a long loop from repainting anything.
class TDataSource : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TDataSource(QObject* parent = nullptr);

    void SetDataSet(TMemTable* table); // nullptr detaches: no rows
    TMemTable* DataSet() const;
    // Without columns every field is shown, titled by its name.
    void SetColumns(const QList<TGridColumn>& columns);
    const QList<TGridColumn>& Columns() const { return m_columns; }
    TGridColumn Column(int column) const { return m_shown[size_t(column)].Def; }
    int FieldOf(int column) const; // the table's field, -1 for none
    QString CellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // The table's current record moved (-1: none).
    void CurrentRowChanged(int row);

private:
    struct TShownColumn {
        TGridColumn Def;
        int Field = -1;
    };
    void Reset();
    void ResolveColumns();
    void RecordChanged(int recNo);
    bool HasRow(int row) const;

    QPointer<TMemTable> m_table;
    QList<TGridColumn> m_columns;
    std::vector<TShownColumn> m_shown;
    int m_rows = 0;
};
