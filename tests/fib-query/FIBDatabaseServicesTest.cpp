// The connection's one-off statements: single values, generator values and
// the server time at connect, through cached statements.

#include "QueryFixture.h"

#include "fib/FIBQueryRegistry.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

TEST(FIBDatabaseServices, GeneratorValueUsesTheActiveTransactionAndLeavesItOpen) {
    Connection c;
    c.Tr().StartTransaction();
    int64_t first = 0;
    int64_t second = 0;
    EXPECT_SQL(first = c.Db().GeneratorValue(QStringLiteral("GEN_FAKULTET_ID"), 1));
    EXPECT_SQL(second = c.Db().GeneratorValue(QStringLiteral("GEN_FAKULTET_ID"), 1));
    EXPECT_EQ(second, first + 1);
    EXPECT_TRUE(c.Tr().Active()) << "the program's transaction is not committed";
    EXPECT_FALSE(c.Db().InternalTransaction()->Active());
    EXPECT_EQ(TFIBQueryRegistry::CachedCount(&c.Db()), 1 + 1) << "one generator statement "
                                                                 "and the server-time one";
    c.Tr().Rollback();
}

TEST(FIBDatabaseServices, GeneratorValueWithoutActiveTransactionCommitsItsOwn) {
    Connection c;
    int64_t value = 0;
    EXPECT_SQL(value = c.Db().GeneratorValue(QStringLiteral("GEN_STUDENT_ID"), 10));
    EXPECT_GT(value, 5);
    EXPECT_FALSE(c.Db().InternalTransaction()->Active());
    EXPECT_FALSE(c.Tr().Active());
}

TEST(FIBDatabaseServices, SelectValueReadsAColumnOrAllColumns) {
    Connection c;
    QVariant count;
    EXPECT_SQL(count = c.Db().SelectValue(QStringLiteral("select count(*) from FAKULTET")));
    EXPECT_EQ(count.toLongLong(), 3);
    EXPECT_FALSE(c.Db().InternalTransaction()->Active()) << "committed after use";
    QVariant row;
    EXPECT_SQL(row = c.Db().SelectValue(
                   QStringLiteral("select F_ID, KNAZVA from FAKULTET where F_ID = 2"), -1));
    const QVariantList items = row.toList();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].toInt(), 2);
    EXPECT_EQ(items[1].toString(), QString::fromUtf8("ФФ"));
    const QString bad = MessageOf([&] { c.Db().SelectValue(QStringLiteral("select nothing")); });
    EXPECT_NE(bad, QStringLiteral("(no exception)"));
    EXPECT_FALSE(c.Db().InternalTransaction()->Active()) << "rolled back after the failure";
}

// A failed lookup in the caller's running transaction rolled it back, and
// with it every uncommitted change of the caller.
TEST(FIBDatabaseServices, FailedSelectValueRollsBackOnlyATransactionItStarted) {
    Connection c;
    c.Tr().StartTransaction();
    EXPECT_SQL(c.Query(QStringLiteral("INSERT INTO FAKULTET VALUES (90, 'Незбережений', 'Н')"))
                   ->ExecQuery());
    const QString bad =
        MessageOf([&] { c.Db().SelectValue(QStringLiteral("select nothing"), 0, &c.Tr()); });
    EXPECT_NE(bad, QStringLiteral("(no exception)"));
    ASSERT_TRUE(c.Tr().Active()) << "the caller's transaction is left running";
    QVariant kept;
    EXPECT_SQL(kept = c.Db().SelectValue(
                   QStringLiteral("select count(*) from FAKULTET where F_ID = 90"), 0, &c.Tr()));
    EXPECT_EQ(kept.toInt(), 1) << "the uncommitted insert is still there";
    c.Tr().Rollback();

    // Started for the lookup, the same transaction is rolled back again.
    MessageOf([&] { c.Db().SelectValue(QStringLiteral("select nothing"), 0, &c.Tr()); });
    EXPECT_FALSE(c.Tr().Active());
}

TEST(FIBDatabaseServices, ConnectMeasuresTheServerTimeOffset) {
    Connection c;
    // The server runs on this machine: the offset is the time the query took.
    EXPECT_LT(std::abs(c.Db().ServerTimeOffset()), 5.0 / 86400);
    QVariant now;
    EXPECT_SQL(now = c.Db().SelectValue(
                   QStringLiteral("SELECT CAST('NOW' AS TIMESTAMP) from RDB$DATABASE")));
    EXPECT_LT(std::abs(now.toDateTime().secsTo(QDateTime::currentDateTime())), 5);
}

TEST(FIBDatabaseServices, CachedStatementsAreKeyedByTrimmedTextAndReused) {
    Connection c;
    TFIBQuery* first =
        TFIBQueryRegistry::Acquire(&c.Db(), &c.Tr(), QStringLiteral("select 1 from rdb$database"));
    TFIBQuery* busy =
        TFIBQueryRegistry::Acquire(&c.Db(), &c.Tr(), QStringLiteral("select 1 from rdb$database"));
    EXPECT_NE(first, busy) << "a statement in use is not handed out twice";
    c.Tr().StartTransaction();
    EXPECT_SQL(first->ExecQuery());
    TFIBQueryRegistry::Release(first);
    TFIBQueryRegistry::Release(busy);
    TFIBQuery* again = TFIBQueryRegistry::Acquire(
        &c.Db(), c.Db().InternalTransaction(), QStringLiteral("  select 1 from rdb$database\r\n"));
    EXPECT_TRUE(again == first || again == busy);
    EXPECT_EQ(again->Transaction(), c.Db().InternalTransaction()) << "its transaction replaced";
    EXPECT_FALSE(again->Open()) << "its cursor closed";
    TFIBQueryRegistry::Release(again);
    c.Tr().Rollback();

    // A text written with bare line feeds is found again under the same key.
    const int before = TFIBQueryRegistry::CachedCount(&c.Db());
    for (int i = 0; i < 3; ++i)
        EXPECT_SQL(c.Db().SelectValue(QStringLiteral("select 2\nfrom rdb$database")));
    EXPECT_EQ(TFIBQueryRegistry::CachedCount(&c.Db()), before + 1);
}

} // namespace
