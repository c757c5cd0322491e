#pragma once

#include <QLabel>

#include <functional>

// A label that acts as a link: blue and underlined, with a hand cursor; a left click calls OnClick.
// The hint shows as its tool tip and in the status bar.
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(const QString& hint, QWidget* parent = nullptr);

    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
