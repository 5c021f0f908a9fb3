// The table description cache: columns, defaults and format numbers read
// from the system tables once per table and database, shared by connections
// and threads.

#include "EditFixture.h"

#include "dataset/FIBTableDescriptions.h"
#include "fib/FIBQuery.h"

#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <memory>
#include <vector>

using namespace veltor::test;

namespace {

class TableDescriptions : public ::testing::Test {
protected:
    void SetUp() override { EditTestDatabase(); }
    TFIBTableDescriptions cache; // fresh for each case, so counts start at 0
};

TEST_F(TableDescriptions, DescribeReadsColumnsInOrderWithTheirDefaults) {
    EditConnection c;
    TFIBTableDescriptionPtr d;
    EXPECT_SQL(d = cache.Describe(c.Db(), QStringLiteral("DEFAULTS")));
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->IsProcedure);
    EXPECT_EQ(d->FormatNumber,
              EditTestDatabase().QueryInt(QStringLiteral(
                  "select rdb$format from rdb$relations where rdb$relation_name = 'DEFAULTS'")));

    struct Expected {
        const char* name;
        bool hasDefault;
        const char* text;
        bool computed;
        bool inWhere;
    };
    const Expected expected[] = {
        {"ID", false, "", false, true},
        {"S", true, "abc", false, true},
        {"E", true, "", false, true}, // '' is recorded as an empty-string default
        {"N", true, "5", false, true},
        {"F", true, "1.5", false, true},
        {"TS", true, "CURRENT_TIMESTAMP", false, true},
        {"DN", true, "domain's", false, true}, // the domain's default, unquoted
        {"DOWN", true, "own", false, true},    // the column's own default wins
        {"NL", true, "NULL", false, true},
        {"B", false, "", false, false}, // blobs never go into a WHERE clause
        {"PLAIN", false, "", false, true},
        {"C", false, "", true, true},
    };
    ASSERT_EQ(d->Columns.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const TFIBColumnDescription& col = d->Columns[i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(col.Name, QString::fromUtf8(expected[i].name));
        EXPECT_EQ(col.HasDefault, expected[i].hasDefault);
        EXPECT_EQ(col.DefaultText, QString::fromUtf8(expected[i].text));
        EXPECT_EQ(col.Computed, expected[i].computed);
        EXPECT_EQ(col.CanBeInWhere, expected[i].inWhere);
    }
    EXPECT_TRUE(d->FindColumn(QStringLiteral("S"))->DefaultIsLiteral);
    EXPECT_FALSE(d->FindColumn(QStringLiteral("NL"))->DefaultIsLiteral);
    EXPECT_FALSE(d->FindColumn(QStringLiteral("N"))->DefaultIsLiteral);
    EXPECT_TRUE(d->FindColumn(QStringLiteral("E"))->DefaultIsEmptyString());
    EXPECT_FALSE(d->FindColumn(QStringLiteral("S"))->DefaultIsEmptyString());
    EXPECT_EQ(d->FindColumn(QStringLiteral("DN"))->DomainName, QStringLiteral("D_NOTE"));
    EXPECT_EQ(d->FindColumn(QStringLiteral("S"))->CharsetId, 52) << "WIN1251";
    EXPECT_EQ(d->FindColumn(QStringLiteral("nothing")), nullptr);
    EXPECT_FALSE(c.Db().InternalTransaction()->Active()) << "the service transaction is ended";
}

// Read in the transaction that is already running rather than one of their
// own (a start and a commit, two round trips): a table created in that
// transaction and not yet committed is described with its columns.
TEST_F(TableDescriptions, AreReadInTheRunningTransaction) {
    EditConnection c;
    c.Tr().StartTransaction();
    TFIBQuery create(&c.Root());
    create.SetDatabase(&c.Db());
    create.SetTransaction(&c.Tr());
    create.SetSQLText(QStringLiteral("CREATE TABLE LATENCY_NEW (A INTEGER DEFAULT 7)"));
    EXPECT_SQL(create.ExecQuery());
    TFIBTableDescriptionPtr d;
    EXPECT_SQL(d = cache.Describe(c.Db(), QStringLiteral("LATENCY_NEW")));
    ASSERT_TRUE(d);
    ASSERT_EQ(d->Columns.size(), 1u);
    EXPECT_EQ(d->Columns[0].Name, QStringLiteral("A"));
    EXPECT_EQ(d->Columns[0].DefaultText, QStringLiteral("7"));
    EXPECT_FALSE(c.Db().InternalTransaction()->Active());
    EXPECT_TRUE(c.Tr().Active()) << "the running transaction goes on";
    c.Tr().Rollback();
}

TEST_F(TableDescriptions, AViewGetsItsRelationIdAndAProcedureItsOutputs) {
    EditConnection c;
    TFIBTableDescriptionPtr view;
    EXPECT_SQL(view = cache.Describe(c.Db(), QStringLiteral("FAKULTET_NAMES")));
    ASSERT_TRUE(view);
    EXPECT_EQ(view->FormatNumber,
              EditTestDatabase().QueryInt(QStringLiteral("select rdb$relation_id from "
                                                         "rdb$relations where rdb$relation_name "
                                                         "= 'FAKULTET_NAMES'")));
    ASSERT_EQ(view->Columns.size(), 2u);
    EXPECT_EQ(view->Columns[1].Name, QStringLiteral("NAZVA"));

    TFIBTableDescriptionPtr proc;
    EXPECT_SQL(proc = cache.Describe(c.Db(), QStringLiteral("TWICE")));
    ASSERT_TRUE(proc);
    EXPECT_TRUE(proc->IsProcedure);
    ASSERT_EQ(proc->Columns.size(), 2u) << "output parameters only";
    EXPECT_EQ(proc->Columns[0].Name, QStringLiteral("Y"));
    EXPECT_EQ(proc->Columns[1].Name, QStringLiteral("LABEL"));
}

TEST_F(TableDescriptions, EachTableIsReadOncePerDatabaseWhateverTheConnection) {
    EditConnection first;
    EditConnection second;
    TFIBTableDescriptionPtr a;
    TFIBTableDescriptionPtr b;
    TFIBTableDescriptionPtr quoted;
    EXPECT_SQL(a = cache.Describe(first.Db(), QStringLiteral("FAKULTET")));
    EXPECT_EQ(cache.QueryCount(), 2) << "the format query and the column query";
    EXPECT_SQL(b = cache.Describe(second.Db(), QStringLiteral("FAKULTET")));
    EXPECT_SQL(quoted = cache.Describe(first.Db(), QStringLiteral("\"FAKULTET\"")));
    EXPECT_EQ(cache.QueryCount(), 2) << "the second connection to the database shares it";
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, quoted);
    EXPECT_EQ(cache.Cached(first.Db().DBName(), QStringLiteral("FAKULTET")), a);
    EXPECT_EQ(cache.Cached(first.Db().DBName(), QStringLiteral("STUDENT")), nullptr);

    // A name that is neither a table nor a procedure is remembered as empty.
    TFIBTableDescriptionPtr none;
    EXPECT_SQL(none = cache.Describe(first.Db(), QStringLiteral("NO_SUCH_TABLE")));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->Columns.empty());
    EXPECT_FALSE(none->IsProcedure);
    EXPECT_EQ(cache.QueryCount(), 5) << "format, columns, then procedure parameters";
    EXPECT_SQL(cache.Describe(first.Db(), QStringLiteral("NO_SUCH_TABLE")));
    EXPECT_EQ(cache.QueryCount(), 5);
}

TEST_F(TableDescriptions, UsesAnActiveServiceTransactionAndLeavesItActive) {
    EditConnection c;
    TFIBTransaction* service = c.Db().InternalTransaction();
    service->StartTransaction();
    EXPECT_SQL(cache.Describe(c.Db(), QStringLiteral("STUDENT")));
    EXPECT_TRUE(service->Active()) << "a transaction it did not start is not its to end";
    service->Commit();
}

TEST_F(TableDescriptions, AClosedConnectionFailsAndRecordsNothing) {
    EditConnection c;
    c.Db().SetConnected(false);
    EXPECT_NE(MessageOf([&] { cache.Describe(c.Db(), QStringLiteral("FAKULTET")); }),
              QStringLiteral("(no exception)"));
    EXPECT_EQ(cache.Cached(c.Db().DBName(), QStringLiteral("FAKULTET")), nullptr);
    c.Db().SetConnected(true);
    TFIBTableDescriptionPtr d;
    EXPECT_SQL(d = cache.Describe(c.Db(), QStringLiteral("FAKULTET")));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Columns.size(), 3u);
}

// Several threads, each with a connection of its own, ask for the same new
// table at the same moment: the server is asked once, and every thread gets
// the one description. Run under AddressSanitizer by the test command.
TEST_F(TableDescriptions, ThreadsAskingAtOnceShareOneRead) {
    constexpr int kThreads = 4;
    std::latch connected(kThreads);
    std::vector<TFIBTableDescriptionPtr> got(kThreads);
    std::vector<QString> errors(kThreads);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back(QThread::create([&, i] {
            bool arrived = false;
            try {
                EditConnection c;
                arrived = true;
                connected.arrive_and_wait(); // all ask together
                got[i] = cache.Describe(c.Db(), QStringLiteral("DEFAULTS"));
                // Readers of an already loaded table alongside a writer.
                for (int n = 0; n < 50; ++n)
                    cache.Describe(c.Db(),
                                   n % 2 ? QStringLiteral("DEFAULTS") : QStringLiteral("STUDENT"));
            } catch (const Exception& e) {
                errors[i] = e.Message();
                if (!arrived)
                    connected.count_down();
            }
        }));
        threads.back()->start();
    }
    for (auto& t : threads)
        ASSERT_TRUE(t->wait(60000));
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(errors[i], QString()) << "thread " << i;
        ASSERT_TRUE(got[i]);
        EXPECT_EQ(got[i], got[0]) << "one shared description";
    }
    EXPECT_EQ(got[0]->Columns.size(), 12u);
    EXPECT_EQ(cache.QueryCount(), 4) << "one pair for DEFAULTS, one for STUDENT";
}

TEST(TableDescriptionDefaults, DefaultTextOfStripsKeywordAndQuotes) {
    struct Case {
        const char* source;
        const char* text;
    };
    const Case cases[] = {
        {"DEFAULT 0", "0"},
        {"default   'x y'  ", "x y"},
        {"DEFAULT ''", ""},
        {"DEFAULT 'it''s'", "it's"},
        {"DEFAULT \"dq\"", "dq"},
        {"DEFAULT _WIN1251 'abc'", "abc"}, // cut at the first quote
        {"DEFAULT CURRENT_DATE", "CURRENT_DATE"},
        {"DEFAULT 'unterminated", "unterminated"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TFIBTableDescriptions::DefaultTextOf(QString::fromUtf8(c.source)),
                  QString::fromUtf8(c.text))
            << c.source;
}

} // namespace
