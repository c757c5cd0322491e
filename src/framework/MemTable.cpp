#include "MemTable.h"

#include "ByteArena.h"
#include "NumberText.h"
#include "text/Cp1251.h"
#include "text/TException.h"
#include "TextCollation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr double kNull = std::numeric_limits<double>::quiet_NaN();
constexpr int kMaxTextSize = 255; // a text's length is one byte

[[noreturn]] void Fail(const QString& message) {
    throw TException(message);
}

// Room for more elements, growing at least twofold, so that many small appends stay linear.
template <typename T> void ReserveMore(std::vector<T>& vector, size_t more) {
    if (vector.size() + more > vector.capacity())
        vector.reserve(std::max(vector.size() + more, vector.capacity() * 2));
}

} // namespace

// The texts of a row are one record in the arena: for each text field in order a length byte and the
// bytes. One handle per row keeps a 200,000-row price list small; numbers are kept by column.
struct TRowStore {
    explicit TRowStore(const TMemTable& table) {
        for (int i = 0; i < table.FieldCount(); ++i) {
            const bool numeric = table.Field(i).IsNumeric();
            Slot.push_back(numeric ? int(Numbers.size()) : TextFields);
            if (numeric) {
                Numbers.emplace_back();
            } else {
                ++TextFields;
                TextField.push_back(i);
            }
        }
    }

    // The texts of a new row, textOf(field) for each text field, as one record; its handle.
    template <typename TextOf> quint32 AddTexts(const TextOf& textOf) {
        quint32 size = 0;
        for (int field : TextField)
            size += 1 + quint32(textOf(field).size());
        quint32 handle = 0;
        char* record = size ? Arena.Allocate(size, handle) : nullptr;
        for (int field : TextField) {
            const QByteArrayView text = textOf(field);
            *record++ = char(text.size());
            record = std::copy(text.begin(), text.end(), record);
        }
        return handle;
    }

    QByteArrayView Text(quint32 row, int slot) const {
        const uchar* p = reinterpret_cast<const uchar*>(Arena.At(Texts[row]));
        for (int i = 0; i < slot; ++i)
            p += 1 + p[0];
        return QByteArrayView(p + 1, p[0]);
    }

    std::vector<int> Slot; // by field: its place among the text fields or among the numbers
    int TextFields = 0;
    std::vector<int> TextField; // by place among the text fields: the field
    std::vector<quint32> Texts; // by row: its text record
    TByteArena Arena;
    std::vector<std::vector<double>> Numbers; // by numeric field, by row; NaN for no value
    quint32 Rows = 0;
};

// ---------------------------------------------------------------------------------------------------
// TField

TField::TField(TMemTable& table, QString name, TFieldType type, int size, int index)
    : Alignment(type == TFieldType::String ? Qt::AlignLeft : Qt::AlignRight), m_table(table),
      m_name(std::move(name)), m_type(type), m_size(size), m_index(index) {}

bool TField::IsNull() const {
    return IsNumeric() ? std::isnan(m_table.CurrentNumber(m_index)) : AsBytes().isEmpty();
}

QByteArrayView TField::AsBytes() const {
    return IsNumeric() ? QByteArrayView() : m_table.CurrentBytes(m_index);
}

QString TField::AsString() const {
    if (!IsNumeric()) return Cp1251::Decode(AsBytes());
    const double v = m_table.CurrentNumber(m_index);
    return std::isnan(v) ? QString() : FloatToStr(v);
}

double TField::AsFloat() const {
    if (IsNumeric()) {
        const double v = m_table.CurrentNumber(m_index);
        return std::isnan(v) ? 0 : v;
    }
    const QString text = AsString();
    double v = 0;
    if (!text.isEmpty() && !StrToFloat(text, v)) Fail(u"'%1' не является числом"_s.arg(text));
    return v;
}

void TField::SetAsBytes(QByteArrayView windows1251) {
    if (IsNumeric()) return SetAsString(Cp1251::Decode(windows1251));
    m_table.CheckEditing();
    m_table.m_buffer[size_t(m_index)].Text.assign(windows1251.data(),
                                                  size_t(std::min<qsizetype>(windows1251.size(), m_size)));
}

void TField::SetAsString(QStringView text) {
    if (!IsNumeric()) return SetAsBytes(Cp1251::Encode(text));
    double v = kNull;
    if (!text.trimmed().isEmpty() && !StrToFloat(text, v)) Fail(u"'%1' не является числом"_s.arg(text));
    SetAsFloat(v);
}

void TField::SetAsFloat(double value) {
    if (!IsNumeric()) return SetAsString(FloatToStr(value));
    m_table.CheckEditing();
    m_table.m_buffer[size_t(m_index)].Number = value;
}

void TField::Clear() {
    m_table.CheckEditing();
    m_table.m_buffer[size_t(m_index)] = {};
    if (IsNumeric()) m_table.m_buffer[size_t(m_index)].Number = kNull;
}

// ---------------------------------------------------------------------------------------------------
// Locating

class TMemTable::TLocateKey {
public:
    TLocateKey(const TMemTable& table, int field, const QString& key, TLocateOptions options)
        : m_store(*table.m_store), m_slot(m_store.Slot[size_t(field)]),
          m_numeric(table.Field(field).IsNumeric()), m_partial(options.PartialKey),
          m_fold(options.CaseInsensitive ? Cp1251::Case.Upper : Cp1251::Case.Same) {
        if (m_numeric) {
            if (!StrToFloat(key, m_number)) Fail(u"'%1' не является числом"_s.arg(key));
            return;
        }
        m_impossible = !Cp1251::CanEncode(key);
        m_key = Cp1251::Encode(key);
        for (char& c : m_key)
            c = char(m_fold[uchar(c)]);
    }

    bool Matches(quint32 row) const {
        if (m_numeric) return m_store.Numbers[size_t(m_slot)][row] == m_number;
        const QByteArrayView text = m_store.Text(row, m_slot);
        if (m_impossible || text.size() < m_key.size() || (!m_partial && text.size() != m_key.size()))
            return false;
        const uchar* value = reinterpret_cast<const uchar*>(text.data());
        for (qsizetype i = 0; i < m_key.size(); ++i)
            if (m_fold[value[i]] != uchar(m_key[i])) return false;
        return true;
    }

private:
    const TRowStore& m_store;
    int m_slot;
    bool m_numeric;
    bool m_partial;
    const uchar* m_fold;
    double m_number = kNull;
    QByteArray m_key;
    bool m_impossible = false;
};

// ---------------------------------------------------------------------------------------------------
// TMemTable

TMemTable::TMemTable(QObject* parent) : QObject(parent) {}

TMemTable::~TMemTable() = default;

TField& TMemTable::AddField(const QString& name, TFieldType type, int size) {
    if (Active()) Fail(u"Невозможно выполнить операцию над открытым набором данных"_s);
    if (FindField(name)) Fail(u"Поле '%1' уже есть"_s.arg(name));
    if (type == TFieldType::String) {
        size = size <= 0 ? kMaxTextSize : std::min(size, kMaxTextSize);
        const auto texts =
            std::count_if(m_fields.begin(), m_fields.end(), [](const auto& f) { return !f->IsNumeric(); });
        if (quint32(texts + 1) * (kMaxTextSize + 1) > TByteArena::kMaxRecord)
            Fail(u"Слишком много текстовых полей"_s);
    }
    m_fields.push_back(std::unique_ptr<TField>(new TField(*this, name, type, size, FieldCount())));
    return *m_fields.back();
}

void TMemTable::ClearFields() {
    if (Active()) Fail(u"Невозможно выполнить операцию над открытым набором данных"_s);
    m_fields.clear();
}

TField* TMemTable::FindField(QStringView name) const {
    for (const auto& f : m_fields)
        if (SameText(f->FieldName(), name)) return f.get();
    return nullptr;
}

TField& TMemTable::FieldByName(QStringView name) const {
    TField* f = FindField(name);
    if (!f) Fail(u"Поле '%1' не найдено"_s.arg(name));
    return *f;
}

void TMemTable::Open() {
    if (Active()) return;
    m_store = std::make_shared<TRowStore>(*this);
    m_order.clear();
    m_visible.clear();
    m_passes.clear();
    m_sortedField = -1;
    m_lastAutoInc = 0;
    m_state = TState::Browse;
    NotifyReset();
    First();
}

void TMemTable::Close() {
    if (!Active()) return;
    m_state = TState::Inactive;
    m_store.reset();
    m_order.clear();
    m_sortedField = -1;
    m_visible.clear();
    m_passes.clear();
    m_cur = -1;
    m_bof = m_eof = true;
    NotifyReset();
    NotifyCurrent();
}

void TMemTable::CheckActive() const {
    if (!Active()) Fail(u"Невозможно выполнить операцию над закрытым набором данных"_s);
}

void TMemTable::CheckEditing() const {
    if (!Editing()) Fail(u"Набор данных не в режиме редактирования"_s);
}

void TMemTable::CheckBrowseMode() {
    if (Editing()) Post();
}

TRowStore& TMemTable::MutableStore() {
    if (m_store.use_count() > 1) m_store = std::make_shared<TRowStore>(*m_store);
    return *m_store;
}

QByteArrayView TMemTable::RowBytes(int row, int field) const {
    if (Field(field).IsNumeric()) return {};
    return m_store->Text(quint32(row), m_store->Slot[size_t(field)]);
}

double TMemTable::RowFloat(int row, int field) const {
    if (!Field(field).IsNumeric()) return kNull;
    return m_store->Numbers[size_t(m_store->Slot[size_t(field)])][size_t(row)];
}

QString TMemTable::RowText(int row, int field) const {
    if (!Field(field).IsNumeric()) return Cp1251::Decode(RowBytes(row, field));
    const double v = RowFloat(row, field);
    return std::isnan(v) ? QString() : FloatToStr(v);
}

QByteArrayView TMemTable::CurrentBytes(int field) const {
    if (Editing())
        return QByteArrayView(m_buffer[size_t(field)].Text.data(),
                              qsizetype(m_buffer[size_t(field)].Text.size()));
    return m_cur < 0 ? QByteArrayView() : RowBytes(RowAt(m_cur), field);
}

double TMemTable::CurrentNumber(int field) const {
    if (Editing()) return m_buffer[size_t(field)].Number;
    return m_cur < 0 ? kNull : RowFloat(RowAt(m_cur), field);
}

void TMemTable::NotifyReset() {
    if (!m_disableCount) Q_EMIT DataSetChanged();
}

void TMemTable::NotifyCurrent() {
    if (!m_disableCount) Q_EMIT CurrentChanged(m_cur);
}

void TMemTable::Scrolled() {
    if (AfterScroll) AfterScroll();
}

void TMemTable::MoveTo(int recNo, bool scrollEvent) {
    m_cur = recNo;
    m_bof = m_eof = IsEmpty();
    NotifyCurrent();
    if (scrollEvent) Scrolled();
}

void TMemTable::SetRecNo(int recNo) {
    if (!Active() || IsEmpty()) return;
    CheckBrowseMode();
    recNo = std::clamp(recNo, 0, RecordCount() - 1);
    if (recNo != m_cur) MoveTo(recNo, true);
}

void TMemTable::First() {
    if (!Active()) return;
    CheckBrowseMode();
    MoveTo(IsEmpty() ? -1 : 0, true);
    m_bof = true;
}

void TMemTable::Last() {
    if (!Active()) return;
    CheckBrowseMode();
    MoveTo(RecordCount() - 1, true);
    m_eof = true;
}

void TMemTable::Next() {
    if (!Active()) return;
    CheckBrowseMode();
    if (m_cur + 1 < RecordCount())
        MoveTo(m_cur + 1, true);
    else
        m_eof = true;
}

void TMemTable::Prior() {
    if (!Active()) return;
    CheckBrowseMode();
    if (m_cur > 0)
        MoveTo(m_cur - 1, true);
    else
        m_bof = true;
}

TMemTable::TBookmark TMemTable::Bookmark() const {
    return m_cur < 0 ? -1 : TBookmark(RowAt(m_cur));
}

int TMemTable::PositionInView(quint32 row) const {
    const auto& view = View();
    const auto it = std::find(view.begin(), view.end(), row);
    return it == view.end() ? -1 : int(it - view.begin());
}

bool TMemTable::GotoBookmark(TBookmark bookmark) {
    if (!Active() || bookmark < 0) return false;
    CheckBrowseMode();
    const int pos = PositionInView(quint32(bookmark));
    if (pos < 0) return false;
    MoveTo(pos, true);
    return true;
}

void TMemTable::Append() {
    CheckActive();
    CheckBrowseMode();
    ResetBuffer();
    for (const auto& f : m_fields)
        if (f->DataType() == TFieldType::AutoInc) m_buffer[size_t(f->Index())].Number = ++m_lastAutoInc;
    m_editRow = -1;
    m_state = TState::Insert;
    Scrolled();
}

// The cells keep their capacity, so that appending many records allocates nothing per record.
void TMemTable::ResetBuffer() {
    m_buffer.resize(m_fields.size());
    for (TBufferCell& cell : m_buffer) {
        cell.Text.clear();
        cell.Number = kNull;
    }
}

void TMemTable::LoadBuffer(int row) {
    ResetBuffer();
    for (const auto& f : m_fields) {
        TBufferCell& cell = m_buffer[size_t(f->Index())];
        if (f->IsNumeric()) {
            cell.Number = RowFloat(row, f->Index());
        } else {
            const QByteArrayView bytes = RowBytes(row, f->Index());
            cell.Text.assign(bytes.data(), size_t(bytes.size()));
        }
    }
}

void TMemTable::Edit() {
    CheckActive();
    if (Editing()) return;
    if (m_cur < 0) Fail(u"Невозможно выполнить операцию над пустым набором данных"_s);
    m_editRow = RowAt(m_cur);
    LoadBuffer(m_editRow);
    m_state = TState::Edit;
}

void TMemTable::Post() {
    CheckEditing();
    TRowStore& store = MutableStore();
    const bool inserting = m_state == TState::Insert;
    m_sortedField = -1;
    const quint32 row = inserting ? store.Rows : quint32(m_editRow);
    const quint32 handle = store.AddTexts([this](int field) {
        const std::string& text = m_buffer[size_t(field)].Text;
        return QByteArrayView(text.data(), qsizetype(text.size()));
    });
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (!m_fields[i]->IsNumeric()) continue;
        std::vector<double>& numbers = store.Numbers[size_t(store.Slot[i])];
        if (inserting)
            numbers.push_back(m_buffer[i].Number);
        else
            numbers[row] = m_buffer[i].Number;
    }
    if (inserting)
        store.Texts.push_back(handle);
    else
        store.Texts[row] = handle;
    m_state = TState::Browse;

    if (inserting) {
        ++store.Rows;
        m_order.push_back(row);
        if (m_filtered) {
            m_passes.resize(store.Rows);
            m_passes[row] = Accepts(row);
            if (m_passes[row]) m_visible.push_back(row);
        }
        const int pos = !m_filtered || m_passes[row] ? RecordCount() - 1
                                                     : std::min(std::max(m_cur, 0), RecordCount() - 1);
        NotifyReset();
        MoveTo(pos, false);
    } else if (m_filtered && !Accepts(row)) {
        m_passes[row] = 0;
        m_visible.erase(m_visible.begin() + m_cur);
        NotifyReset();
        MoveTo(std::min(m_cur, RecordCount() - 1), false);
    } else if (!m_disableCount) {
        Q_EMIT RecordChanged(m_cur);
    }
    if (AfterPost) AfterPost();
}

void TMemTable::AppendRows(const std::vector<TRowBatch*>& batches) {
    CheckActive();
    CheckBrowseMode();
    size_t count = 0;
    for (const TRowBatch* batch : batches) {
        if (batch->m_sizes.size() != m_fields.size()) Fail(u"Строки не подходят к полям таблицы"_s);
        count += batch->m_store->Rows;
    }
    TRowStore& store = MutableStore();
    const quint32 first = store.Rows;
    if (first == 0 && batches.size() == 1) {
        // Into an empty table one batch's rows move as they are, without a copy.
        TRowStore& added = *batches.front()->m_store;
        std::swap(store.Texts, added.Texts);
        std::swap(store.Numbers, added.Numbers);
        std::swap(store.Arena, added.Arena);
        store.Rows = added.Rows;
        batches.front()->m_store = std::make_unique<TRowStore>(*this);
    } else {
        ReserveMore(store.Texts, count);
        for (std::vector<double>& numbers : store.Numbers)
            ReserveMore(numbers, count);
        for (TRowBatch* batch : batches) {
            TRowStore& added = *batch->m_store;
            const quint32 offset = store.Arena.Append(std::move(added.Arena));
            for (quint32 handle : added.Texts)
                store.Texts.push_back(handle + offset);
            for (size_t slot = 0; slot < store.Numbers.size(); ++slot)
                store.Numbers[slot].insert(store.Numbers[slot].end(), added.Numbers[slot].begin(),
                                           added.Numbers[slot].end());
            store.Rows += added.Rows;
            batch->m_store = std::make_unique<TRowStore>(*this);
        }
    }
    for (const auto& f : m_fields) {
        if (f->DataType() != TFieldType::AutoInc) continue;
        std::vector<double>& numbers = store.Numbers[size_t(store.Slot[size_t(f->Index())])];
        std::generate(numbers.begin() + first, numbers.end(), [this] { return ++m_lastAutoInc; });
    }

    m_sortedField = -1;
    ReserveMore(m_order, store.Rows - first);
    for (quint32 row = first; row < store.Rows; ++row)
        m_order.push_back(row);
    if (m_filtered) {
        m_passes.resize(store.Rows);
        for (quint32 row = first; row < store.Rows; ++row) {
            m_passes[row] = Accepts(int(row));
            if (m_passes[row]) m_visible.push_back(row);
        }
    }
    NotifyReset();
    MoveTo(RecordCount() - 1, false);
}

void TMemTable::Cancel() {
    if (Editing()) m_state = TState::Browse;
}

void TMemTable::Delete() {
    CheckActive();
    const bool inserting = m_state == TState::Insert;
    Cancel();
    if (inserting) return;
    if (m_cur < 0) Fail(u"Невозможно выполнить операцию над пустым набором данных"_s);
    const quint32 row = quint32(RowAt(m_cur));
    m_order.erase(std::find(m_order.begin(), m_order.end(), row));
    if (m_filtered) m_visible.erase(m_visible.begin() + m_cur);
    NotifyReset();
    MoveTo(std::min(m_cur, RecordCount() - 1), false);
    if (AfterDelete) AfterDelete();
    Scrolled();
}

void TMemTable::EmptyTable() {
    CheckActive();
    Cancel();
    m_store = std::make_shared<TRowStore>(*this);
    m_order.clear();
    m_visible.clear();
    m_passes.clear();
    m_sortedField = -1;
    NotifyReset();
    First();
}

bool TMemTable::Accepts(int row) const {
    return !OnFilterRecord || OnFilterRecord(row);
}

void TMemTable::Refilter() {
    m_passes.assign(m_store->Rows, 0);
    m_visible.clear();
    for (quint32 row : m_order) {
        if (!Accepts(int(row))) continue;
        m_passes[row] = 1;
        m_visible.push_back(row);
    }
}

void TMemTable::SetFiltered(bool on) {
    if (on == m_filtered) return;
    if (!Active()) {
        m_filtered = on;
        return;
    }
    CheckBrowseMode();
    m_filtered = on;
    if (on) Refilter();
    NotifyReset();
    First();
}

void TMemTable::SortOnField(int field, bool descending) {
    CheckActive();
    CheckBrowseMode();
    const TBookmark current = Bookmark();
    // The value pick of the filter dialog asks for the same order on every F2.
    if (SortNeeded(field, descending)) SortOrder(field, descending);
    if (m_filtered) {
        m_visible.clear();
        for (quint32 row : m_order)
            if (m_passes[row]) m_visible.push_back(row);
    }
    NotifyReset();
    MoveTo(current < 0 ? (IsEmpty() ? -1 : 0) : PositionInView(quint32(current)), false);
}

void TMemTable::SortOrder(int field, bool descending) {
    if (!Field(field).IsNumeric()) {
        TTextCollation().Sort(
            m_order,
            [&store = *m_store, slot = m_store->Slot[size_t(field)]](quint32 row) {
                return store.Text(row, slot);
            },
            descending);
    } else {
        // No value sorts before every number.
        const std::vector<double>& numbers = m_store->Numbers[size_t(m_store->Slot[size_t(field)])];
        auto less = [&numbers](quint32 a, quint32 b) {
            const double x = numbers[a], y = numbers[b];
            return std::isnan(x) ? !std::isnan(y) : x < y;
        };
        std::stable_sort(m_order.begin(), m_order.end(), [&less, descending](quint32 a, quint32 b) {
            return descending ? less(b, a) : less(a, b);
        });
    }
    m_sortedField = field;
    m_sortedDescending = descending;
}

int TMemTable::FindRecord(int field, const QString& key, TLocateOptions options, int from) const {
    if (!Active()) return -1;
    const TLocateKey wanted(*this, field, key, options);
    const auto& view = View();
    for (size_t i = size_t(std::max(from, 0)); i < view.size(); ++i)
        if (wanted.Matches(view[i])) return int(i);
    return -1;
}

bool TMemTable::RecordMatches(int recNo, int field, const QString& key, TLocateOptions options) const {
    if (!Active() || recNo < 0 || recNo >= RecordCount()) return false;
    return TLocateKey(*this, field, key, options).Matches(quint32(RowAt(recNo)));
}

bool TMemTable::Locate(int field, const QString& key, TLocateOptions options) {
    const int recNo = FindRecord(field, key, options);
    if (recNo < 0) return false;
    CheckBrowseMode();
    MoveTo(recNo, true);
    return true;
}

void TMemTable::CopyFrom(const TMemTable& source) {
    if (&source == this) return;
    Close();
    ClearFields();
    for (const auto& f : source.m_fields)
        AddField(f->FieldName(), f->DataType(), f->Size()).Alignment = f->Alignment;
    Open();
    if (source.Active()) {
        m_store = source.m_store;
        m_order = source.View();
        m_lastAutoInc = source.m_lastAutoInc;
    }
    if (m_filtered) Refilter();
    NotifyReset();
    First();
}

void TMemTable::DisableControls() {
    ++m_disableCount;
}

void TMemTable::EnableControls() {
    if (m_disableCount == 0 || --m_disableCount > 0) return;
    NotifyReset();
    NotifyCurrent();
}

// ---------------------------------------------------------------------------------------------------
// TRowBatch

TRowBatch::TRowBatch(const TMemTable& table) : m_store(std::make_unique<TRowStore>(table)) {
    for (int i = 0; i < table.FieldCount(); ++i)
        m_sizes.push_back(table.Field(i).IsNumeric() ? 0 : table.Field(i).Size());
}

TRowBatch::~TRowBatch() = default;

void TRowBatch::Reserve(int rows) {
    m_store->Texts.reserve(size_t(rows));
    for (std::vector<double>& numbers : m_store->Numbers)
        numbers.reserve(size_t(rows));
}

void TRowBatch::Add(const std::vector<TCell>& cells) {
    TRowStore& store = *m_store;
    store.Texts.push_back(store.AddTexts([&](int field) {
        const QByteArrayView text = cells[size_t(field)].Text;
        return text.first(std::min(text.size(), qsizetype(m_sizes[size_t(field)])));
    }));
    for (size_t i = 0; i < m_sizes.size(); ++i)
        if (!m_sizes[i]) store.Numbers[size_t(store.Slot[i])].push_back(cells[i].Number);
    ++store.Rows;
}

void TRowBatch::Finish() {
    m_store->Arena.Trim();
}

int TRowBatch::Count() const {
    return int(m_store->Rows);
}
