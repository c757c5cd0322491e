#include "StatusBar.h"

#include <QLabel>

#include <algorithm>

using namespace Qt::StringLiterals;

TStatusBar::TStatusBar(const QList<int>& widths, QWidget* parent) : QStatusBar(parent) {
    for (int i = 0; i < widths.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(u"Panel%1"_s.arg(i));
        const bool last = i == widths.size() - 1;
        // The text never widens a panel: the fixed ones keep their width, the last takes the rest. (An
        // ignored size policy would let the layout squeeze the panels onto each other.)
        if (last) {
            panel->setMinimumWidth(widths[i]);
            panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        } else {
            panel->setFixedWidth(widths[i]);
            panel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        }
        addWidget(panel, last ? 1 : 0);
        m_panels.append(panel);
        m_widths.append(widths[i]);
    }
}

QString TStatusBar::PanelText(int panel) const {
    return m_panels.value(panel) ? m_panels[panel]->text() : QString();
}

void TStatusBar::SetPanelText(int panel, const QString& text) {
    QLabel* label = m_panels.value(panel);
    if (!label || label->text() == text) return;
    label->setText(text);
    // A fixed panel grows when the font is too large for its width, so that its text stays whole.
    if (panel < m_panels.size() - 1)
        label->setFixedWidth(std::max(m_widths[panel], label->fontMetrics().horizontalAdvance(text) + 8));
}
