#include "DBNavigator.h"

#include "DataSource.h"
#include "MemTable.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

using namespace Qt::StringLiterals;

TDBNavigator::TDBNavigator(QWidget* parent)
    : QWidget(parent),
      FirstButton(AddButton(u"NavFirst"_s, u"Первая запись"_s, QStyle::SP_MediaSkipBackward)),
      PriorButton(AddButton(u"NavPrior"_s, u"Предыдущая запись"_s, QStyle::SP_MediaSeekBackward)),
      NextButton(AddButton(u"NavNext"_s, u"Следующая запись"_s, QStyle::SP_MediaSeekForward)),
      LastButton(AddButton(u"NavLast"_s, u"Последняя запись"_s, QStyle::SP_MediaSkipForward)),
      RefreshButton(AddButton(u"NavRefresh"_s, u"Обновить данные"_s, QStyle::SP_BrowserReload)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {FirstButton, PriorButton, NextButton, LastButton, RefreshButton})
        layout->addWidget(button);
    UpdateButtons();
}

QToolButton* TDBNavigator::AddButton(const QString& name, const QString& hint, int icon) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setIcon(style()->standardIcon(QStyle::StandardPixmap(icon)));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    connect(button, &QToolButton::clicked, this, [this, button] { Click(button); });
    return button;
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &TDataSource::CurrentRowChanged, this, &TDBNavigator::UpdateButtons);
        connect(source, &QAbstractItemModel::modelReset, this, &TDBNavigator::UpdateButtons);
        connect(source, &QObject::destroyed, this, [this] {
            m_source = nullptr;
            UpdateButtons();
        });
    }
    UpdateButtons();
}

void TDBNavigator::Click(QToolButton* button) {
    TMemTable* table = m_source ? m_source->DataSet() : nullptr;
    if (!table || !table->Active()) return;
    if (button == FirstButton) {
        table->First();
    } else if (button == PriorButton) {
        table->Prior();
    } else if (button == NextButton) {
        table->Next();
    } else if (button == LastButton) {
        table->Last();
    } else {
        // Attaching anew redraws every row and keeps the current record.
        m_source->SetDataSet(nullptr);
        m_source->SetDataSet(table);
    }
    UpdateButtons();
}

void TDBNavigator::UpdateButtons() {
    const TMemTable* table = m_source ? m_source->DataSet() : nullptr;
    const bool active = table && table->Active();
    const int recNo = active ? table->RecNo() : -1;
    const int count = active ? table->RecordCount() : 0;
    FirstButton->setEnabled(recNo > 0);
    PriorButton->setEnabled(recNo > 0);
    NextButton->setEnabled(recNo >= 0 && recNo < count - 1);
    LastButton->setEnabled(recNo >= 0 && recNo < count - 1);
    RefreshButton->setEnabled(active);
}
