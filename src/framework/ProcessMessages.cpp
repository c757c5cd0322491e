#include "ProcessMessages.h"

#include <QCoreApplication>

#include <chrono>

void ProcessMessages() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last;
    const Clock::time_point now = Clock::now();
    if (now - last < std::chrono::milliseconds(30)) return;
    last = now;
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}
