#pragma once

#include <QApplication>

#include <exception>
#include <utility>

// The text the user sees for an exception: the message of a TException, the text of any other.
QString ExceptionMessage(const std::exception_ptr& error);

// The application-wide handler of an exception that no operation handled: the wait window goes, so
// that every window is enabled and the cursor normal, then the error box shows the message.
void ApplicationEventsException(const std::exception_ptr& error) noexcept;

// Runs one event handler; whatever it throws ends in ApplicationEventsException, never in Qt's
// event loop.
template <class Handler> void RunHandler(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        ApplicationEventsException(std::current_exception());
    }
}

// The program's application object. Its notify is the last net for an exception that escapes an
// event handler. Termination asked for before the event loop runs keeps the loop from starting.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Ends the event loop, or keeps Run from starting it.
    static void Terminate(int exitCode = 1);
    static bool Terminated();
    static int Run();
};
