#include "Application.h"

#include "FlashForm.h"
#include "Platform.h"
#include "SysUnit.h"
#include "text/TException.h"

#include <new>

using namespace Qt::StringLiterals;

namespace {

bool terminated = false;
int terminationCode = 0;

} // namespace

QString ExceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const TException& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return u"Недостаточно памяти"_s;
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return u"Неизвестная ошибка"_s;
    }
}

void ApplicationEventsException(const std::exception_ptr& error) noexcept {
    try {
        HideWait();
        ShowError(ExceptionMessage(error));
    } catch (...) {
        qCritical("Tevlar: an error could not be shown");
    }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    Platform::TuneAllocator();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ApplicationEventsException(std::current_exception());
        return false;
    }
}

void TApplication::Terminate(int exitCode) {
    terminated = true;
    terminationCode = exitCode;
    QCoreApplication::exit(exitCode);
}

bool TApplication::Terminated() {
    return terminated;
}

int TApplication::Run() {
    return terminated ? terminationCode : QCoreApplication::exec();
}
