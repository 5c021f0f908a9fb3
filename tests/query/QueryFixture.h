#pragma once
// A connection to the program's test database, configured as the program
// configures its own (WIN1251, dialect 3), with its transaction.

#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>
#include <memory>

namespace veltor::test {

// One database per test program, with the fixture rows and a table of every
// column type.
TestDatabase& QueryTestDatabase();

class Connection {
public:
    Connection();
    TComponent& Root() { return root_; }
    TFIBDatabase& Db() { return *db_; }
    TFIBTransaction& Tr() { return *tr_; }
    // A statement of the connection with the given text.
    std::unique_ptr<TFIBQuery> Query(const QString& text, TComponent* owner = nullptr);

private:
    TComponent root_;
    TFIBDatabase* db_;
    TFIBTransaction* tr_;
};

// A test with a connected Connection whose transaction is started before
// and rolled back after each case, so cases leave no rows behind.
class ConnectedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<Connection> c;
};

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

#define EXPECT_SQL(statement)                                                                      \
    try {                                                                                          \
        statement;                                                                                 \
    } catch (const Exception& e) {                                                                 \
        ADD_FAILURE() << #statement << ": " << e.Message().toStdString();                          \
    }
