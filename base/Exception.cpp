#include "base/Exception.h"

#include <mutex>

const char* Exception::what() const noexcept {
    if (what_.isEmpty())
        what_ = message_.toUtf8();
    return what_.constData();
}

void Exception::SetMessage(QString message) {
    message_ = std::move(message);
    what_.clear();
}

EOSError::EOSError(int code, const QString& systemMessage)
    : Exception(
          code == 0 && systemMessage.isEmpty()
              ? QStringLiteral("A call to an OS function failed")
              : QStringLiteral("System Error.  Code: %1.\r\n%2").arg(code).arg(systemMessage)),
      code_(code) {}

void DatabaseError(const QString& message, const QString& componentName) {
    if (componentName.isEmpty())
        throw EDatabaseError(message);
    throw EDatabaseError(componentName + QStringLiteral(": ") + message);
}

namespace {

std::mutex backgroundLock;
TBackgroundErrorHandler backgroundHandler;

} // namespace

void SetBackgroundErrorHandler(TBackgroundErrorHandler handler) {
    std::lock_guard<std::mutex> guard(backgroundLock);
    backgroundHandler = std::move(handler);
}

void ReportBackgroundError(std::exception_ptr error) noexcept {
    TBackgroundErrorHandler handler;
    {
        std::lock_guard<std::mutex> guard(backgroundLock);
        handler = backgroundHandler;
    }
    if (!handler)
        return;
    IgnoreFailure("the presenter itself failed: nothing is left to tell",
                  [&] { handler(std::move(error)); });
}
