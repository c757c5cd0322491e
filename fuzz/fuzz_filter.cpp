// The price filter on any stored filter string (the first line: "1#" or "0#" for letter case ignored or
// not, then "field=pattern|..." terms) over any rows (the other lines: code, name, price and change mark,
// separated by TABs): the rows the table view shows are exactly those that a plain wildcard matcher takes
// for every term, numbers matched as the grid shows them. The filter dialog reads a filter text and builds
// it back without changing a pattern or the change-mark choice.
#include "FuzzSupport.h"

#include "framework/MemTable.h"
#include "framework/NumberText.h"
#include "price/FilterFormLogic.h"
#include "price/TableViewLogic.h"
#include "text/Cp1251.h"
#include "text/TextForms.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QStringList kFields = {u"Code"_s, u"Name"_s, u"Price"_s, u"Price_flag"_s};
constexpr int kPrice = 2;
constexpr int kTextSize = 255;

// "*" any run, "?" one character, all else itself: the textbook matcher, on folded bytes.
bool WildcardMatches(QByteArrayView pattern, QByteArrayView value) {
    std::vector<char> row(size_t(value.size()) + 1, 0), next(row.size());
    row[0] = 1;
    for (char p : pattern) {
        next[0] = p == '*' && row[0];
        for (qsizetype j = 1; j <= value.size(); ++j)
            next[size_t(j)] = p == '*' ? row[size_t(j)] || next[size_t(j - 1)]
                                       : row[size_t(j - 1)] && (p == '?' || p == value[j - 1]);
        row.swap(next);
    }
    return row.back();
}

bool Matches(const QString& pattern, QByteArrayView value, bool ignoreCase) {
    if (!Cp1251::CanEncode(pattern)) return false; // such a character is in no stored value
    const QByteArray p = Cp1251::Encode(pattern);
    return ignoreCase ? WildcardMatches(AnsiUpperCase(p), AnsiUpperCase(value)) : WildcardMatches(p, value);
}

struct TRow {
    QByteArray Text[4];
    double Price = std::nan("");
};

// The value a term on the field is matched against: text as stored, a number as the grid shows it.
QByteArray Shown(const TRow& row, int field) {
    if (field != kPrice) return row.Text[field].left(kTextSize);
    return std::isnan(row.Price) ? QByteArray() : Cp1251::Encode(FloatToStr(row.Price));
}

std::vector<int> ExpectedRows(const QString& stored, const std::vector<TRow>& rows) {
    const QStringList words = stored.split(u'#', Qt::SkipEmptyParts);
    const bool ignoreCase = words.value(0) != u"0";
    std::vector<std::pair<int, QString>> terms;
    for (const QString& term : words.value(1).split(u'|', Qt::SkipEmptyParts)) {
        const QStringList parts = term.split(u'=', Qt::SkipEmptyParts);
        for (int f = 0; f < kFields.size(); ++f)
            if (SameText(parts.value(0), kFields[f]) && !parts.value(1).isEmpty())
                terms.emplace_back(f, parts.value(1));
    }
    std::vector<int> visible;
    for (int r = 0; r < int(rows.size()); ++r)
        if (std::all_of(terms.begin(), terms.end(), [&](const auto& t) {
                return Matches(t.second, Shown(rows[size_t(r)], t.first), ignoreCase);
            }))
            visible.push_back(r);
    return visible;
}

// The dialog has a row for each column of the grid; the change mark has none.
void CheckFilterDialogText(const QString& filterText) {
    std::vector<TFilterField> fields, again;
    for (const QString& name : kFields.first(3))
        fields.push_back({name, name, {}});
    again = fields;
    const TFlagChoice choice = ReadFilterText(filterText, fields);
    const QString built = BuildFilterText(fields, choice);
    FUZZ_CHECK(ReadFilterText(built, again) == choice);
    for (size_t i = 0; i < fields.size(); ++i)
        FUZZ_CHECK(again[i].Pattern == fields[i].Pattern);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<QByteArrayView> lines = SplitInput(FuzzInput(data, size), "\n", 64);
    const QString stored = QString::fromUtf8(lines[0]);
    std::vector<TRow> rows;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<QByteArrayView> cells = SplitInput(lines[i], "\t", 4);
        TRow row;
        for (size_t c = 0; c < cells.size(); ++c)
            row.Text[c] = cells[c].toByteArray();
        if (!row.Text[kPrice].isEmpty()) row.Price = FileText::ToFloat(row.Text[kPrice]);
        rows.push_back(row);
    }

    TTableViewLogic view;
    TMemTable& table = *view.Table;
    for (int f = 0; f < kFields.size(); ++f)
        table.AddField(kFields[f], f == kPrice ? TFieldType::Float : TFieldType::String,
                       f == kPrice ? 0 : kTextSize);
    table.Open();
    for (const TRow& row : rows) {
        table.Append();
        for (int f = 0; f < kFields.size(); ++f) {
            if (f != kPrice)
                table.Field(f).SetAsBytes(row.Text[f]);
            else if (!std::isnan(row.Price))
                table.Field(f).SetAsFloat(row.Price);
        }
        table.Post();
    }
    view.SetViewState(u"0#"_s, stored);
    std::vector<int> shown;
    for (int i = 0; i < table.RecordCount(); ++i)
        shown.push_back(table.RowAt(i));
    FUZZ_CHECK(shown == ExpectedRows(stored, rows));

    CheckFilterDialogText(view.FilterText);
    return 0;
}
