#pragma once
// A connection to one test database per program (the fixture rows plus a
// table of many rows of every kind of column), and datasets over it.

#include "dataset/pFIBDataSet.h"
#include "tests/support/ProgramConnection.h"
#include "tests/support/Raised.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace veltor::test {

// Rows in MANY_ROWS; the values of row id are given by the functions below.
constexpr int kManyRows = 100000;
TestDatabase& DataSetTestDatabase();

// What MANY_ROWS holds for a row id (see DataSetFixture.cpp).
QString ExpectedT12(int id); // VARCHAR(12), null every 7th row
QString ExpectedT13(int id); // VARCHAR(13), null every 11th row
bool ExpectedNumNull(int id);
double ExpectedNum(int id);   // NUMERIC(9,2)
double ExpectedDate(int id);  // DATE, as a program date-time
double ExpectedStamp(int id); // TIMESTAMP

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A dataset of the form with this select (not opened).
    TpFIBDataSet* NewDataSet(const QString& select, const QString& name = QStringLiteral("ds"));

    // Declared first so that the datasets of the form go before their
    // connection.
    std::unique_ptr<ProgramConnection> connection;
    TComponent form;
    TFIBDatabase* db = nullptr;
    TFIBTransaction* tr = nullptr;
};

} // namespace veltor::test
