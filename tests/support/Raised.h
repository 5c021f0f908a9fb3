#pragma once
// What did it raise: the tests' one way of catching what an operation raises.

#include "base/Exception.h"
#include "fib/fib.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace veltor::test {

// Runs f, which must raise E; returns a copy of it. Anything else raised, or
// nothing, fails the test.
template <typename E, typename F> E Raised(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    } catch (const Exception& e) {
        ADD_FAILURE() << "other exception: " << e.what();
        throw;
    }
    ADD_FAILURE() << "nothing raised";
    throw std::runtime_error("nothing raised");
}

// The client error number an operation raises, or -100 when it raises none.
template <typename F> int ClientErrorOf(F&& f) {
    try {
        f();
    } catch (const EFIBClientError& e) {
        return e.SQLErrorCode();
    }
    return -100;
}

// Runs an operation and returns the message of what it raised.
template <typename F> QString MessageOf(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("(no exception)");
}

} // namespace veltor::test

// A statement that must not raise; what it raises fails the case with its
// message, and the case goes on.
#define EXPECT_SQL(statement)                                                                      \
    try {                                                                                          \
        statement;                                                                                 \
    } catch (const Exception& e) {                                                                 \
        ADD_FAILURE() << #statement << ": " << e.Message().toStdString();                          \
    }
