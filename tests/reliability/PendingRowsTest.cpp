// A row being typed in a detail grid (a faculty's students, a discipline's
// tests) when the user chooses another master row: it is stored under the
// master row it was typed for before the master moves, or, when the server
// refuses it, the master stays and the typed values with it.

#include "tests/reliability/Sitting.h"
#include "tests/support/PrintQString.h"

using namespace veltor::test;

namespace {

// One master grid over one detail grid, in the view that shows them.
struct MasterDetail {
    const char* name;
    bool disciplines; // the disciplines view, else the students view
    TDBGrid* Tmain_frm::*master;
    const char* masterKey;
    TDBGrid* Tmain_frm::*detail;
    TsDBNavigator* Tmain_frm::*navigator; // the detail's
    const char* detailKey;                // the detail's key column
    const char* typedColumn;              // a column the test types into
    const char* detailTable;              // the detail's table, its key and its master column
    const char* tableKey;
    const char* masterColumn;
};

void PrintTo(const MasterDetail& p, std::ostream* os) {
    *os << p.name;
}

const MasterDetail kPairs[] = {
    {"students", false, &Tmain_frm::faculty_db, "F_ID", &Tmain_frm::student_db,
     &Tmain_frm::student_navigator, "S_ID", "FAMILIYA", "student", "s_id", "f_id"},
    {"tests", true, &Tmain_frm::discipline_grid, "D_ID", &Tmain_frm::d_test_grid,
     &Tmain_frm::test_navigator, "T_ID", "NAZVA", "test", "t_id", "d_id"},
};

class PendingRows : public Sitting, public testing::WithParamInterface<MasterDetail> {
protected:
    void StartInView() {
        Start();
        if (GetParam().disciplines)
            ShowDisciplines();
    }
    TDBGrid* Master() const { return main_frm->*GetParam().master; }
    TDBGrid* Detail() const { return main_frm->*GetParam().detail; }
    static void Click(TDBGrid* grid, int col, int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(col, row).center());
        QCoreApplication::processEvents();
    }
    QString Stored(const QString& column, const QString& key) const {
        const MasterDetail& p = GetParam();
        return Query(QStringLiteral("select %1 from %2 where %3 = %4")
                         .arg(column, p.detailTable, p.tableKey, key));
    }
};

TEST_P(PendingRows, AnEditedDetailRowIsStoredBeforeTheMasterMoves) {
    StartInView();
    const QString key = Current(Detail(), GetParam().detailKey);
    Press(main_frm->*GetParam().navigator, TNavigateBtn::nbEdit); // the tests' source does not
    EditCell(Detail(), GetParam().typedColumn);
    Type(Detail(), QStringLiteral("Змінено перед переходом"));

    Click(Master(), 1, 1);
    EXPECT_TRUE(Errors().isEmpty()) << ErrorList();
    EXPECT_EQ(Current(Master(), GetParam().masterKey), QStringLiteral("2")) << "the master moved";
    ShowResults(); // commits what was posted
    EXPECT_EQ(Stored(GetParam().typedColumn, key), QStringLiteral("Змінено перед переходом"));
    EXPECT_EQ(Stored(GetParam().masterColumn, key), QStringLiteral("1"));
}

TEST_P(PendingRows, ANewDetailRowIsStoredUnderTheMasterItWasTypedFor) {
    StartInView();
    Detail()->setFocus();
    Keys(Detail(), Qt::Key_Insert);
    ASSERT_EQ(Detail()->DataLink().DataSet()->State(), stInsert);
    // A student's key comes from the generator; a test's is typed.
    const QString key =
        GetParam().disciplines ? QStringLiteral("77") : Current(Detail(), GetParam().detailKey);
    if (GetParam().disciplines) {
        EditCell(Detail(), "T_ID");
        Type(Detail(), key);
    }
    EditCell(Detail(), GetParam().typedColumn);
    Type(Detail(), QStringLiteral("Новий рядок"));

    Click(Master(), 1, 1);
    EXPECT_TRUE(Errors().isEmpty()) << ErrorList();
    EXPECT_EQ(Current(Master(), GetParam().masterKey), QStringLiteral("2"));
    ShowResults();
    EXPECT_EQ(Stored(GetParam().typedColumn, key), QStringLiteral("Новий рядок"));
    EXPECT_EQ(Stored(GetParam().masterColumn, key), QStringLiteral("1"));
}

TEST_P(PendingRows, AnUntouchedNewDetailRowIsDroppedAndTheMasterMoves) {
    StartInView();
    const MasterDetail& p = GetParam();
    const int before = db->QueryInt(QStringLiteral("select count(*) from %1").arg(p.detailTable));
    Detail()->setFocus();
    Keys(Detail(), Qt::Key_Insert);
    ASSERT_EQ(Detail()->DataLink().DataSet()->State(), stInsert);
    Click(Master(), 1, 1);
    EXPECT_TRUE(Errors().isEmpty()) << ErrorList();
    EXPECT_EQ(Detail()->DataLink().DataSet()->State(), stBrowse);
    ShowResults(); // commits
    EXPECT_EQ(db->QueryInt(QStringLiteral("select count(*) from %1").arg(p.detailTable)), before);
}

INSTANTIATE_TEST_SUITE_P(Views, PendingRows, testing::ValuesIn(kPairs),
                         [](const auto& info) { return std::string(info.param.name); });

class PendingRowsRefused : public Sitting {
protected:
    static void Click(TDBGrid* grid, int col, int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(col, row).center());
        QCoreApplication::processEvents();
    }
};

TEST_F(PendingRowsRefused, ARefusedDetailRowKeepsTheMasterAndTheTypedValues) {
    Start();
    ShowDisciplines();
    // The second test of the first discipline has no results to hold its key.
    main_frm->test_dataset->Locate(QStringLiteral("T_ID"), Variant(2), {});
    ASSERT_EQ(Current(main_frm->d_test_grid, "T_ID"), QStringLiteral("2"));
    Press(main_frm->test_navigator, TNavigateBtn::nbEdit);
    EditCell(main_frm->d_test_grid, "T_ID");
    Type(main_frm->d_test_grid, QStringLiteral("3")); // another test's key

    Click(main_frm->discipline_grid, 1, 1);
    ASSERT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_THAT(Errors()[0].toStdString(), testing::HasSubstr("PK_TEST"));
    EXPECT_EQ(Current(main_frm->discipline_grid, "D_ID"), QStringLiteral("1")) << "did not move";
    EXPECT_EQ(main_frm->test_dataset->State(), stEdit);
    EXPECT_EQ(Current(main_frm->d_test_grid, "T_ID"), QStringLiteral("3"));

    // Put right, the row goes in and the move goes on.
    EditCell(main_frm->d_test_grid, "T_ID");
    Type(main_frm->d_test_grid, QStringLiteral("41"));
    Click(main_frm->discipline_grid, 1, 1);
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(Current(main_frm->discipline_grid, "D_ID"), QStringLiteral("2"));
    ShowResults();
    EXPECT_EQ(db->QueryInt(QStringLiteral("select d_id from test where t_id = 41")), 1);
}

TEST_F(PendingRowsRefused, ANewFacultyAndAStudentTypedUnderItAreBothStored) {
    Start();
    main_frm->faculty_db->setFocus();
    Keys(main_frm->faculty_db, Qt::Key_Insert);
    ASSERT_EQ(main_frm->faculty_dataset->State(), stInsert);
    const QString faculty = Current(main_frm->faculty_db, "F_ID");
    EditCell(main_frm->faculty_db, "NAZVA");
    Type(main_frm->faculty_db, QStringLiteral("Факультет нових студентів"));

    main_frm->student_db->setFocus();
    Keys(main_frm->student_db, Qt::Key_Insert);
    ASSERT_EQ(main_frm->student_dataset->State(), stInsert);
    const QString student = Current(main_frm->student_db, "S_ID");
    EditCell(main_frm->student_db, "FAMILIYA");
    Type(main_frm->student_db, QStringLiteral("Першокурсник"));

    Click(main_frm->faculty_db, 1, 1); // the first faculty, below the new one
    EXPECT_TRUE(Errors().isEmpty()) << ErrorList();
    EXPECT_EQ(Current(main_frm->faculty_db, "F_ID"), QStringLiteral("1"));
    EXPECT_EQ(main_frm->faculty_dataset->State(), stBrowse);
    EXPECT_EQ(main_frm->student_dataset->State(), stBrowse);
    ShowResults();
    EXPECT_EQ(Query("select nazva from fakultet where f_id = " + faculty),
              QStringLiteral("Факультет нових студентів"));
    EXPECT_EQ(Query("select familiya from student where s_id = " + student),
              QStringLiteral("Першокурсник"));
    EXPECT_EQ(Query("select f_id from student where s_id = " + student), faculty);
}

// As a user does it with the mouse: the focus stays in the students grid
// while the faculty navigator adds a faculty, so the faculty grid never
// loses the focus over its untouched new row; the student typed under it
// must not go with it when a faculty row is clicked, also when the faculty
// grid's cell editor, still open from before, hides under the click.
TEST_F(PendingRowsRefused, AStudentTypedUnderAnUntouchedNewFacultyIsNotDropped) {
    Start();
    TDBGrid* faculties = main_frm->faculty_db;
    TDBGrid* students = main_frm->student_db;
    const auto click = [](TDBGrid* grid, const char* field, int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->CellRect(ColumnOf(grid, field), row).center());
        QCoreApplication::processEvents();
    };
    // A click on the current faculty's name opens its cell editor; a new
    // faculty left untouched goes when the user clicks into the students.
    click(faculties, "NAZVA", 0);
    click(faculties, "NAZVA", 0);
    Press(main_frm->faculty_navigator, TNavigateBtn::nbInsert);
    click(students, "FAMILIYA", 0);
    Keys(students, Qt::Key_Escape);
    ASSERT_EQ(main_frm->faculty_dataset->State(), stBrowse);

    // Added again from the navigator, with the focus among the students.
    Press(main_frm->faculty_navigator, TNavigateBtn::nbInsert);
    ASSERT_EQ(main_frm->faculty_dataset->State(), stInsert);
    const QString faculty = Current(faculties, "F_ID");
    Type(students, QStringLiteral("Ткачук")); // typing starts the new row
    ASSERT_EQ(main_frm->student_dataset->State(), stInsert);
    const QString student = Current(students, "S_ID");

    click(faculties, "NAZVA", 2);
    ShowResults();
    const bool refused = !Errors().isEmpty();
    const QString stored =
        Query("select count(*) from student where s_id = " + student + " and f_id = " + faculty);
    // Either both are stored, or the refusal is shown and the typed row is
    // still there to put right; never neither without a word.
    EXPECT_TRUE(stored == QStringLiteral("1") || refused) << ErrorList();
}

} // namespace
