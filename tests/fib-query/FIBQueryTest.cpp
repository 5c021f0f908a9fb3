// Statement execution against the server: preparation, cursors, forced
// nulls, transaction texts, names and the errors of misuse.

#include "QueryFixture.h"

#include "fib/fib.h"

#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

class FIBQueryTest : public ConnectedTest {};

TEST_F(FIBQueryTest, SelectFetchesRowsThenEofWithoutAnotherServerCall) {
    auto q = c->Query(QStringLiteral("SELECT F_ID, NAZVA FROM FAKULTET ORDER BY F_ID"));
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->SQLType(), SQLSelect);
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->RecordCount(), 1) << "the first row comes with the execution";
    EXPECT_EQ(q->Fields(0).AsInteger(), 1);
    EXPECT_EQ(q->FieldByName(QStringLiteral("nazva")).AsWideString(),
              QString::fromUtf8("Факультет комп'ютерних наук"));
    ASSERT_NE(q->Next(), nullptr);
    ASSERT_NE(q->Next(), nullptr);
    EXPECT_EQ(q->Fields(0).AsInteger(), 3);
    EXPECT_EQ(q->Next(), nullptr);
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->RecordCount(), 3);
    EXPECT_FALSE(q->Fields(0).IsNull()) << "the end keeps the last row readable";
    EXPECT_EQ(q->Fields(0).AsInteger(), 3);
    // A server call would overwrite the status vector.
    StatusVector()[0] = 12345;
    EXPECT_EQ(q->Next(), nullptr);
    EXPECT_EQ(StatusVector()[0], 12345);
    StatusVector()[0] = 0;
    EXPECT_TRUE(q->Open());
    q->Close();
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->Prepared());
}

TEST_F(FIBQueryTest, WithoutGoToFirstRecordNextBringsTheFirstRow) {
    auto q = c->Query(QStringLiteral("SELECT F_ID FROM FAKULTET WHERE F_ID = 2"));
    q->SetGoToFirstRecordOnExecute(false);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_TRUE(q->Bof());
    EXPECT_TRUE(q->Fields(0).IsNull()) << "no row fetched yet";
    ASSERT_NE(q->Next(), nullptr);
    EXPECT_EQ(q->Fields(0).AsInteger(), 2);
    EXPECT_FALSE(q->Bof());
    // Executing an open select closes and reopens its cursor.
    EXPECT_SQL(q->ExecQuery());
    ASSERT_NE(q->Next(), nullptr);
    EXPECT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->PrepareCount(), 1);
}

TEST_F(FIBQueryTest, SelectWithoutRowsLeavesItsColumnsNull) {
    auto q = c->Query(QStringLiteral("SELECT F_ID FROM FAKULTET WHERE F_ID < 0"));
    EXPECT_SQL(q->ExecQuery());
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->RecordCount(), 0);
    EXPECT_TRUE(q->Fields(0).IsNull());
}

TEST_F(FIBQueryTest, InsertWithoutParametersOpensNoCursor) {
    auto q = c->Query(QStringLiteral("INSERT INTO DISCIPLINA (D_ID, NAZVA) VALUES (100, 'x')"));
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->SQLType(), SQLInsert);
    EXPECT_FALSE(q->Open());
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->FieldCount(), 0);
    EXPECT_EQ(q->RowsAffected(), 1);
    EXPECT_EQ(q->PrepareCount(), 1);
}

TEST_F(FIBQueryTest, StartTransactionAndAutoCommitOptionsWrapTheExecution) {
    c->Tr().Commit();
    auto q = c->Query(QStringLiteral("INSERT INTO DISCIPLINA (D_ID, NAZVA) VALUES (:ID, 'auto')"));
    q->SetOptions(qoStartTransaction | qoAutoCommit);
    q->ParamByName(QStringLiteral("ID")).SetAsInteger(101);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_FALSE(c->Tr().Active()) << "committed after the execution";
    EXPECT_EQ(QueryTestDatabase().QueryInt(
                  QStringLiteral("select count(*) from DISCIPLINA where D_ID = 101")),
              1);
    EXPECT_SQL(QueryTestDatabase().Isql(
        QStringLiteral("DELETE FROM DISCIPLINA WHERE D_ID = 101;\nCOMMIT;\n")));
}

TEST_F(FIBQueryTest, SelectForUpdateGetsACursorName) {
    auto q = c->Query(QStringLiteral("SELECT F_ID FROM FAKULTET WHERE F_ID = 1 FOR UPDATE"));
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->SQLType(), SQLSelectForUpdate);
    EXPECT_EQ(q->Fields(0).AsInteger(), 1);
}

TEST_F(FIBQueryTest, RowsAffectedCountsUpdatedRows) {
    auto q = c->Query(QStringLiteral("UPDATE STUDENT SET KURS = KURS WHERE F_ID = :F"));
    q->ParamByName(QStringLiteral("F")).SetAsInteger(1);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->RowsAffected(), 3);
}

// A statement that runs a few texts in turn (the assignment editor's
// dataset does, at every discipline) takes back the statement it prepared
// for a text it is given again: each prepare is a round trip to the server.
TEST_F(FIBQueryTest, ATextGivenAgainTakesBackItsPreparedStatement) {
    const QString faculty = QStringLiteral("SELECT F_ID FROM FAKULTET WHERE F_ID = 2");
    const QString count = QStringLiteral("SELECT COUNT(*) FROM STUDENT WHERE F_ID = 1");
    const QString course = QStringLiteral("SELECT MAX(KURS) FROM STUDENT WHERE F_ID = :F");
    const int courseOf[] = {0, 3, 4}; // the fixture's highest course by faculty
    struct Step {
        const QString* text;
        int param; // for the parameterised text
        int value; // the first column of its first row
        int prepares;
    };
    const Step steps[] = {
        {&faculty, 0, 2, 1},          {&count, 0, 3, 2}, {&faculty, 0, 2, 2},
        {&course, 1, courseOf[1], 3}, {&count, 0, 3, 3}, {&course, 2, courseOf[2], 3},
        {&faculty, 0, 2, 3},
    };
    auto q = c->Query(faculty);
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << index++);
        if (q->SQLText().trimmed() != *step.text)
            q->SetSQLText(*step.text);
        if (step.param)
            q->ParamByName(QStringLiteral("F")).SetAsInteger(step.param);
        EXPECT_SQL(q->ExecQuery());
        EXPECT_EQ(q->Fields(0).AsInteger(), step.value);
        EXPECT_EQ(q->PrepareCount(), step.prepares);
        q->Close();
    }

    // The statements kept go with the connection: after a new attachment
    // the text is prepared again, and runs.
    c->Tr().Commit();
    c->Db().Disconnect();
    c->Db().Connect();
    c->Tr().StartTransaction();
    q->SetSQLText(count);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->Fields(0).AsInteger(), 3);
    EXPECT_EQ(q->PrepareCount(), 4);
}

TEST_F(FIBQueryTest, NullMasterParameterReprepresWithIsNullOnlyWhenItsNullStateChanges) {
    auto q = c->Query(QStringLiteral("SELECT S_ID FROM STUDENT WHERE F_ID = :MAS_F_ID"));
    TFIBXSQLVAR& p = q->ParamByName(QStringLiteral("MAS_F_ID"));
    p.SetAsInteger(2);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->PrepareCount(), 1);
    EXPECT_TRUE(q->ProcessedText().contains(QStringLiteral("F_ID = ?")));
    EXPECT_FALSE(q->Eof());

    p.SetIsNull(true);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->PrepareCount(), 2);
    EXPECT_TRUE(q->ProcessedText().contains(QStringLiteral(" IS NULL ")))
        << q->ProcessedText().toStdString();
    EXPECT_TRUE(q->Eof()) << "every student has a faculty";

    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->PrepareCount(), 2) << "null again: no new preparation";

    // Back to a key: the statement prepared for it was put aside, not
    // dropped, and is taken again without a round trip.
    p.SetAsInteger(1);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->PrepareCount(), 2);
    EXPECT_TRUE(q->ProcessedText().contains(QStringLiteral("F_ID = ?")));
    EXPECT_EQ(q->Fields(0).AsInteger(), 1);
}

TEST_F(FIBQueryTest, ExplicitPrepareNeverForcesNulls) {
    auto q = c->Query(QStringLiteral("SELECT S_ID FROM STUDENT WHERE F_ID = :MAS_F_ID"));
    q->ParamByName(QStringLiteral("MAS_F_ID")).SetIsNull(true);
    EXPECT_SQL(q->Prepare());
    EXPECT_FALSE(q->ProcessedText().contains(QStringLiteral("IS NULL")));
    EXPECT_SQL(q->ExecQuery());
    EXPECT_TRUE(q->ProcessedText().contains(QStringLiteral(" IS NULL ")));
}

TEST_F(FIBQueryTest, CommitTextCommitsTheTransaction) {
    auto q = c->Query(QStringLiteral("COMMIT"));
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->SQLType(), SQLCommit);
    EXPECT_FALSE(c->Tr().Active());
}

TEST_F(FIBQueryTest, RepeatedParameterNameTakesOneValue) {
    auto q =
        c->Query(QStringLiteral("SELECT COUNT(*) FROM STUDENT WHERE F_ID = :ID OR S_ID = :ID"));
    EXPECT_EQ(q->Params().Count(), 2);
    q->ParamByName(QStringLiteral("id")).SetAsInteger(3);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->Fields(0).AsInteger(), 1) << "student 3 only; there is no faculty 3 student";
}

TEST_F(FIBQueryTest, DuplicateColumnNamesAreNumbered) {
    auto q = c->Query(
        QStringLiteral("SELECT NAZVA, NAZVA, NAZVA AS NAZVA, KNAZVA AS \"nazva\" FROM FAKULTET"));
    EXPECT_SQL(q->ExecQuery());
    ASSERT_EQ(q->FieldCount(), 4);
    EXPECT_EQ(q->Fields(0).Name(), QStringLiteral("NAZVA"));
    EXPECT_EQ(q->Fields(1).Name(), QStringLiteral("NAZVA1"));
    EXPECT_EQ(q->Fields(2).Name(), QStringLiteral("NAZVA2"));
    EXPECT_EQ(q->Fields(3).Name(), QStringLiteral("nazva3"));
}

TEST_F(FIBQueryTest, MisuseRaisesTheClientErrors) {
    TComponent mainForm;
    mainForm.SetName(QStringLiteral("main_frm"));
    auto* dataset = new TComponent(&mainForm);
    dataset->SetName(QStringLiteral("faculty_dataset"));
    auto* q = new TFIBQuery(dataset);
    q->SetName(QStringLiteral("SelectQuery"));
    EXPECT_EQ(MessageOf([&] { q->Prepare(); }),
              QStringLiteral("Database not assigned for main_frm.faculty_dataset.SelectQuery."));
    q->SetDatabase(&c->Db());
    q->SetTransaction(&c->Tr());
    EXPECT_EQ(MessageOf([&] { q->Prepare(); }),
              QStringLiteral("Can't Prepare , because  query is empty"));
    q->SetSQLText(QStringLiteral("SELECT * FROM FAKULTET WHERE F_ID = :F_ID"));
    EXPECT_EQ(MessageOf([&] { q->ParamByName(QStringLiteral("NOPE")); }),
              QStringLiteral(
                  "Parameter \"NOPE\" does not exist in main_frm.faculty_dataset.SelectQuery"));
    EXPECT_EQ(MessageOf([&] { q->Next(); }),
              QStringLiteral("Can't fetch next record because "
                             "main_frm.faculty_dataset.SelectQuery dataset closed."));
    q->ParamByName(QStringLiteral("F_ID")).SetAsInteger(1);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(MessageOf([&] { q->SetSQLText(QStringLiteral("SELECT 1 FROM RDB$DATABASE")); }),
              QStringLiteral("Can't change sql text because "
                             "main_frm.faculty_dataset.SelectQuery dataset open."));
    EXPECT_EQ(MessageOf([&] { q->Fields(9); }), QStringLiteral("Field \"Field No:9\" not found."));
    EXPECT_EQ(MessageOf([&] { q->FieldByName(QStringLiteral("X")); }),
              QStringLiteral("Field \"X\" not found."));
    q->Close();
    c->Tr().Commit();
    EXPECT_TRUE(
        MessageOf([&] { q->Prepare(); }).endsWith(QStringLiteral(" :Transaction is not active.")));
}

TEST_F(FIBQueryTest, ServerErrorNamesTheStatement) {
    TComponent mainForm;
    mainForm.SetName(QStringLiteral("main_frm"));
    auto* q = new TFIBQuery(&mainForm);
    q->SetName(QStringLiteral("SelectQuery"));
    q->SetDatabase(&c->Db());
    q->SetTransaction(&c->Tr());
    q->SetSQLText(QStringLiteral("SELECT NO_SUCH_COLUMN FROM FAKULTET"));
    const QString message = MessageOf([&] { q->ExecQuery(); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("main_frm.SelectQuery:")))
        << message.toStdString();
    EXPECT_FALSE(q->Prepared());
}

// The values inside the server's message lines come in the connection's
// character set, WIN1251; read as UTF-8 they were lost.
TEST_F(FIBQueryTest, ServerMessagesShowCyrillicValuesOfTheConnectionsCharacterSet) {
    EXPECT_SQL(c->Query(QStringLiteral("RECREATE TABLE UNIQUE_NAMES (NAME VARCHAR(50), "
                                       "CONSTRAINT UQ_UNIQUE_NAMES UNIQUE (NAME))"))
                   ->ExecQuery());
    EXPECT_SQL(
        c->Query(QStringLiteral("CREATE OR ALTER EXCEPTION E_NAME_TAKEN 'Назва вже зайнята'"))
            ->ExecQuery());
    c->Tr().Commit();
    c->Tr().StartTransaction();

    auto insert = c->Query(QStringLiteral("INSERT INTO UNIQUE_NAMES VALUES ('Факультет')"));
    EXPECT_SQL(insert->ExecQuery());
    const QString duplicate = MessageOf([&] { insert->ExecQuery(); });
    EXPECT_TRUE(duplicate.contains(QStringLiteral("UQ_UNIQUE_NAMES"))) << duplicate.toStdString();
    EXPECT_TRUE(duplicate.contains(QStringLiteral("'Факультет'"))) << duplicate.toStdString();

    auto raise = c->Query(QStringLiteral("EXECUTE BLOCK AS BEGIN EXCEPTION E_NAME_TAKEN; END"));
    const QString raised = MessageOf([&] { raise->ExecQuery(); });
    EXPECT_TRUE(raised.contains(QStringLiteral("Назва вже зайнята"))) << raised.toStdString();
}

TEST_F(FIBQueryTest, DdlRunsImmediately) {
    auto q = c->Query(QStringLiteral("CREATE GENERATOR GEN_QUERY_TEST"));
    EXPECT_SQL(q->ExecQuery());
    EXPECT_FALSE(q->Prepared());
    c->Tr().Commit();
    EXPECT_EQ(
        QueryTestDatabase().QueryInt(QStringLiteral(
            "select count(*) from rdb$generators where rdb$generator_name = 'GEN_QUERY_TEST'")),
        1);
}

TEST_F(FIBQueryTest, ProcedureOutputsAreThereAtOnce) {
    auto q = c->Query(QStringLiteral("EXECUTE PROCEDURE DOUBLE_IT :X"));
    q->ParamByName(QStringLiteral("X")).SetAsInteger(21);
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(q->SQLType(), SQLExecProcedure);
    EXPECT_FALSE(q->Open());
    EXPECT_FALSE(q->Fields(0).IsNull());
    EXPECT_EQ(q->Fields(0).AsInteger(), 42);
    // For an EXECUTE text an output column answers to ParamByName as well.
    EXPECT_EQ(q->ParamByName(QStringLiteral("Y")).AsInteger(), 42);
    EXPECT_EQ(MessageOf([&] { q->ParamByName(QStringLiteral("Z")); }),
              QStringLiteral("Field \"Z\" not found."));
}

} // namespace
