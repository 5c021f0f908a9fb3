#pragma once
// Shared pieces of the connection-layer tests: the program's connection and
// transaction as the main window configures them, on a test database.

#include "fib/fib.h"
#include "fib/pFIBDatabase.h"
#include "tests/support/TestDatabase.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace conn_test {

// One schema-only database for the whole test program.
veltor::test::TestDatabase& SharedDatabase();

// main_frm with DataBase and Transaction configured as the program does.
struct ProgramComponents {
    explicit ProgramComponents(const QString& dbName);
    ~ProgramComponents();
    std::unique_ptr<TComponent> form;
    TpFIBDatabase* database;
    TpFIBTransaction* transaction;
};

std::vector<int> Bytes(const QByteArray& bytes);
std::vector<int> Bytes(std::initializer_list<int> bytes);

// Runs f, which must raise an EFIBError-derived E; returns a copy of it.
template <typename E, typename F> E Raised(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    } catch (const Exception& e) {
        ADD_FAILURE() << "other exception: " << e.what();
        throw;
    }
    ADD_FAILURE() << "nothing raised";
    throw std::runtime_error("nothing raised");
}

} // namespace conn_test
