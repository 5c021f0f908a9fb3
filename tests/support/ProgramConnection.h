#pragma once
// A connection set up exactly as the program sets up its own (the model's
// connection: WIN1251, dialect 3, the client library's name), pointed at a
// test database with the tests' credentials, and its default transaction.

#include "fib/pFIBDatabase.h"
#include "tests/support/TestDatabase.h"

namespace veltor::test {

class ProgramConnection {
public:
    // rootName names the owner of the connection's components, for tests
    // that look at full component names.
    explicit ProgramConnection(const TestDatabase& database, const QString& rootName = QString());
    ProgramConnection(const ProgramConnection&) = delete;
    ProgramConnection& operator=(const ProgramConnection&) = delete;

    TComponent& Root() { return root_; }
    TpFIBDatabase& Db() { return *db_; }
    TpFIBTransaction& Tr() { return *tr_; }

private:
    TComponent root_;
    TpFIBDatabase* db_;
    TpFIBTransaction* tr_;
};

} // namespace veltor::test
