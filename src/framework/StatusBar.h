#pragma once

#include <QList>
#include <QStatusBar>

class QLabel;

// A status bar of text panels: every panel but the last has a fixed width (wider only when its text
// would not fit), the last takes the rest.
class TStatusBar : public QStatusBar {
    Q_OBJECT

public:
    // One panel per width; the last width is only the least the last panel gets.
    explicit TStatusBar(const QList<int>& widths, QWidget* parent = nullptr);

    int PanelCount() const { return int(m_panels.size()); }
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);

private:
    QList<QLabel*> m_panels;
    QList<int> m_widths;
};
