#include "FilterFormLogic.h"

#include "FilterText.h"
#include "framework/MemTable.h"
#include "TableViewLogic.h"
#include "text/Cp1251.h"
#include "text/TException.h"

using namespace Qt::StringLiterals;

namespace {

const QString kFlagField = u"Price_flag"_s;
// The change marks of the choices after "all", in their order.
const char16_t* const kFlags[] = {u"N", u"D", u"U"};

void AppendCondition(QString& text, QStringView fieldName, QStringView pattern) {
    text += fieldName;
    text += u'=';
    text += pattern;
    text += u'|';
}

} // namespace

std::vector<TFilterField> FilterFieldsOf(const QList<TGridColumn>& columns) {
    std::vector<TFilterField> fields;
    fields.reserve(size_t(columns.size()));
    for (const TGridColumn& column : columns)
        fields.push_back({column.Title, column.FieldName, {}});
    return fields;
}

TFlagChoice ReadFilterText(QStringView filterText, std::vector<TFilterField>& fields) {
    TFlagChoice choice = TFlagChoice::All;
    for (const TFilterTerm& term : ParseFilterText(filterText)) {
        for (TFilterField& field : fields)
            if (SameText(field.FieldName, term.FieldName)) field.Pattern = term.Pattern;
        if (!SameText(term.FieldName, kFlagField)) continue;
        for (int i = 0; i < 3; ++i)
            if (term.Pattern == QStringView(kFlags[i])) choice = TFlagChoice(i + 1);
    }
    return choice;
}

QString BuildFilterText(const std::vector<TFilterField>& fields, TFlagChoice choice) {
    QString text;
    for (const TFilterField& field : fields) {
        const QStringView pattern = QStringView(field.Pattern).left(field.Pattern.indexOf(u'|'));
        if (!pattern.isEmpty()) AppendCondition(text, field.FieldName, pattern);
    }
    if (choice != TFlagChoice::All) AppendCondition(text, kFlagField, kFlags[int(choice) - 1]);
    return text;
}

void PreparePick(TTableViewLogic& selectView, const QString& fieldName, const QString& pattern) {
    selectView.SetViewState(u"2#"_s + fieldName, QString());
    const TField* field = selectView.Table->FindField(fieldName);
    if (!field) return;
    try {
        selectView.Table->Locate(field->Index(), pattern, {.CaseInsensitive = true, .PartialKey = true});
    } catch (const TException&) {
        // A pattern that is no number for a number field: the user simply starts at the top.
    }
}

std::optional<QString> PickedValue(const TMemTable& table, const QString& fieldName) {
    const TField* field = table.FindField(fieldName);
    if (!field || table.RecNo() < 0) return std::nullopt;
    return field->AsString();
}
