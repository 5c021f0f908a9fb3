#pragma once
// Waiting for what the event loop brings about, under GoogleTest. QtTest's
// QTRY_ macros report a timeout to QtTest's own log and return quietly,
// which GoogleTest never hears of: a test that waited in vain passed.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace veltor::test {

// Handles events until cond() holds or timeoutMs has passed; cond()'s last
// answer.
template <typename Cond> bool Soon(Cond&& cond, int timeoutMs = 5000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!cond()) {
        if (deadline.hasExpired())
            return cond();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(5);
    }
    return true;
}

} // namespace veltor::test

// Fails the test (and returns from the function) when cond has not come true
// within five seconds of event handling.
#define ASSERT_SOON(cond)                                                                          \
    ASSERT_TRUE(::veltor::test::Soon([&] { return bool(cond); })) << "never came true: " #cond
