#include "DBNavigator.h"

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
            if (!m_table || !m_table->Active()) return;
            switch (b) {
            case First:
                m_table->First();
                break;
            case Prior:
                m_table->Prior();
                break;
            case Next:
                m_table->Next();
                break;
            case Last:
                m_table->Last();
                break;
            case Delete:
                DeleteClick();
                break;
            case Refresh:
                m_table->DisableControls();
                m_table->EnableControls();
                break;
            }
            UpdateButtons();
        });
    }
    UpdateButtons();
}

void TDBNavigator::SetDataSet(TMemTable* table) {
    if (m_table) disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    if (m_table) {
        connect(m_table, &TMemTable::CurrentChanged, this, &TDBNavigator::UpdateButtons);
        connect(m_table, &TMemTable::DataSetChanged, this, &TDBNavigator::UpdateButtons);
    }
    UpdateButtons();
}

void TDBNavigator::DeleteClick() {
    if (!m_table || !m_table->Active() || m_table->IsEmpty()) return;
    if (TMessageBox::Show(TMessageBox::Question, QString(), u"Удалить запись?"_s,
                          TMessageBox::Ok | TMessageBox::Cancel, TMessageBox::Ok) != TMessageBox::Ok)
        return;
    m_table->Delete();
}

void TDBNavigator::UpdateButtons() {
    const bool active = m_table && m_table->Active();
    const bool empty = !active || m_table->IsEmpty();
    const int at = active ? m_table->RecNo() : -1;
    const int last = active ? m_table->RecordCount() - 1 : -1;
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
