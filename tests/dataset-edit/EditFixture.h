#pragma once
// The editing tests' database: the program's schema with the known fixture
// rows, plus a table whose columns carry defaults of every kind, a view and
// a stored procedure; and a connection configured as the program's own.

#include "tests/support/ProgramConnection.h"
#include "tests/support/Raised.h"

#include <gtest/gtest.h>

namespace veltor::test {

TestDatabase& EditTestDatabase();

class EditConnection : public ProgramConnection {
public:
    EditConnection() : ProgramConnection(EditTestDatabase()) {}
};

} // namespace veltor::test
