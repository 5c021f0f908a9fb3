#pragma once
// Shared pieces of the connection-layer tests: the program's connection and
// transaction as the main window configures them, on a test database.

#include "fib/fib.h"
#include "fib/pFIBDatabase.h"
#include "tests/support/Raised.h"
#include "tests/support/TestDatabase.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace conn_test {

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

using veltor::test::ProgramDatabase;
using veltor::test::Raised;

} // namespace conn_test
