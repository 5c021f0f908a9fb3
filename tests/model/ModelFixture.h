#pragma once
// The testing model built the way the main window builds it (under a loading
// component named main_frm), connected to this program's demo database.

#include "base/Exception.h"
#include "model/TestingModel.h"
#include "tests/support/Raised.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>

namespace veltor::test {

TestDatabase& ModelTestDatabase();

class ModelFixture : public ::testing::Test {
protected:
    ModelFixture();
    ~ModelFixture() override;

    // Attaches to the demo database with the test credentials.
    void Connect();

    TComponent form_;
    std::unique_ptr<TTestingModel> model_;
};

} // namespace veltor::test
