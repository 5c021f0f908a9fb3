#pragma once
// The editing tests' database: the program's schema with the known fixture
// rows, plus a table whose columns carry defaults of every kind, a view and
// a stored procedure; and a connection configured as the program's own
// (WIN1251, dialect 3).

#include "base/Exception.h"
#include "fib/FIBDatabase.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace veltor::test {

TestDatabase& EditTestDatabase();

class EditConnection {
public:
    EditConnection();
    TComponent& Root() { return root_; }
    TFIBDatabase& Db() { return *db_; }
    TFIBTransaction& Tr() { return *tr_; }

private:
    TComponent root_;
    TFIBDatabase* db_;
    TFIBTransaction* tr_;
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
