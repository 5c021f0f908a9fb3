#pragma once
// The general exception classes of the program. Every failure below the shell
// is one of these; the shell shows the message of the innermost one.

#include <QByteArray>
#include <QString>
#include <exception>
#include <functional>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)) {}
    ~Exception() override = default;

    const QString& Message() const { return message_; }
    const char* what() const noexcept override;

protected:
    void SetMessage(QString message);

private:
    QString message_;
    mutable QByteArray what_;
};

// Stops an operation without any message.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

// An operating-system call failed: "System Error.  Code: %d.\r\n%s", or
// "A call to an OS function failed" when the system reports neither a code nor
// a text (the dynamic loader gives a text without a code).
class EOSError : public Exception {
public:
    EOSError(int code, const QString& systemMessage);
    int ErrorCode() const { return code_; }

private:
    int code_;
};

// A value that cannot be converted to the kind asked for. The database layer
// reports it as its own "Invalid data conversion." client error.
class EConvertError : public Exception {
public:
    EConvertError() : Exception(QStringLiteral("Invalid data conversion.")) {}
};

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// Raises EDatabaseError with the text "%s: %s" (component name, message).
[[noreturn]] void DatabaseError(const QString& message, const QString& componentName = QString());

// Runs a step whose failure is of no consequence where it stands and is
// dropped: a clean-up whose own error must not replace the one already on its
// way, or a step in a destructor, which must not throw. why says at the call
// why the failure may go; nothing records it.
template <typename F> void IgnoreFailure(const char* /*why*/, F&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

// Failures caught where no caller is left to tell, such as the database
// layer's idle timers. The shell points the handler at its error presenter;
// while none is set they are dropped. The handler may be called from any
// thread that runs such a timer.
using TBackgroundErrorHandler = std::function<void(std::exception_ptr)>;
void SetBackgroundErrorHandler(TBackgroundErrorHandler handler);
void ReportBackgroundError(std::exception_ptr error) noexcept;
