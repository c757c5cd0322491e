#include "FlashForm.h"

#include "Application.h"
#include "framework/DisplayText.h"
#include "SysUnit.h"

#include <QApplication>
#include <QBasicTimer>
#include <QCloseEvent>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <QWindow>

using namespace Qt::StringLiterals;

TFlash* Flash = nullptr;

// A ring of dots, one brighter dot running round it.
class TWaitAnimation : public QWidget {
public:
    explicit TWaitAnimation(QWidget* parent) : QWidget(parent) {
        setObjectName(u"Animate"_s);
        setFixedSize(41, 41);
    }

protected:
    void showEvent(QShowEvent*) override { m_timer.start(90, this); }
    void hideEvent(QHideEvent*) override { m_timer.stop(); }
    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() != m_timer.timerId()) return;
        m_step = (m_step + 1) % kDots;
        update();
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(width() / 2.0, height() / 2.0);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < kDots; ++i) {
            const int age = (m_step - i + kDots) % kDots; // 0 for the leading dot
            painter.setBrush(QColor(0, 0, 128, 255 - age * 200 / kDots));
            painter.drawEllipse(QPointF(0, -14), 3.5, 3.5);
            painter.rotate(360.0 / kDots);
        }
    }

private:
    static constexpr int kDots = 12;
    QBasicTimer m_timer;
    int m_step = 0;
};

namespace {

void SetBackground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

TFlash::TFlash() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(u"Flash"_s);
    setFixedSize(372, 68);
    setCursor(Qt::WaitCursor);

    auto* panel = new QFrame(this);
    panel->setObjectName(u"Panel1"_s);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SetBackground(panel, Qt::yellow);

    m_animation = new TWaitAnimation(panel);
    FlashLabel = new QLabel(panel);
    FlashLabel->setObjectName(u"FlashLabel"_s);
    FlashLabel->setAlignment(Qt::AlignCenter);
    QFont bold = FlashLabel->font();
    bold.setBold(true);
    FlashLabel->setFont(bold);
    auto* shadow = new QGraphicsDropShadowEffect(FlashLabel);
    shadow->setOffset(1, 1);
    shadow->setBlurRadius(0);
    shadow->setColor(Qt::gray);
    FlashLabel->setGraphicsEffect(shadow);

    CancelPanel = new QFrame(panel);
    CancelPanel->setObjectName(u"CancelPanel"_s);
    SetBackground(CancelPanel, Qt::yellow);
    QFont small = CancelPanel->font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    CancelPanel->setFont(small);
    auto* cancelText = new QLabel(u"Нажмите \"Отмена\" для остановки текущего действия"_s, CancelPanel);
    CancelButton = new QPushButton(u"Отмена"_s, CancelPanel);
    CancelButton->setObjectName(u"CancelButton"_s);
    CancelButton->setCursor(Qt::ArrowCursor);
    CancelButton->setFixedSize(58, 20);
    auto* cancelLayout = new QHBoxLayout(CancelPanel);
    cancelLayout->setContentsMargins(2, 0, 0, 0);
    cancelLayout->addWidget(cancelText, 1);
    cancelLayout->addWidget(CancelButton);
    CancelPanel->hide();
    connect(CancelButton, &QPushButton::clicked, this, &TFlash::CancelButtonClick);

    auto* top = new QHBoxLayout;
    top->addWidget(m_animation);
    top->addWidget(FlashLabel, 1);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(4, 2, 4, 2);
    panelLayout->setSpacing(0);
    panelLayout->addLayout(top, 1);
    panelLayout->addWidget(CancelPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);

    if (!Flash) Flash = this;
}

TFlash::~TFlash() {
    if (m_cursorSet) QApplication::restoreOverrideCursor();
    if (Flash == this) Flash = nullptr;
}

void TFlash::ShowWait(const QString& text) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this) window->setEnabled(false);
    FlashLabel->setText(LinesForDisplay(text));
    if (!m_cursorSet) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorSet = true;
    }
    if (!isVisible()) {
        CenterOverMainWindow();
        show();
    }
    // Painted before the caller goes on working.
    QCoreApplication::processEvents();
}

void TFlash::HideWait() {
    for (QWidget* window : QApplication::topLevelWidgets())
        window->setEnabled(true);
    FlashLabel->clear();
    if (m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
    m_cancelled = false;
    CancelPanel->hide();
    hide();
    QCoreApplication::processEvents();
}

void TFlash::EnableCancel() {
    m_cancelled = false;
    CancelPanel->show();
}

void TFlash::CancelButtonClick() {
    m_cancelled = true;
}

void TFlash::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void TFlash::CenterOverMainWindow() {
    QWidget* main = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && qobject_cast<QMainWindow*>(window)) main = window;
    QRect area;
    if (main) {
        area = main->frameGeometry();
        // Above the main window, not above every program; above a modal dialog too, which window
        // managers otherwise keep over every window of its parent.
        QWidget* owner = QApplication::activeModalWidget();
        if (!owner || !owner->windowHandle()) owner = main;
        if (!windowHandle()) create();
        windowHandle()->setTransientParent(owner->windowHandle());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    move(area.center() - rect().center());
}

void ShowWait(const QString& text) {
    if (Flash) Flash->ShowWait(text);
}

void HideWait() {
    if (Flash) Flash->HideWait();
}

void EnableCancel() {
    if (Flash) Flash->EnableCancel();
}

bool Cancelled() {
    return Flash && Flash->Cancelled();
}

bool Waiting() {
    return Flash && Flash->isVisible();
}

bool RunWaiting(const QString& text, const std::function<void()>& operation) {
    std::exception_ptr failure;
    {
        const TWaitGuard wait(text);
        try {
            operation();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (!failure) return true;
    ShowError(ExceptionMessage(failure));
    return false;
}
