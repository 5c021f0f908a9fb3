// A transaction that a piece of work starts only when it is not running:
// a failure rolls back only what was started for the work, Commit ends only
// that, Keep leaves it to the caller, and a rollback that fails on the way
// out does not replace the work's own error.

#include "QueryFixture.h"

#include "fib/FIBDatabase.h"
#include "fib/FIBQueryRegistry.h"

#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

// Rows of these tests are kept apart from the other cases' by their keys,
// and what a case commits is deleted again.
constexpr int kFirstKey = 9100;

long long CommittedRows(int key) {
    return QueryTestDatabase().QueryInt(
        QStringLiteral("select count(*) from TYPES where ID = %1").arg(key));
}

void DeleteCommittedRows() {
    QueryTestDatabase().Isql(
        QStringLiteral("DELETE FROM TYPES WHERE ID >= %1;\nCOMMIT;\n").arg(kFirstKey));
}

void Insert(Connection& c, int key) {
    c.Query(QStringLiteral("INSERT INTO TYPES (ID) VALUES (%1)").arg(key))->ExecQuery();
}

// Rows of a key that the connection's own transaction sees.
int VisibleRows(Connection& c, int key) {
    auto q = c.Query(QStringLiteral("select count(*) from TYPES where ID = %1").arg(key));
    q->ExecQuery();
    return q->Fields(0).AsInteger();
}

struct RunningCase {
    const char* name;
    bool running; // the caller's transaction was running before the work
};
const RunningCase kRunningCases[] = {{"started for the work", false},
                                     {"the caller's, already running", true}};

TEST(TransactionScope, AFailureRollsBackOnlyATransactionStartedForTheWork) {
    for (const RunningCase& k : kRunningCases) {
        SCOPED_TRACE(k.name);
        const int key = kFirstKey + 1;
        Connection c;
        if (k.running)
            c.Tr().StartTransaction();
        const QString error = MessageOf([&] {
            TTransactionScope scope(&c.Tr());
            EXPECT_EQ(scope.Started(), !k.running);
            Insert(c, key);
            c.Query(QStringLiteral("select NOTHING from TYPES"))->ExecQuery();
            scope.Commit();
        });
        EXPECT_TRUE(error.contains(QStringLiteral("NOTHING"))) << error.toStdString();
        ASSERT_EQ(c.Tr().Active(), k.running);
        if (k.running) {
            EXPECT_EQ(VisibleRows(c, key), 1) << "the caller's uncommitted insert stays";
            c.Tr().Rollback();
        } else {
            c.Tr().StartTransaction();
            EXPECT_EQ(VisibleRows(c, key), 0) << "the work's insert was rolled back";
            c.Tr().Rollback();
        }
    }
}

TEST(TransactionScope, CommitEndsOnlyATransactionStartedForTheWork) {
    for (const RunningCase& k : kRunningCases) {
        SCOPED_TRACE(k.name);
        const int key = kFirstKey + 2;
        {
            Connection c;
            if (k.running)
                c.Tr().StartTransaction();
            auto cursor = c.Query(QStringLiteral("select ID from TYPES"));
            {
                TTransactionScope scope(&c.Tr());
                Insert(c, key);
                cursor->ExecQuery();
                EXPECT_SQL(scope.Commit(cursor.get()));
            }
            EXPECT_EQ(c.Tr().Active(), k.running);
            EXPECT_EQ(cursor->Open(), k.running) << "closed only before its own commit";
            EXPECT_EQ(CommittedRows(key), k.running ? 0 : 1);
            if (k.running)
                c.Tr().Rollback();
        }
        DeleteCommittedRows();
    }
}

TEST(TransactionScope, KeepLeavesATransactionStartedForTheWorkRunning) {
    const int key = kFirstKey + 3;
    Connection c;
    {
        TTransactionScope scope(&c.Tr());
        ASSERT_TRUE(scope.Started());
        Insert(c, key);
        scope.Keep();
    }
    ASSERT_TRUE(c.Tr().Active());
    EXPECT_EQ(VisibleRows(c, key), 1);
    EXPECT_EQ(CommittedRows(key), 0);
    c.Tr().Rollback();
}

// The connection's handler refuses the rollback: leaving the scope must not
// throw from the destructor while the work's error is on its way (that would
// end the program), and that error is what the caller sees.
TEST(TransactionScope, ARefusedRollbackDoesNotReplaceTheWorksError) {
    const int key = kFirstKey + 4;
    Connection c;
    int refusals = 0;
    c.Db().BeforeEndTransaction = [&](TFIBTransaction*, TTransactionAction action, bool) {
        if (action == TARollback) {
            ++refusals;
            throw Exception(QStringLiteral("rollback refused"));
        }
    };
    const QString error = MessageOf([&] {
        TTransactionScope scope(&c.Tr());
        Insert(c, key);
        c.Query(QStringLiteral("select NOTHING from TYPES"))->ExecQuery();
    });
    EXPECT_EQ(refusals, 1) << "the rollback was tried";
    EXPECT_TRUE(error.contains(QStringLiteral("NOTHING"))) << error.toStdString();
    c.Db().BeforeEndTransaction = nullptr;
    ASSERT_TRUE(c.Tr().Active()) << "the refused rollback left it running";
    c.Tr().Rollback();
    EXPECT_EQ(CommittedRows(key), 0);
}

} // namespace

// What a view switch asks before it commits: whether anything has been sent
// in the transaction since it started. A failed statement counts too.
TEST(TransactionUse, OnlyACallMadeInTheTransactionSinceItStartedCounts) {
    Connection c;
    c.Tr().StartTransaction();
    EXPECT_FALSE(c.Tr().Used()) << "just started";
    auto q = c.Query(QStringLiteral("select count(*) from TYPES"));
    q->Prepare();
    EXPECT_TRUE(c.Tr().Used()) << "a prepare";
    c.Tr().Commit();
    c.Tr().StartTransaction();
    EXPECT_FALSE(c.Tr().Used()) << "started again after the commit";
    EXPECT_FALSE(MessageOf([&] {
                     c.Query(QStringLiteral("select NOTHING from TYPES"))->ExecQuery();
                 }).isEmpty());
    EXPECT_TRUE(c.Tr().Used()) << "a refused statement";
    c.Tr().Rollback();
}
