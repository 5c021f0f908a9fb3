#include "app/Application.h"

#include "base/Exception.h"
#include "ui/UserDialogs.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Enough for the error box that says the memory ran out.
    KeepMemoryReserve(4 * 1024 * 1024);
    // A timer may tick on another thread: the box is shown from the event loop.
    SetBackgroundErrorHandler([this](std::exception_ptr error) {
        QMetaObject::invokeMethod(
            this, [error] { ShowException(error); }, Qt::QueuedConnection);
    });
}

TApplication::~TApplication() {
    SetBackgroundErrorHandler(nullptr);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowException(std::current_exception());
        return false;
    }
}
