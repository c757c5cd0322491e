#include "EditFormUnit.h"

#include "framework/CalcEdit.h"
#include "framework/MemTable.h"
#include "OrderForms.h"
#include "shell/SysUnit.h"
#include "text/TException.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace {

TCalcEdit* NumberField(const QString& objectName, bool editable) {
    auto* edit = new TCalcEdit;
    edit->setObjectName(objectName);
    edit->setReadOnly(!editable);
    edit->setEnabled(editable);
    return edit;
}

} // namespace

TEditForm::TEditForm(QWidget* parent) : QDialog(parent) {
    setObjectName(u"EditForm"_s);
    setWindowTitle(u"Редактирование"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);

    auto* grid = new QGridLayout;
    EDIT_CODE = OrderForms::AddTextRow(grid, 0, u"Код"_s, u"EDIT_CODE"_s, true);
    EDIT_NAME = OrderForms::AddTextRow(grid, 1, u"Наименование"_s, u"EDIT_NAME"_s, true);
    for (QLineEdit* fixed : {EDIT_CODE, EDIT_NAME}) {
        fixed->setReadOnly(true);
        fixed->setEnabled(false);
    }
    EDIT_COUNT = NumberField(u"EDIT_COUNT"_s, true);
    OrderForms::AddRow(grid, 2, u"Количество"_s, EDIT_COUNT, true);
    EDIT_PRICE = NumberField(u"EDIT_PRICE"_s, false);
    OrderForms::AddRow(grid, 3, u"Цена"_s, EDIT_PRICE, true);
    EDIT_SUMMA = NumberField(u"EDIT_SUMMA"_s, true);
    OrderForms::AddRow(grid, 4, u"Сумма"_s, EDIT_SUMMA, true);
    OrderForms::AddSeparator(grid, 5);
    EDIT_COMMENT = OrderForms::AddTextRow(grid, 6, u"Комментарий"_s, u"EDIT_COMMENT"_s, false);

    const auto [ok, exit] = OrderForms::LayOut(this, grid);
    Button_Ok = ok;
    Button_Exit = exit;
    connect(Button_Ok, &QPushButton::clicked, this, &TEditForm::Button_OkClick);
    connect(EDIT_COUNT, &QLineEdit::textChanged, this, &TEditForm::EDIT_COUNTChange);
    connect(EDIT_SUMMA, &QLineEdit::textChanged, this, &TEditForm::EDIT_SUMMAChange);
    setTabOrder(EDIT_COUNT, EDIT_SUMMA);
    setTabOrder(EDIT_SUMMA, EDIT_COMMENT);
    setTabOrder(EDIT_COMMENT, Button_Ok);
    setTabOrder(Button_Ok, Button_Exit);
    setFixedSize(367, 205);
}

void TEditForm::ShowEdit(TMemTable* dataSet, bool adding, int id) {
    m_dataSet = dataSet;
    m_adding = adding;
    m_id = id;
    setWindowTitle(adding ? u"Добавление"_s : u"Редактирование"_s);
    EDIT_COUNT->setFocus();
    EDIT_COUNT->selectAll();
    exec();
}

void TEditForm::RecalcSumma() {
    const QSignalBlocker quiet(EDIT_SUMMA);
    EDIT_SUMMA->SetValue(EDIT_COUNT->Value() * EDIT_PRICE->Value());
}

void TEditForm::RecalcCount() {
    if (EDIT_PRICE->Value() == 0) return;
    const QSignalBlocker quiet(EDIT_COUNT);
    EDIT_COUNT->SetValue(EDIT_SUMMA->Value() / EDIT_PRICE->Value());
}

void TEditForm::EDIT_COUNTChange() {
    RecalcSumma();
}

void TEditForm::EDIT_SUMMAChange() {
    RecalcCount();
}

void TEditForm::Button_OkClick() {
    RecalcSumma();
    try {
        WriteLine();
    } catch (const TException& e) {
        ShowError(e.Message());
    }
    accept();
}

void TEditForm::WriteLine() {
    if (!m_dataSet || !m_dataSet->Active()) return;
    TMemTable& table = *m_dataSet;
    if (m_adding) {
        table.Append();
    } else {
        if (!table.Locate(table.FieldByName(u"ID").Index(), QString::number(m_id), {}))
            throw TException(u"Не найдена запись!"_s);
        table.Edit();
    }
    try {
        table.FieldByName(u"CODE").SetAsString(EDIT_CODE->text());
        table.FieldByName(u"NAME").SetAsString(EDIT_NAME->text());
        table.FieldByName(u"COUNT").SetAsFloat(EDIT_COUNT->Value());
        table.FieldByName(u"PRICE").SetAsFloat(EDIT_PRICE->Value());
        table.FieldByName(u"SUMMA").SetAsFloat(EDIT_SUMMA->Value());
        table.FieldByName(u"COMMENT").SetAsString(EDIT_COMMENT->text());
        table.Post();
    } catch (...) {
        table.Cancel();
        throw;
    }
}
