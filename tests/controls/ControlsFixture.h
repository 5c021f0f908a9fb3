#pragma once
// The faculty view of the program on a test database: a connection, the
// faculty dataset with its statements and declared fields, its data source,
// a grid and a navigator on a shown window, and a line edit to move the focus
// to. Each test runs in a transaction that is rolled back afterwards.

#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"
#include "dataset/pFIBDataSet.h"
#include "fib/FIBDatabase.h"
#include "tests/support/ProgramConnection.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"

#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace veltor::test {

// Types text as a person would: each character goes to whichever widget has
// the focus when it is typed (the grid hands over to its editor).
void TypeText(const QString& text);

// One database with the fixture rows for the whole test program.
TestDatabase& ControlsTestDatabase();

// Where test programs leave pictures for people to look at.
QString ArtefactDir();

class FacultyView {
public:
    FacultyView();
    ~FacultyView();

    // Declared before root so that the datasets go before their connection.
    ProgramConnection connection;
    TComponent root;
    TFIBDatabase* db = nullptr;
    TFIBTransaction* tr = nullptr;
    TpFIBDataSet* ds = nullptr;
    TDataSource* source = nullptr;
    TFIBIntegerField* fId = nullptr;
    TFIBStringField* fName = nullptr;
    TFIBStringField* fShort = nullptr;

    QWidget window;
    TDBGrid* grid = nullptr;
    TsDBNavigator* navigator = nullptr;
    QLineEdit* elsewhere = nullptr;

    // Opens the dataset and gives the grid the focus.
    void Open();
    // F_ID of the current record; -1 when null (a new record).
    int CurrentId() const;
};

// A select over the same table that cannot be modified (no modifying
// statements), as the results view's dataset.
std::unique_ptr<TpFIBDataSet> ReadOnlyFaculties(FacultyView& view);

class FacultyViewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<FacultyView> v;
    std::unique_ptr<ScriptedDialogs> dialogs;
};

} // namespace veltor::test
