#pragma once
// A connection to the program's test database, configured as the program
// configures its own, with its transaction.

#include "fib/FIBQuery.h"
#include "tests/support/ProgramConnection.h"
#include "tests/support/Raised.h"

#include <gtest/gtest.h>
#include <memory>

namespace veltor::test {

// One database per test program, with the fixture rows and a table of every
// column type.
TestDatabase& QueryTestDatabase();

class Connection : public ProgramConnection {
public:
    Connection() : ProgramConnection(QueryTestDatabase()) {}
    // A statement of the connection with the given text.
    std::unique_ptr<TFIBQuery> Query(const QString& text, TComponent* owner = nullptr);
};

// A test with a connected Connection whose transaction is started before
// and rolled back after each case, so cases leave no rows behind.
class ConnectedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<Connection> c;
};

} // namespace veltor::test
