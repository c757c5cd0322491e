#include "DataSource.h"

#include "MemTable.h"

#include <QFont>

TDataSource::TDataSource(QObject* parent) : QAbstractTableModel(parent) {}

void TDataSource::SetDataSet(TMemTable* table) {
    if (m_table == table) return;
    if (m_table) disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    if (table) {
        connect(table, &TMemTable::DataSetChanged, this, &TDataSource::Reset);
        connect(table, &TMemTable::RecordChanged, this, &TDataSource::RecordChanged);
        connect(table, &TMemTable::CurrentChanged, this, &TDataSource::CurrentRowChanged);
        connect(table, &QObject::destroyed, this, [this] { Reset(); });
    }
    Reset();
    Q_EMIT CurrentRowChanged(table ? table->RecNo() : -1);
}

TMemTable* TDataSource::DataSet() const {
    return m_table;
}

void TDataSource::SetColumns(const QList<TGridColumn>& columns) {
    m_columns = columns;
    Reset();
}

void TDataSource::Reset() {
    beginResetModel();
    ResolveColumns();
    m_rows = m_table && m_table->Active() ? m_table->RecordCount() : 0;
    endResetModel();
}

void TDataSource::ResolveColumns() {
    m_shown.clear();
    if (m_columns.isEmpty() && m_table) {
        for (int i = 0; i < m_table->FieldCount(); ++i) {
            const TField& f = m_table->Field(i);
            m_shown.push_back(
                {TGridColumn{.FieldName = f.FieldName(), .Title = f.FieldName(), .Alignment = f.Alignment},
                 i});
        }
        return;
    }
    for (const TGridColumn& c : m_columns) {
        const TField* f = m_table ? m_table->FindField(c.FieldName) : nullptr;
        m_shown.push_back({c, f ? f->Index() : -1});
    }
}

void TDataSource::RecordChanged(int recNo) {
    if (HasRow(recNo) && columnCount() > 0)
        Q_EMIT dataChanged(index(recNo, 0), index(recNo, columnCount() - 1));
}

bool TDataSource::HasRow(int row) const {
    // While the table's controls are disabled it may hold fewer rows than the grid was told of.
    return m_table && m_table->Active() && row >= 0 && row < m_rows && row < m_table->RecordCount();
}

int TDataSource::FieldOf(int column) const {
    return column >= 0 && size_t(column) < m_shown.size() ? m_shown[size_t(column)].Field : -1;
}

QString TDataSource::CellText(int row, int column) const {
    const int field = FieldOf(column);
    if (field < 0 || !HasRow(row)) return {};
    return m_table->RowText(m_table->RowAt(row), field);
}

int TDataSource::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int TDataSource::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_shown.size());
}

QVariant TDataSource::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const TGridColumn& c = m_shown[size_t(index.column())].Def;
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.Alignment | Qt::AlignVCenter);
    case Qt::FontRole:
        if (c.FontFamily.isEmpty()) return {};
        return QFont(c.FontFamily, c.FontPointSize, c.FontBold ? QFont::Bold : QFont::Normal);
    default:
        return {};
    }
}

QVariant TDataSource::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || size_t(section) >= m_shown.size()) return {};
    if (role == Qt::DisplayRole) return m_shown[size_t(section)].Def.Title;
    return {};
}

Qt::ItemFlags TDataSource::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
