// The internal transaction's idle timer, driven by a Qt event loop.

#include "tests/fib-conn/ConnTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

using namespace conn_test;

namespace {

QCoreApplication& Application() {
    static int argc = 1;
    static char name[] = "conn_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

} // namespace

TEST(IdleTimer, InternalTransactionEndsBetweenOneAndTwoSecondsAfterItsLastCall) {
    Application();
    ProgramComponents p(ProgramDatabase().ConnectionString());
    ASSERT_NO_THROW(p.database->Connect());
    TFIBTransaction* internal = p.database->InternalTransaction();
    EXPECT_EQ(internal->Timeout(), 1000u);
    EXPECT_EQ(internal->TimeoutAction(), TACommit);

    std::vector<TTransactionAction> ended;
    const TListenerRegistration listener =
        internal->AfterEndListeners().Add([&](TFIBTransaction*, TTransactionAction a, bool force) {
            EXPECT_TRUE(force);
            ended.push_back(a);
        });
    internal->StartTransaction();
    EXPECT_TRUE(internal->IdleTimerRunning());

    // Keep it busy for a while: calls clear the idle mark.
    QElapsedTimer sinceLastCall;
    QEventLoop loop;
    for (int i = 0; i < 6; ++i) {
        QTimer::singleShot(250, &loop, &QEventLoop::quit);
        loop.exec();
        ASSERT_TRUE(internal->Active()) << "ended while in use, after call " << i;
        internal->StatusCheck(0, false);
        sinceLastCall.start();
    }
    while (internal->Active() && sinceLastCall.elapsed() < 3000) {
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const qint64 idle = sinceLastCall.elapsed();
    EXPECT_FALSE(internal->Active());
    EXPECT_GE(idle, 1000);
    EXPECT_LE(idle, 2100);
    EXPECT_EQ(ended, std::vector<TTransactionAction>({TACommit}));
    EXPECT_FALSE(internal->IdleTimerRunning());
}

TEST(IdleTimer, ProgramTransactionHasNoTimer) {
    Application();
    ProgramComponents p(ProgramDatabase().ConnectionString());
    p.database->Connect();
    p.transaction->StartTransaction();
    EXPECT_FALSE(p.transaction->IdleTimerRunning());
    p.transaction->Commit();
}

TEST(IdleTimer, AFailureInAnIdleTickGoesToTheBackgroundErrorHandler) {
    Application();
    std::vector<QString> reported;
    SetBackgroundErrorHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const Exception& e) {
            reported.push_back(e.Message());
        }
    });
    {
        ProgramComponents p(ProgramDatabase().ConnectionString());
        p.database->Connect();
        TFIBTransaction* internal = p.database->InternalTransaction();
        internal->OnTimeout = [](TFIBTransaction*) { throw Exception("timeout handler failed"); };
        internal->StartTransaction();
        QElapsedTimer waited;
        waited.start();
        QEventLoop loop;
        while (reported.empty() && waited.elapsed() < 3000) {
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
        EXPECT_FALSE(internal->Active());
    }
    SetBackgroundErrorHandler(nullptr);
    EXPECT_EQ(reported, std::vector<QString>({"timeout handler failed"}));
}
