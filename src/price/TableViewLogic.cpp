#include "TableViewLogic.h"

#include "framework/MemTable.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Takes a table event away for a while and gives it back in every outcome.
class TDetachedEvent {
public:
    explicit TDetachedEvent(std::function<void()>& event)
        : m_event(event), m_saved(std::exchange(event, {})) {}
    ~TDetachedEvent() { m_event = std::move(m_saved); }
    TDetachedEvent(const TDetachedEvent&) = delete;
    TDetachedEvent& operator=(const TDetachedEvent&) = delete;

private:
    std::function<void()>& m_event;
    std::function<void()> m_saved;
};

} // namespace

TTableViewLogic::TTableViewLogic()
    : Table(std::make_unique<TMemTable>()), DataSource(std::make_unique<TDataSource>()) {
    Table->setObjectName(u"Table"_s);
    DataSource->setObjectName(u"DataSource"_s);
    DataSource->SetDataSet(Table.get());
    Table->AfterScroll = [this] { TableAfterScroll(); };
    Table->OnFilterRecord = [this](int row) { return TableFilterRecord(row); };
}

// The data source goes first: it is bound to the table.
TTableViewLogic::~TTableViewLogic() = default;

void TTableViewLogic::SetViewState(const QString& sort, const QString& filter) {
    const QStringList sortWords = SplitWords(sort, u'#');
    const QString mode = sortWords.value(0);
    SortMode = mode == u"1" ? TSortMode::Ascending : mode == u"2" ? TSortMode::Descending : TSortMode::None;
    SortField = sortWords.value(1);

    const QStringList filterWords = SplitWords(filter, u'#');
    FilterIgnoreCase = filterWords.value(0) != u"0";
    FilterText = filterWords.value(1);

    ApplyFilter();
    ApplySort();
}

void TTableViewLogic::GetViewState(QString& sort, QString& filter) const {
    sort = QString::number(static_cast<int>(SortMode)) + u'#' + SortField;
    filter = (FilterIgnoreCase ? u"1#"_s : u"0#"_s) + FilterText;
}

void TTableViewLogic::ApplySort() {
    const TField* field = Table->FindField(SortField);
    if (field && SortMode != TSortMode::None && Table->Active()) {
        const bool descending = SortMode == TSortMode::Descending;
        const auto sort = [this, field, descending] { Table->SortOnField(field->Index(), descending); };
        if (Table->SortNeeded(field->Index(), descending))
            Sorting(sort);
        else
            sort();
    }
    Table->First();
    SortChanged();
}

void TTableViewLogic::CompileFilter() {
    m_numberText = TFloatText(); // the locale of now
    m_terms.clear();
    for (const TFilterTerm& term : ParseFilterText(FilterText)) {
        const TField* field = Table->FindField(term.FieldName);
        if (field && !term.Pattern.isEmpty())
            m_terms.push_back({field->Index(), TWildcard(term.Pattern, FilterIgnoreCase)});
    }
}

void TTableViewLogic::ApplyFilter() {
    try {
        const TMemTable::TBookmark current = Table->Bookmark();
        Table->SetFiltered(false);
        FilterRejected = false;
        if (!FilterText.isEmpty()) {
            CompileFilter();
            Table->SetFiltered(true);
        }
        if (current >= 0) Table->GotoBookmark(current);
        UpdateSearchPanel();
    } catch (const std::exception&) {
        // A filter that cannot be applied is no reason to bother the user.
    }
}

bool TTableViewLogic::TableFilterRecord(int row) {
    bool accept = true;
    for (const TCompiledTerm& term : m_terms) {
        // A number is matched in the text the grid shows for it.
        const bool matches = Table->Field(term.Field).IsNumeric()
                                 ? term.Pattern.Matches(m_numberText.Text(Table->RowFloat(row, term.Field)))
                                 : term.Pattern.Matches(Table->RowBytes(row, term.Field));
        if (!matches) {
            accept = false;
            break; // the other terms cannot change the answer
        }
    }
    if (!accept) FilterRejected = true;
    return accept;
}

QString TTableViewLogic::SearchPanelText() const {
    return SearchText.isEmpty() ? QString() : u"Поиск: "_s + AnsiUpperCase(SearchText);
}

void TTableViewLogic::TableAfterScroll() {
    SearchText.clear();
    UpdateSearchPanel();
}

void TTableViewLogic::SortTitleClick(const QString& fieldName) {
    if (SameText(fieldName, SortField)) {
        SortMode = SortMode == TSortMode::None        ? TSortMode::Ascending
                   : SortMode == TSortMode::Ascending ? TSortMode::Descending
                                                      : TSortMode::None;
    } else {
        SortField = fieldName;
        SortMode = TSortMode::Ascending;
    }
    ApplySort();
}

TSortMarker TTableViewLogic::SortMarker(const QString& fieldName) const {
    if (fieldName.isEmpty() || !SameText(fieldName, SortField)) return TSortMarker::None;
    switch (SortMode) {
    case TSortMode::Ascending:
        return TSortMarker::Up;
    case TSortMode::Descending:
        return TSortMarker::Down;
    case TSortMode::None:
        break;
    }
    return TSortMarker::None;
}

void TTableViewLogic::SearchKeyPress(QChar key, int field) {
    QString text = SearchText;
    if (key == u'\b') {
        text.chop(1);
    } else {
        if (key.unicode() < 33 && key != u' ') return;
        if (SearchText.isEmpty()) Table->First(); // a new search starts at the top
        text += key;
    }
    {
        const TDetachedEvent detached(Table->AfterScroll);
        if (!text.isEmpty()) {
            try {
                if (field < 0) throw TException(u"Нет поля для поиска"_s);
                const TLocateOptions options{.CaseInsensitive = true, .PartialKey = true};
                // Typing on while the current record still fits must not rescan the table.
                if (!Table->RecordMatches(Table->RecNo(), field, text, options)) {
                    const int found = Table->FindRecord(field, text, options);
                    if (found >= 0) {
                        Table->SetRecNo(found);
                    } else {
                        Beep();
                        text.chop(1);
                    }
                }
            } catch (const TException&) {
                text.chop(1); // for instance a letter in a numeric column
            }
        }
    }
    SearchText = text;
    UpdateSearchPanel();
}
