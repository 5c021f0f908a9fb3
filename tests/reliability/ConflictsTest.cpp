// The server refuses what the user asks: a row locked or deleted by another
// connection, a key the table already holds, a student whose results still
// point at them. Each refusal is shown once with the server's words, what was
// typed stays for another try, and the database holds only what was accepted.

#include "tests/reliability/Sitting.h"
#include "tests/support/PrintQString.h"

using namespace veltor::test;

namespace {

class Conflicts : public Sitting {};

// "lock conflict on no wait transaction" and the like.
bool SaysConflict(const QString& text) {
    return text.contains(QStringLiteral("conflict"), Qt::CaseInsensitive) ||
           text.contains(QStringLiteral("deadlock"), Qt::CaseInsensitive);
}

TEST_F(Conflicts, RowLockedByAnotherConnectionRefusesTheFirstPostAndTakesTheSecond) {
    Start();
    ProgramCopy other(*db);
    TpFIBDataSet& theirs = other.Faculty(1);
    theirs.Edit();
    theirs.FieldByName("KNAZVA")->SetAsString(QStringLiteral("Їхня"));
    theirs.Post(); // holds the row until its transaction ends

    EditCell(main_frm->faculty_db, "KNAZVA");
    Type(main_frm->faculty_db, QStringLiteral("Наша"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    ASSERT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_TRUE(SaysConflict(Errors()[0])) << ErrorList();
    EXPECT_EQ(main_frm->faculty_dataset->State(), stEdit);
    EXPECT_EQ(Current(main_frm->faculty_db, "KNAZVA"), QStringLiteral("Наша"));

    other.model->Transaction->Commit();
    EXPECT_EQ(Query("select knazva from fakultet where f_id = 1"), QStringLiteral("Їхня"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(main_frm->faculty_dataset->State(), stBrowse);
    ShowDisciplines();
    EXPECT_EQ(Query("select knazva from fakultet where f_id = 1"), QStringLiteral("Наша"));
}

TEST_F(Conflicts, TwoCopiesEditingOneFacultyKeepEachOthersCommittedChange) {
    Start();
    ProgramCopy other(*db, "second_frm");
    TpFIBDataSet& theirs = other.Faculty(2);
    theirs.Edit();
    theirs.FieldByName("NAZVA")->SetAsString(QStringLiteral("Фізичний факультет (змінено)"));
    theirs.Post();

    main_frm->faculty_dataset->Locate(QStringLiteral("F_ID"), Variant(2), {});
    EditCell(main_frm->faculty_db, "KNAZVA");
    Type(main_frm->faculty_db, QStringLiteral("ФізФак"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    ASSERT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_TRUE(SaysConflict(Errors()[0])) << ErrorList();

    other.model->Transaction->Commit(); // the second copy switches its view
    ShowDisciplines();                  // and so does the first: its row is posted
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(Query("select knazva from fakultet where f_id = 2"), QStringLiteral("ФізФак"));
    EXPECT_EQ(Query("select nazva from fakultet where f_id = 2"),
              QStringLiteral("Фізичний факультет (змінено)"))
        << "the other copy's committed change survives";
}

TEST_F(Conflicts, RowDeletedByAnotherConnectionWhileEditedIsReportedAtPost) {
    Start();
    // The third student of the first faculty has no results.
    main_frm->student_dataset->Locate(QStringLiteral("S_ID"), Variant(3), {});
    ASSERT_EQ(Current(main_frm->student_db, "S_ID"), QStringLiteral("3"));
    EditCell(main_frm->student_db, "GRUPA");
    Type(main_frm->student_db, QStringLiteral("ФКН-32"));
    db->Isql(QStringLiteral("delete from student where s_id = 3;\ncommit;\n"));

    Press(main_frm->student_navigator, TNavigateBtn::nbPost);
    ASSERT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_THAT(Errors()[0].toStdString(),
                testing::HasSubstr("the record was changed or deleted by another user"));
    EXPECT_EQ(main_frm->student_dataset->State(), stEdit);
    EXPECT_EQ(db->QueryInt(QStringLiteral("select count(*) from student where s_id = 3")), 0);
}

TEST_F(Conflicts, GeneratorBehindTheKeysRefusesTheInsertUntilItIsPutRight) {
    db->Isql(QStringLiteral("alter sequence gen_fakultet_id restart with 0;\ncommit;\n"));
    Start();
    Press(main_frm->faculty_navigator, TNavigateBtn::nbInsert);
    ASSERT_EQ(main_frm->faculty_dataset->State(), stInsert);
    EXPECT_EQ(Current(main_frm->faculty_db, "F_ID"), QStringLiteral("1")) << "a taken key";
    EditCell(main_frm->faculty_db, "NAZVA");
    Type(main_frm->faculty_db, QStringLiteral("Факультет нового набору"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    ASSERT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_THAT(Errors()[0].toStdString(), testing::HasSubstr("PK_FAKULTET"));
    EXPECT_EQ(main_frm->faculty_dataset->State(), stInsert);
    EXPECT_EQ(Current(main_frm->faculty_db, "NAZVA"), QStringLiteral("Факультет нового набору"));
    EXPECT_EQ(db->QueryInt(QStringLiteral("select count(*) from fakultet")), 3);

    // The administrator puts the generator past the largest key; posting the
    // same typed row again takes a fresh key.
    db->Isql(QStringLiteral("alter sequence gen_fakultet_id restart with 10;\ncommit;\n"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    ASSERT_EQ(main_frm->faculty_dataset->State(), stBrowse);
    EXPECT_EQ(Current(main_frm->faculty_db, "F_ID"), QStringLiteral("11"));
    ShowDisciplines();
    EXPECT_EQ(Query("select nazva from fakultet where f_id = 11"),
              QStringLiteral("Факультет нового набору"));
    EXPECT_EQ(Query("select nazva from fakultet where f_id = 1"),
              QStringLiteral("Факультет комп'ютерних наук"));
}

TEST_F(Conflicts, StudentWithResultsIsNotDeletedAndTheRefusalIsShown) {
    Start();
    ASSERT_EQ(Current(main_frm->student_db, "S_ID"), QStringLiteral("1"));
    const QStringList before = Shown(main_frm->student_db, "S_ID");
    dialogs.answers = {TMsgResult::Yes, TMsgResult::Yes, TMsgResult::Yes};
    Press(main_frm->student_navigator, TNavigateBtn::nbDelete);
    ASSERT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_THAT(Errors()[0].toStdString(), testing::HasSubstr("FK_RESULTAT_STUDENT"));
    EXPECT_EQ(Shown(main_frm->student_db, "S_ID"), before) << "the student stays";
    ShowDisciplines();
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(db->QueryInt(QStringLiteral("select count(*) from student where s_id = 1")), 1);
    EXPECT_EQ(db->QueryInt(QStringLiteral("select count(*) from resultat where s_id = 1")), 1);
}

// What another user committed since the row was read stays, in every column
// this user did not change (the update statement writes them all).
TEST_F(Conflicts, AColumnChangedByAnotherUserIsNotWrittenBackWithTheOldValue) {
    Start();
    db->Isql(QStringLiteral("update fakultet set knazva = 'Їхня' where f_id = 1;\ncommit;\n"));
    EditCell(main_frm->faculty_db, "NAZVA");
    Type(main_frm->faculty_db, QStringLiteral("Наша назва"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    EXPECT_TRUE(Errors().isEmpty()) << ErrorList();
    EXPECT_EQ(main_frm->faculty_dataset->State(), stBrowse);
    EXPECT_EQ(Current(main_frm->faculty_db, "KNAZVA"), QStringLiteral("Їхня")) << "shown as stored";
    ShowDisciplines();
    EXPECT_EQ(Query("select nazva from fakultet where f_id = 1"), QStringLiteral("Наша назва"));
    EXPECT_EQ(Query("select knazva from fakultet where f_id = 1"), QStringLiteral("Їхня"));
}

// A row another user moved to another master (a column the grid may not even
// show) is no longer the row this user read: the post is refused, not
// written over the move.
struct MovedRow {
    const char* name;
    bool disciplines;
    const char* move; // the other user's statement
    TDBGrid* Tmain_frm::*grid;
    TsDBNavigator* Tmain_frm::*navigator;
    const char* column;
    const char* check; // what the database must still hold
    const char* expected;
};

void PrintTo(const MovedRow& p, std::ostream* os) {
    *os << p.name;
}

class MovedRows : public Sitting, public testing::WithParamInterface<MovedRow> {};

TEST_P(MovedRows, ARowMovedToAnotherMasterIsRefusedAndStaysMoved) {
    const MovedRow& p = GetParam();
    Start();
    if (p.disciplines)
        ShowDisciplines();
    db->Isql(QString::fromUtf8(p.move) + ";\ncommit;\n");
    TDBGrid* grid = main_frm->*p.grid;
    Press(main_frm->*p.navigator, TNavigateBtn::nbEdit); // the tests' source does not
    EditCell(grid, p.column);
    Type(grid, QStringLiteral("Нове"));
    Press(main_frm->*p.navigator, TNavigateBtn::nbPost);
    ASSERT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_THAT(Errors()[0].toStdString(),
                testing::HasSubstr("the record was changed or deleted by another user"));
    EXPECT_EQ(grid->DataLink().DataSet()->State(), stEdit);
    EXPECT_EQ(Current(grid, p.column), QStringLiteral("Нове")) << "the typed value stays";
    EXPECT_EQ(Query(QString::fromUtf8(p.check)), QString::fromUtf8(p.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Conflicts, MovedRows,
    testing::Values(MovedRow{"test_without_its_discipline_field", true,
                             "update test set d_id = 2 where t_id = 1", &Tmain_frm::d_test_grid,
                             &Tmain_frm::test_navigator, "NAZVA",
                             "select d_id || ' ' || nazva from test where t_id = 1",
                             "2 Бази даних: тест 1"},
                    MovedRow{"student", false, "update student set f_id = 2 where s_id = 1",
                             &Tmain_frm::student_db, &Tmain_frm::student_navigator, "GRUPA",
                             "select f_id || ' ' || grupa from student where s_id = 1",
                             "2 ФКН-11"}),
    [](const auto& info) { return std::string(info.param.name); });

// The user wanted the row gone, and another user already removed it: it
// leaves the grid without an error, by Delete as by Refresh.
class GoneRows : public Sitting, public testing::WithParamInterface<TNavigateBtn> {};

TEST_P(GoneRows, ARowAnotherUserDeletedLeavesTheGrid) {
    Start();
    main_frm->student_dataset->Locate(QStringLiteral("S_ID"), Variant(3), {});
    ASSERT_EQ(Current(main_frm->student_db, "S_ID"), QStringLiteral("3"));
    db->Isql(QStringLiteral("delete from student where s_id = 3;\ncommit;\n"));
    dialogs.answers = {TMsgResult::Yes, TMsgResult::Yes};
    Press(main_frm->student_navigator, GetParam());
    EXPECT_TRUE(Errors().isEmpty()) << ErrorList();
    EXPECT_EQ(Shown(main_frm->student_db, "S_ID"), (QStringList{"1", "2"}));
    ShowDisciplines();
    EXPECT_TRUE(Errors().isEmpty()) << ErrorList();
    EXPECT_EQ(db->QueryInt(QStringLiteral("select count(*) from student where f_id = 1")), 2);
}

INSTANTIATE_TEST_SUITE_P(Conflicts, GoneRows,
                         testing::Values(TNavigateBtn::nbDelete, TNavigateBtn::nbRefresh),
                         [](const auto& info) {
                             return info.param == TNavigateBtn::nbDelete ? std::string("Delete")
                                                                         : std::string("Refresh");
                         });

} // namespace
