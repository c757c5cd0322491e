#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMemTable;
class TRowBatch;
struct TRowStore;

enum class TFieldType { String, Float, AutoInc };

// One field of a TMemTable. Reads and writes go to the table's current record, or to its edit buffer
// while a record is being appended or edited. Text is kept as Windows-1251 bytes.
class TField {
public:
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const QString& FieldName() const { return m_name; }
    TFieldType DataType() const { return m_type; }
    bool IsNumeric() const { return m_type != TFieldType::String; }
    int Size() const { return m_size; } // at most this many bytes of text are kept (1 to 255)
    int Index() const { return m_index; }
    Qt::Alignment Alignment;

    bool IsNull() const;
    QByteArrayView AsBytes() const; // empty for numeric fields
    // Numbers in the user's locale form (as the grid shows them), empty for no value.
    QString AsString() const;
    QString DisplayText() const { return AsString(); }
    // Text is read in the user's locale form; TException when it is no number.
    double AsFloat() const;
    qint64 AsInteger() const { return qint64(AsFloat()); }

    // Only while the table appends or edits a record.
    void SetAsBytes(QByteArrayView windows1251);
    void SetAsString(QStringView text);
    void SetAsFloat(double value);
    void SetAsInteger(qint64 value) { SetAsFloat(double(value)); }
    void Clear();

private:
    friend class TMemTable;
    TField(TMemTable& table, QString name, TFieldType type, int size, int index);

    TMemTable& m_table;
    QString m_name;
    TFieldType m_type;
    int m_size;
    int m_index;
};

struct TLocateOptions {
    bool CaseInsensitive = false; // Windows-1251 letter case
    bool PartialKey = false;      // text fields: the value begins with the key
};

// The in-memory table behind every grid. Rows are stored once (the texts of a row as one record of
// Windows-1251 bytes in an arena, numbers by column); the table's order and its filter are index
// vectors over the stored rows, so sorting and filtering move no data, and a copy made by CopyFrom
// shares the rows until one side changes them.
//
// Records are counted in the visible order (sort and filter applied) from 0; "rows" are the stored
// rows that the filter callback and the cell readers name.
class TMemTable : public QObject {
    Q_OBJECT

public:
    enum class TState { Inactive, Browse, Edit, Insert };
    using TBookmark = qint64; // a stored row, -1 for none

    explicit TMemTable(QObject* parent = nullptr);
    ~TMemTable() override;

    // Fields are defined while the table is closed.
    TField& AddField(const QString& name, TFieldType type, int size = 0);
    void ClearFields();
    int FieldCount() const { return int(m_fields.size()); }
    TField& Field(int index) const { return *m_fields[size_t(index)]; }
    TField* FindField(QStringView name) const; // names compare ignoring case
    TField& FieldByName(QStringView name) const;

    void Open();
    void Close(); // drops every record
    bool Active() const { return m_state != TState::Inactive; }
    TState State() const { return m_state; }

    int RecordCount() const { return int(View().size()); }
    // Every record, also those the filter hides.
    int TotalRecordCount() const { return int(m_order.size()); }
    // False when SortOnField(field, descending) only has to reuse the order it made last.
    bool SortNeeded(int field, bool descending) const {
        return field != m_sortedField || descending != m_sortedDescending;
    }
    bool IsEmpty() const { return View().empty(); }
    int RecNo() const { return m_cur; } // -1 when there is no current record
    void SetRecNo(int recNo);
    void First();
    void Last();
    void Next();
    void Prior();
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    TBookmark Bookmark() const;
    // False (and no move) when the row was deleted or is filtered out.
    bool GotoBookmark(TBookmark bookmark);

    void Append();
    void Edit();
    void Post();
    // Takes every row of the batches, in their order, as Append and Post would one by one, but with one
    // notice of the change and none of the per-record events; the last record becomes current. The
    // batches are left empty, each as soon as its rows are in.
    void AppendRows(const std::vector<TRowBatch*>& batches);
    void AppendRows(TRowBatch& batch) { AppendRows(std::vector<TRowBatch*>{&batch}); }
    void Cancel();
    void Delete();
    void EmptyTable();

    // While filtering is on, a stored row is visible when OnFilterRecord accepts it. Rows are judged
    // when filtering is switched on and when they are posted.
    std::function<bool(int row)> OnFilterRecord;
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool on);

    // A stable sort of the table's own order; the current record stays current.
    // Text by the default locale's collation, numbers by value, no value first.
    void SortOnField(int field, bool descending);

    // The first visible record from `from` on whose field matches the key, or -1. A numeric field
    // matches by value; a key that is no number raises TException.
    int FindRecord(int field, const QString& key, TLocateOptions options, int from = 0) const;
    bool RecordMatches(int recNo, int field, const QString& key, TLocateOptions options) const;
    bool Locate(int field, const QString& key, TLocateOptions options);

    // The structure and every visible record of source, in its order. The rows are shared, not copied.
    void CopyFrom(const TMemTable& source);

    // Grids bound to the table are not told of changes until the last EnableControls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    std::function<void()> AfterScroll;
    std::function<void()> AfterPost;
    std::function<void()> AfterDelete;

    int RowAt(int recNo) const { return int(View()[size_t(recNo)]); }
    QByteArrayView RowBytes(int row, int field) const;
    double RowFloat(int row, int field) const; // NaN for no value
    QString RowText(int row, int field) const; // as AsString shows it

Q_SIGNALS:
    // For the data source: the visible records changed as a whole, one record changed, the cursor moved.
    void DataSetChanged();
    void RecordChanged(int recNo);
    void CurrentChanged(int recNo);

private:
    friend class TField;
    struct TBufferCell {
        std::string Text;
        double Number = 0;
    };
    class TLocateKey;

    const std::vector<quint32>& View() const { return m_filtered ? m_visible : m_order; }
    bool Editing() const { return m_state == TState::Edit || m_state == TState::Insert; }
    QByteArrayView CurrentBytes(int field) const;
    double CurrentNumber(int field) const;
    void CheckActive() const;
    void CheckEditing() const;
    void CheckBrowseMode();
    TRowStore& MutableStore();
    void ResetBuffer();
    void LoadBuffer(int row);
    void MoveTo(int recNo, bool scrollEvent);
    void Scrolled();
    void Refilter();
    void SortOrder(int field, bool descending);
    bool Accepts(int row) const;
    void NotifyReset();
    void NotifyCurrent();
    int PositionInView(quint32 row) const;

    std::vector<std::unique_ptr<TField>> m_fields;
    std::shared_ptr<TRowStore> m_store;
    std::vector<quint32> m_order;   // stored rows in the table's order
    std::vector<quint32> m_visible; // the rows of m_order that pass the filter
    std::vector<quint8> m_passes;   // by stored row, while filtered
    std::vector<TBufferCell> m_buffer;
    int m_editRow = -1;
    int m_cur = -1;
    bool m_bof = true;
    bool m_eof = true;
    bool m_filtered = false;
    TState m_state = TState::Inactive;
    double m_lastAutoInc = 0;
    int m_disableCount = 0;
    // The field (-1: none) and direction m_order was last sorted by, while no change has touched it since:
    // sorting again the same way would give the same order.
    int m_sortedField = -1;
    bool m_sortedDescending = false;
};

// Rows made apart from their table, for TMemTable::AppendRows. Filling a batch touches nothing but the
// batch, so several can be filled at once on other threads while the table stays as it is.
class TRowBatch {
public:
    // One cell per field of the table, in the fields' order: the Windows-1251 bytes of a text field (cut
    // to the field's size), the number of a numeric one (NaN: no value). An auto-increment field is
    // numbered when the rows reach the table.
    struct TCell {
        QByteArrayView Text;
        double Number = 0;
    };

    // For the fields the table has now.
    explicit TRowBatch(const TMemTable& table);
    ~TRowBatch();
    TRowBatch(const TRowBatch&) = delete;
    TRowBatch& operator=(const TRowBatch&) = delete;

    void Reserve(int rows);
    void Add(const std::vector<TCell>& cells);
    // No more rows: the storage gives back what it holds in reserve.
    void Finish();
    int Count() const;

private:
    friend class TMemTable;
    std::vector<int> m_sizes; // by field: the text size, 0 for a numeric field
    std::unique_ptr<TRowStore> m_store;
};
