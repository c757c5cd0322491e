#pragma once

#include <QWidget>

class QToolButton;
class TDataSource;

// Buttons that move the current record of a data source's table: first, prior, next, last, and
// refresh, which shows the table anew. A button that cannot move is disabled.
class TDBNavigator : public QWidget {
    Q_OBJECT

public:
    explicit TDBNavigator(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source);

    QToolButton* const FirstButton;
    QToolButton* const PriorButton;
    QToolButton* const NextButton;
    QToolButton* const LastButton;
    QToolButton* const RefreshButton;

private:
    QToolButton* AddButton(const QString& name, const QString& hint, int icon);
    void Click(QToolButton* button);
    void UpdateButtons();

    TDataSource* m_source = nullptr;
};
