#pragma once
// Sets or removes an environment variable for the life of the object and
// puts back what was there before.

#include <QByteArray>
#include <optional>

namespace veltor::test {

class ScopedEnvironment {
public:
    // value empty (std::nullopt): the variable is removed.
    ScopedEnvironment(const char* name, const std::optional<QByteArray>& value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            old_ = qgetenv(name);
        Set(value);
    }
    ~ScopedEnvironment() { Set(old_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void Set(const std::optional<QByteArray>& value) {
        if (value)
            qputenv(name_, *value);
        else
            qunsetenv(name_);
    }

    const char* name_;
    std::optional<QByteArray> old_;
};

} // namespace veltor::test
