#include "DBNavigator.h"

#include "DataSource.h"
#include "MemTable.h"
#include "MessageBox.h"

#include <QAction>
#include <QStyle>

using namespace Qt::StringLiterals;

TDBNavigator::TDBNavigator(const QList<Button>& buttons, QWidget* parent) : QToolBar(parent) {
    setObjectName(u"Navigator"_s);
    setIconSize(QSize(16, 16));
    struct TButtonDef {
        const char16_t* Name;
        const char16_t* Hint;
        QStyle::StandardPixmap Icon;
    };
    static const TButtonDef defs[6] = {
        {u"NavFirst", u"Первая запись", QStyle::SP_MediaSkipBackward},
        {u"NavPrior", u"Предыдущая запись", QStyle::SP_MediaSeekBackward},
        {u"NavNext", u"Следующая запись", QStyle::SP_MediaSeekForward},
        {u"NavLast", u"Последняя запись", QStyle::SP_MediaSkipForward},
        {u"NavDelete", u"Удалить запись", QStyle::SP_DialogDiscardButton},
        {u"NavRefresh", u"Обновить данные", QStyle::SP_BrowserReload},
    };
    for (Button b : buttons) {
        QAction* action = addAction(style()->standardIcon(defs[b].Icon), QString::fromUtf16(defs[b].Hint));
        action->setObjectName(QString::fromUtf16(defs[b].Name));
        action->setToolTip(action->text());
        action->setStatusTip(action->text());
        m_actions[b] = action;
        widgetForAction(action)->setObjectName(action->objectName());
        connect(action, &QAction::triggered, this, [this, b] {
            TMemTable* table = DataSet();
            if (!table || !table->Active()) return;
            switch (b) {
            case First:
                table->First();
                break;
            case Prior:
                table->Prior();
                break;
            case Next:
                table->Next();
                break;
            case Last:
                table->Last();
                break;
            case Delete:
                DeleteClick();
                break;
            case Refresh:
                table->DisableControls();
                table->EnableControls();
                break;
            }
            UpdateButtons();
        });
    }
    UpdateButtons();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &TDataSource::CurrentRowChanged, this, &TDBNavigator::UpdateButtons);
        connect(m_source, &QAbstractItemModel::modelReset, this, &TDBNavigator::UpdateButtons);
        connect(m_source, &QObject::destroyed, this, &TDBNavigator::UpdateButtons);
    }
    UpdateButtons();
}

TMemTable* TDBNavigator::DataSet() const {
    return m_source ? m_source->DataSet() : nullptr;
}

void TDBNavigator::DeleteClick() {
    TMemTable* table = DataSet();
    if (!table || !table->Active() || table->IsEmpty()) return;
    if (TMessageBox::Show(TMessageBox::Question, QString(), u"Удалить запись?"_s,
                          TMessageBox::Ok | TMessageBox::Cancel, TMessageBox::Ok) != TMessageBox::Ok)
        return;
    table->Delete();
}

void TDBNavigator::UpdateButtons() {
    const TMemTable* table = DataSet();
    const bool active = table && table->Active();
    const bool empty = !active || table->IsEmpty();
    const int at = active ? table->RecNo() : -1;
    const int last = active ? table->RecordCount() - 1 : -1;
    const auto enable = [this](Button b, bool on) {
        if (m_actions[b]) m_actions[b]->setEnabled(on);
    };
    enable(First, !empty && at > 0);
    enable(Prior, !empty && at > 0);
    enable(Next, !empty && at < last);
    enable(Last, !empty && at < last);
    enable(Delete, !empty);
    enable(Refresh, active);
}
