#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Drives the next modal window of a test: `act` runs on it as soon as it shows. A window that does
// not show, or that `act` leaves open, ends with TimedOut set (and the window closed), so that a
// broken test fails instead of hanging.
struct ModalOutcome {
    bool Acted = false;
    bool TimedOut = false;
    bool Ok() const { return Acted && !TimedOut; }
};

inline std::shared_ptr<ModalOutcome> OnNextModal(std::function<void(QWidget*)> act, int timeoutMs = 5000) {
    auto outcome = std::make_shared<ModalOutcome>();
    // Owned by the application, so that a timer the test outlives goes with it.
    auto* timer = new QTimer(QCoreApplication::instance());
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    auto acted = std::make_shared<QWidget*>(nullptr);
    QObject::connect(timer, &QTimer::timeout, timer, [=, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!*acted) {
            if (modal && modal->isVisible()) {
                *acted = modal;
                outcome->Acted = true;
                *deadline = QDeadlineTimer(timeoutMs);
                act(modal);
                return;
            }
        } else if (modal != *acted) {
            timer->deleteLater();
            return;
        }
        if (deadline->hasExpired()) {
            outcome->TimedOut = true;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else if (modal)
                modal->close();
            timer->deleteLater();
        }
    });
    timer->start(10);
    return outcome;
}
