#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class TWaitAnimation;

// The wait window every long operation shows: a borderless yellow box with an animation, the text
// and, when the operation offers it, a Cancel button. While it is shown every other window is
// disabled; only HideWait takes it away.
class TFlash : public QWidget {
    Q_OBJECT

public:
    TFlash();
    ~TFlash() override;

    // Shows the window with the text, or replaces the text while it is shown; "\r" starts a line.
    void ShowWait(const QString& text);
    // Hides the window and enables every window again; harmless when it is not shown.
    void HideWait();
    // Offers the Cancel button for the next wait.
    void EnableCancel();
    bool Cancelled() const { return m_cancelled; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CancelButtonClick();
    void CenterOverMainWindow();

    TWaitAnimation* m_animation;
    QLabel* FlashLabel;
    QFrame* CancelPanel;
    QPushButton* CancelButton;
    bool m_cancelled = false;
    bool m_cursorSet = false;
};

// The program's one wait window, set while a TFlash exists.
extern TFlash* Flash;

// The operations on Flash, for code that has no window of its own; they do nothing without one.
void ShowWait(const QString& text);
void HideWait();
void EnableCancel();
bool Cancelled();
// True while an operation shows the wait window: nothing it uses may be closed under it.
bool Waiting();

// Shows the wait window for one operation and hides it in every outcome.
class TWaitGuard {
public:
    explicit TWaitGuard(const QString& text) { ShowWait(text); }
    ~TWaitGuard() { HideWait(); }
    TWaitGuard(const TWaitGuard&) = delete;
    TWaitGuard& operator=(const TWaitGuard&) = delete;
};

// Runs an operation under the wait window. Its failure is shown only once the wait window is gone,
// which would otherwise keep the error box under its hourglass. False when it failed.
bool RunWaiting(const QString& text, const std::function<void()>& operation);
