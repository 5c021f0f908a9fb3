// Editing records through the datasets' own statements: the states, the
// statements sent and their parameters, new keys and defaults, failures
// that keep the edit, and two users working on the same rows.

#include "ProgramDataSets.h"
#include "model/TestingSql.h"

#include "base/FormatSettings.h"
#include "dataset/FIBDataSetEdit.h"
#include "fib/FIBQuery.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace veltor::test;

namespace {

class DataSetEdit : public ::testing::Test {
protected:
    void SetUp() override {
        EXPECT_SQL(p = std::make_unique<ProgramDataSets>());
        ASSERT_TRUE(p);
    }
    long long NextGeneratorValue(const char* generator) {
        return EditTestDatabase().QueryInt(
            QStringLiteral("select gen_id(%1, 0) + 1 from rdb$database").arg(generator));
    }
    std::unique_ptr<ProgramDataSets> p;
};

TEST_F(DataSetEdit, InsertShowsTheGeneratorValueAtOnceAndCancelDoesNotGiveItBack) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Open());
    const long long expected = NextGeneratorValue("GEN_FAKULTET_ID");
    EXPECT_SQL(f.Insert());
    EXPECT_EQ(f.State(), stInsert);
    EXPECT_FALSE(f.Modified()) << "the generated key is not a user change";
    EXPECT_EQ(f.FieldByName(QStringLiteral("F_ID"))->AsInteger(), expected);
    EXPECT_TRUE(f.FieldByName(QStringLiteral("NAZVA"))->IsNull());
    EXPECT_SQL(f.Cancel());
    EXPECT_EQ(f.State(), stBrowse);
    EXPECT_EQ(f.RecordCount(), 1) << "one row fetched; the new record is gone";
    EXPECT_SQL(f.Insert());
    EXPECT_EQ(f.FieldByName(QStringLiteral("F_ID"))->AsInteger(), expected + 1);
    EXPECT_SQL(f.Cancel());
}

TEST_F(DataSetEdit, GeneratorChoicesAndAFailingGeneratorQuery) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Open());
    // A list of key names names no single field: no generator query at all.
    f.AutoUpdateOptions.KeyFields = QStringLiteral("F_ID;NAZVA");
    p->ClearTrace();
    EXPECT_SQL(f.Insert());
    EXPECT_TRUE(p->Trace().empty());
    EXPECT_TRUE(f.FieldByName(QStringLiteral("F_ID"))->IsNull());
    EXPECT_SQL(f.Cancel());
    // A generator that does not exist: the insert is abandoned.
    f.AutoUpdateOptions.KeyFields = QStringLiteral("F_ID");
    f.AutoUpdateOptions.GeneratorName = QStringLiteral("GEN_NOWHERE");
    const QString message = MessageOf([&] { f.Insert(); });
    EXPECT_TRUE(message.contains(QStringLiteral("GEN_NOWHERE"))) << message.toStdString();
    EXPECT_EQ(f.State(), stBrowse);
    EXPECT_EQ(f.FieldByName(QStringLiteral("F_ID"))->AsInteger(), 1) << "back on the record";
    EXPECT_EQ(f.RecordCount(), 1);
}

TEST_F(DataSetEdit, PostOfAnInsertSendsTheInsertThenTheRefreshSelect) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Open());
    EXPECT_SQL(f.Last());
    const int before = f.RecordCount();
    p->ClearTrace();
    EXPECT_SQL(f.Insert());
    const int key = f.FieldByName(QStringLiteral("F_ID"))->AsInteger();
    EXPECT_SQL(f.FieldByName(QStringLiteral("NAZVA"))->SetAsString(QStringLiteral("Хімічний")));
    EXPECT_SQL(f.FieldByName(QStringLiteral("KNAZVA"))->SetAsString(QStringLiteral("ХФ")));
    EXPECT_TRUE(f.Modified());
    EXPECT_SQL(f.Post());

    const QString k = QString::number(key);
    struct Row {
        QString path;
        QStringList params;
    };
    const Row expected[] = {
        {QStringLiteral("select gen_id(GEN_FAKULTET_ID, 1) from RDB$DATABASE"), {}},
        {QStringLiteral("main_frm.faculty_dataset.InsertQuery"),
         {QStringLiteral("F_ID=") + k, QStringLiteral("NAZVA=Хімічний"),
          QStringLiteral("KNAZVA=ХФ")}},
        {QStringLiteral("main_frm.faculty_dataset.RefreshQuery"),
         {QStringLiteral("OLD_F_ID=") + k}},
    };
    ASSERT_EQ(p->Trace().size(), std::size(expected)) << p->TracePaths().join(u'\n').toStdString();
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(p->Trace()[i].path, expected[i].path) << i;
        EXPECT_EQ(p->Trace()[i].params, expected[i].params) << i;
    }
    EXPECT_EQ(f.State(), stBrowse);
    EXPECT_EQ(f.RecordCount(), before + 1);
    EXPECT_EQ(f.FetchedCount(), before + 1);
    EXPECT_EQ(f.UpdateStatus(), cusUnmodified);
    EXPECT_EQ(f.FieldByName(QStringLiteral("F_ID"))->AsInteger(), key);
    EXPECT_EQ(f.FieldByName(QStringLiteral("NAZVA"))->AsString(), QStringLiteral("Хімічний"));
    EXPECT_TRUE(p->Tr().Active()) << "nothing is committed by the dataset";
}

// The parameters of the update come from the record in the fill order:
// OLD_ names from the values read, plain names from what was typed.
TEST_F(DataSetEdit, UpdateFillsOldValuesAndTypedValuesSeparately) {
    TpFIBDataSet& f = p->Faculty();
    f.SetUpdateSQL({QStringLiteral("UPDATE FAKULTET SET F_ID = :F_ID, NAZVA = :NEW_NAZVA,"),
                    QStringLiteral("KNAZVA = :OLD_KNAZVA WHERE F_ID = :OLD_F_ID")});
    EXPECT_SQL(f.Open());
    EXPECT_SQL(f.Last()); // faculty 3: no student refers to it
    EXPECT_EQ(f.FieldByName(QStringLiteral("F_ID"))->AsInteger(), 3);
    EXPECT_SQL(f.Edit());
    EXPECT_EQ(f.State(), stEdit);
    EXPECT_SQL(f.FieldByName(QStringLiteral("F_ID"))->SetAsInteger(77));
    EXPECT_SQL(f.FieldByName(QStringLiteral("NAZVA"))->SetAsString(QStringLiteral("Новий")));
    EXPECT_SQL(f.FieldByName(QStringLiteral("KNAZVA"))->SetAsString(QStringLiteral("не це")));
    p->ClearTrace();
    EXPECT_SQL(f.Post());
    // The row as committed is read first (under the key it was read with),
    // so that columns this user left alone are not written back stale.
    ASSERT_EQ(p->Trace().size(), 3u);
    EXPECT_EQ(p->Trace()[0].path, QStringLiteral("main_frm.faculty_dataset.RefreshQuery"));
    EXPECT_EQ(p->Trace()[0].params, QStringList{QStringLiteral("OLD_F_ID=3")});
    EXPECT_EQ(p->Trace()[1].path, QStringLiteral("main_frm.faculty_dataset.UpdateQuery"));
    EXPECT_EQ(p->Trace()[1].params,
              (QStringList{QStringLiteral("F_ID=77"), QStringLiteral("NEW_NAZVA=Новий"),
                           QStringLiteral("OLD_KNAZVA=ІФ"), QStringLiteral("OLD_F_ID=3")}));
    // The refresh after the post reads the values just posted as its old
    // values, so it finds the row under its new key.
    EXPECT_EQ(p->Trace()[2].params, QStringList{QStringLiteral("OLD_F_ID=77")});
    EXPECT_EQ(f.FieldByName(QStringLiteral("KNAZVA"))->AsString(), QStringLiteral("ІФ"))
        << "the refreshed row: the statement wrote the old short name back";
    EXPECT_EQ(f.State(), stBrowse);
    EXPECT_EQ(f.FieldByName(QStringLiteral("F_ID"))->AsInteger(), 77);

    // The server row moved to the new key; nothing was committed.
    auto check = p->Db().SelectValue(QStringLiteral("select KNAZVA from FAKULTET where F_ID = 77"),
                                     0, &p->Tr());
    EXPECT_EQ(check.toString(), QStringLiteral("ІФ"));
}

TEST_F(DataSetEdit, PostDirectlyAfterEditStillSendsTheUpdate) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Open());
    EXPECT_SQL(f.Edit());
    p->ClearTrace();
    EXPECT_SQL(f.Post());
    EXPECT_EQ(p->TracePaths(),
              (QStringList{QStringLiteral("main_frm.faculty_dataset.RefreshQuery"),
                           QStringLiteral("main_frm.faculty_dataset.UpdateQuery"),
                           QStringLiteral("main_frm.faculty_dataset.RefreshQuery")}));
}

// A column without a field object still feeds a parameter of its name.
TEST_F(DataSetEdit, AParameterWithoutAFieldReadsTheSelectColumn) {
    TpFIBDataSet test(&p->Form());
    test.SetName(QStringLiteral("test_dataset"));
    test.SetDatabase(&p->Db());
    test.SetTransaction(&p->Tr());
    test.SetSelectSQL({QStringLiteral("SELECT T_ID, NAZVA, D_ID FROM TEST WHERE T_ID = 3")});
    test.SetUpdateSQL({QStringLiteral("UPDATE TEST SET NAZVA = :NAZVA, D_ID = :D_ID"),
                       QStringLiteral("WHERE T_ID = :OLD_T_ID")});
    TFIBIntegerField id(&p->Form());
    id.SetFieldName(QStringLiteral("T_ID"));
    id.SetDataSet(&test);
    TFIBStringField name(&p->Form());
    name.SetFieldName(QStringLiteral("NAZVA"));
    name.SetSize(255);
    name.SetDataSet(&test);
    EXPECT_SQL(test.Open());
    EXPECT_EQ(test.FindField(QStringLiteral("D_ID")), nullptr);
    EXPECT_SQL(test.Edit());
    EXPECT_SQL(name.SetAsString(QStringLiteral("Пам'ять: тест 1")));
    p->ClearTrace();
    EXPECT_SQL(test.Post());
    ASSERT_EQ(p->Trace().size(), 1u);
    EXPECT_EQ(p->Trace()[0].params,
              (QStringList{QStringLiteral("NAZVA=Пам'ять: тест 1"), QStringLiteral("D_ID=2"),
                           QStringLiteral("OLD_T_ID=3")}));
    test.Close();
}

TEST_F(DataSetEdit, FailedPostKeepsTheStateAndTheTypedValues) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Open());
    // A foreign key refused: the student's faculty does not exist.
    TpFIBDataSet& s = p->Student();
    EXPECT_SQL(s.Open());
    EXPECT_SQL(s.Edit());
    EXPECT_SQL(s.FieldByName(QStringLiteral("F_ID"))->SetAsInteger(999));
    EXPECT_SQL(s.FieldByName(QStringLiteral("GRUPA"))->SetAsString(QStringLiteral("ФКН-99")));
    const QString foreign = MessageOf([&] { s.Post(); });
    EXPECT_TRUE(foreign.contains(QStringLiteral("FK_STUDENT_FAKULTET"))) << foreign.toStdString();
    EXPECT_EQ(s.State(), stEdit);
    EXPECT_EQ(s.FieldByName(QStringLiteral("F_ID"))->AsInteger(), 999);
    EXPECT_EQ(s.FieldByName(QStringLiteral("GRUPA"))->AsString(), QStringLiteral("ФКН-99"));
    EXPECT_EQ(s.UpdateStatus(), cusUnmodified) << "the cache is unchanged";
    EXPECT_SQL(s.Cancel());
    EXPECT_EQ(s.FieldByName(QStringLiteral("F_ID"))->AsInteger(), 1);
    EXPECT_EQ(s.FieldByName(QStringLiteral("GRUPA"))->AsString(), QStringLiteral("ФКН-11"));

    const int before = f.FetchedCount();

    // A NOT NULL key left empty: the server refuses the insert.
    EXPECT_SQL(f.Insert());
    EXPECT_SQL(f.FieldByName(QStringLiteral("F_ID"))->Clear());
    EXPECT_SQL(f.FieldByName(QStringLiteral("NAZVA"))->SetAsString(QStringLiteral("Без ключа")));
    const QString notNull = MessageOf([&] { f.Post(); });
    EXPECT_TRUE(notNull.contains(QStringLiteral("main_frm.faculty_dataset.InsertQuery")))
        << notNull.toStdString();
    EXPECT_EQ(f.State(), stInsert);
    EXPECT_EQ(f.FieldByName(QStringLiteral("NAZVA"))->AsString(), QStringLiteral("Без ключа"));
    EXPECT_EQ(f.FetchedCount(), before) << "no cache slot for the failed insert";
    // Corrected, the same insert goes through.
    EXPECT_SQL(f.FieldByName(QStringLiteral("F_ID"))->SetAsInteger(500));
    EXPECT_SQL(f.Post());
    EXPECT_EQ(f.State(), stBrowse);
    EXPECT_EQ(f.FetchedCount(), before + 1);
}

TEST_F(DataSetEdit, DeleteHidesTheRecordAndDeleteWhileInsertingCancels) {
    TpFIBDataSet& s = p->Student();
    EXPECT_SQL(p->Faculty().Open());
    EXPECT_SQL(s.Open());
    EXPECT_SQL(s.Last());
    ASSERT_EQ(s.RecordCount(), 3);
    // The last student of faculty 1 has no test results to hold it.
    const int first = s.FieldByName(QStringLiteral("S_ID"))->AsInteger();
    ASSERT_EQ(first, 3);
    p->ClearTrace();
    EXPECT_SQL(s.Delete());
    EXPECT_EQ(p->TracePaths(), QStringList{QStringLiteral("main_frm.student_dataset.DeleteQuery")});
    EXPECT_EQ(s.RecordCount(), 2);
    EXPECT_EQ(s.DeletedCount(), 1);
    EXPECT_EQ(s.RecordStatus(2), cusDeletedApplied);
    EXPECT_EQ(s.FieldByName(QStringLiteral("S_ID"))->AsInteger(), 2) << "the prior one shows";
    auto left = p->Db().SelectValue(
        QStringLiteral("select count(*) from STUDENT where S_ID = %1").arg(first), 0, &p->Tr());
    EXPECT_EQ(left.toInt(), 0);

    EXPECT_SQL(s.Insert());
    p->ClearTrace();
    EXPECT_SQL(s.Delete());
    EXPECT_EQ(s.State(), stBrowse);
    EXPECT_TRUE(p->Trace().empty()) << "a delete of a new record is a cancel";
    EXPECT_EQ(s.RecordCount(), 2);
}

TEST_F(DataSetEdit, NewStudentTakesTheMastersKeyAndTheRefreshFillsTheHiddenColumn) {
    TpFIBDataSet& f = p->Faculty();
    TpFIBDataSet& s = p->Student();
    EXPECT_SQL(f.Open());
    EXPECT_SQL(f.Next()); // faculty 2
    EXPECT_SQL(s.Open());
    EXPECT_SQL(s.Append());
    EXPECT_TRUE(s.FieldByName(QStringLiteral("F_ID"))->IsNull());
    EXPECT_SQL(s.FieldByName(QStringLiteral("FAMILIYA"))->SetAsString(QStringLiteral("Новенька")));
    p->ClearTrace();
    EXPECT_SQL(s.Post());
    ASSERT_EQ(p->Trace().size(), 2u);
    EXPECT_TRUE(p->Trace()[0].params.contains(QStringLiteral("MAS_F_ID=2")));
    EXPECT_TRUE(p->Trace()[1].params.contains(QStringLiteral("MAS_F_ID=2")));
    EXPECT_EQ(s.FieldByName(QStringLiteral("F_ID"))->AsInteger(), 2);
    EXPECT_EQ(s.FieldByName(QStringLiteral("FAMILIYA"))->AsString(), QStringLiteral("Новенька"));
}

TEST_F(DataSetEdit, EditOnAnEmptyDatasetInserts) {
    TpFIBDataSet& f = p->Faculty();
    f.SetSelectSQL({QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET WHERE F_ID < 0")});
    EXPECT_SQL(f.Open());
    ASSERT_TRUE(f.IsEmpty());
    EXPECT_SQL(f.Edit());
    EXPECT_EQ(f.State(), stInsert);
    EXPECT_FALSE(f.FieldByName(QStringLiteral("F_ID"))->IsNull());
    EXPECT_SQL(f.Cancel());
    EXPECT_TRUE(f.IsEmpty());
    EXPECT_EQ(f.FetchedCount(), 0);
}

TEST_F(DataSetEdit, CapabilitiesAndRefreshErrors) {
    TpFIBDataSet& f = p->Faculty();
    // Only an update statement: insert and delete stop silently.
    f.SetInsertSQL({});
    f.SetDeleteSQL({});
    EXPECT_SQL(f.Open());
    EXPECT_THROW(f.Insert(), EAbort);
    EXPECT_EQ(f.State(), stBrowse);
    EXPECT_THROW(f.Delete(), EAbort);
    EXPECT_EQ(f.RecordCount(), 1);
    // No modifying statement at all.
    f.SetUpdateSQL({QStringLiteral("  "), QString()});
    EXPECT_EQ(MessageOf([&] { f.Insert(); }),
              QStringLiteral("faculty_dataset: Cannot modify a read-only dataset"));
    EXPECT_EQ(MessageOf([&] { f.Edit(); }),
              QStringLiteral("faculty_dataset: Cannot modify a read-only dataset"));
    // A statement removed while editing: the post names what it cannot do.
    f.SetUpdateSQL(FacultyStatements().UpdateSQL);
    EXPECT_SQL(f.Edit());
    f.SetUpdateSQL({});
    f.SetInsertSQL(FacultyStatements().InsertSQL);
    EXPECT_EQ(MessageOf([&] { f.Post(); }),
              QStringLiteral("Can't update. (main_frm.faculty_dataset)"));
    EXPECT_EQ(f.State(), stEdit);
    EXPECT_SQL(f.Cancel());
    EXPECT_SQL(f.Insert());
    f.SetInsertSQL({});
    f.SetUpdateSQL(FacultyStatements().UpdateSQL);
    EXPECT_EQ(MessageOf([&] { f.Post(); }),
              QStringLiteral("Can't insert into dataset. (main_frm.faculty_dataset)"));
    EXPECT_EQ(f.State(), stInsert);
    EXPECT_SQL(f.Cancel());
    // Refresh without a refresh statement: error 48 with records, nothing without.
    f.SetRefreshSQL({});
    EXPECT_EQ(MessageOf([&] { f.Refresh(); }),
              QStringLiteral("Can't refresh row. (main_frm.faculty_dataset)"));
    f.Close();
    f.SetSelectSQL({QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET WHERE F_ID < 0")});
    EXPECT_SQL(f.Open());
    EXPECT_SQL(f.Refresh());
}

TEST_F(DataSetEdit, RefreshRereadsTheCurrentRecord) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Open());
    // Another statement in the same transaction changes the row.
    auto q = std::make_unique<TFIBQuery>();
    q->SetDatabase(&p->Db());
    q->SetTransaction(&p->Tr());
    q->SetSQLText(QStringLiteral("update FAKULTET set KNAZVA = 'змінено' where F_ID = 1"));
    EXPECT_SQL(q->ExecQuery());
    EXPECT_EQ(f.FieldByName(QStringLiteral("KNAZVA"))->AsString(), QStringLiteral("ФКН"));
    EXPECT_SQL(f.Refresh());
    EXPECT_EQ(f.FieldByName(QStringLiteral("KNAZVA"))->AsString(), QStringLiteral("змінено"));
}

TEST_F(DataSetEdit, AHardCommitClosesTheDatasetAndLosesTheEdit) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Open());
    EXPECT_SQL(f.Edit());
    EXPECT_SQL(f.FieldByName(QStringLiteral("KNAZVA"))->SetAsString(QStringLiteral("загублено")));
    p->ClearTrace();
    EXPECT_SQL(p->Tr().Commit());
    EXPECT_FALSE(f.Active());
    EXPECT_TRUE(p->Trace().empty()) << "no statement for the lost edit";
    EXPECT_SQL(f.Open());
    EXPECT_EQ(f.FieldByName(QStringLiteral("KNAZVA"))->AsString(), QStringLiteral("ФКН"));
}

TEST_F(DataSetEdit, NewRecordTakesTheColumnDefaults) {
    TpFIBDataSet d(&p->Form());
    d.SetName(QStringLiteral("defaults_dataset"));
    d.SetDatabase(&p->Db());
    d.SetTransaction(&p->Tr());
    d.SetSelectSQL(
        {QStringLiteral("SELECT ID, S, E, N, F, TS, DN, DOWN, NL, PLAIN FROM DEFAULTS")});
    d.SetInsertSQL(
        {QStringLiteral("INSERT INTO DEFAULTS (ID, S, E, N, F, TS, DN, DOWN, NL, PLAIN)"),
         QStringLiteral("VALUES (:ID, :S, :E, :N, :F, :TS, :DN, :DOWN, :NL, :PLAIN)")});
    EXPECT_SQL(d.Open());
    EXPECT_EQ(d.FieldByName(QStringLiteral("S"))->DefaultExpression, QStringLiteral("'abc'"));
    EXPECT_EQ(d.FieldByName(QStringLiteral("E"))->DefaultExpression, QStringLiteral("''"));
    EXPECT_EQ(d.FieldByName(QStringLiteral("N"))->DefaultExpression, QStringLiteral("5"));
    EXPECT_EQ(d.FieldByName(QStringLiteral("TS"))->DefaultExpression,
              QStringLiteral("CURRENT_TIMESTAMP"));
    EXPECT_SQL(d.Insert());
    EXPECT_EQ(d.FieldByName(QStringLiteral("S"))->AsString(), QStringLiteral("abc"));
    EXPECT_FALSE(d.FieldByName(QStringLiteral("E"))->IsNull()) << "'' on a NOT NULL column";
    EXPECT_EQ(d.FieldByName(QStringLiteral("E"))->AsString(), QString());
    EXPECT_EQ(d.FieldByName(QStringLiteral("N"))->AsInteger(), 5);
    EXPECT_DOUBLE_EQ(d.FieldByName(QStringLiteral("F"))->AsFloat(), 1.5);
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_NEAR(d.FieldByName(QStringLiteral("TS"))->AsDateTime(),
                EncodeDateTime(now.date(), now.time()), 60.0 / 86400);
    EXPECT_EQ(d.FieldByName(QStringLiteral("DN"))->AsString(), QStringLiteral("domain's"));
    EXPECT_EQ(d.FieldByName(QStringLiteral("DOWN"))->AsString(), QStringLiteral("own"));
    EXPECT_TRUE(d.FieldByName(QStringLiteral("NL"))->IsNull());
    EXPECT_TRUE(d.FieldByName(QStringLiteral("PLAIN"))->IsNull());
    EXPECT_TRUE(d.FieldByName(QStringLiteral("ID"))->IsNull()) << "no generator configured";
    EXPECT_FALSE(d.Modified());
    EXPECT_SQL(d.FieldByName(QStringLiteral("ID"))->SetAsInteger(1));
    EXPECT_SQL(d.Post());
    EXPECT_EQ(p->Db()
                  .SelectValue(QStringLiteral("select S || '|' || E || '|' || N from DEFAULTS "
                                              "where ID = 1"),
                               0, &p->Tr())
                  .toString(),
              QStringLiteral("abc||5"));
    d.Close();
}

// Two users: the second changes what the first is editing.
class TwoUsers : public DataSetEdit {
protected:
    void SetUp() override {
        DataSetEdit::SetUp();
        // A row of its own for each case, so that cases do not meet.
        key = 2000 + counter++;
        EditTestDatabase().Isql(
            QStringLiteral("INSERT INTO FAKULTET VALUES (%1, 'Спільний', 'СП');\nCOMMIT;\n")
                .arg(key));
        other = std::make_unique<EditConnection>();
        TpFIBDataSet& f = p->Faculty();
        f.SetSelectSQL(
            {QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET WHERE F_ID = %1").arg(key)});
        EXPECT_SQL(f.Open());
    }
    // Runs a statement in the second user's transaction.
    void OtherRuns(const QString& sql) {
        if (!other->Tr().Active())
            other->Tr().StartTransaction();
        TFIBQuery q;
        q.SetDatabase(&other->Db());
        q.SetTransaction(&other->Tr());
        q.SetSQLText(sql);
        q.ExecQuery();
    }
    static inline int counter = 0;
    int key = 0;
    std::unique_ptr<EditConnection> other;
};

TEST_F(TwoUsers, PostOfARowDeletedMeanwhileIsReportedAndKeepsTheEdit) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Edit());
    EXPECT_SQL(f.FieldByName(QStringLiteral("NAZVA"))->SetAsString(QStringLiteral("Мій варіант")));
    EXPECT_SQL(OtherRuns(QStringLiteral("delete from FAKULTET where F_ID = %1").arg(key)));
    other->Tr().Commit();
    EXPECT_THROW(f.Post(), EFIBRecordChangedError);
    const QString message = MessageOf([&] { f.Post(); });
    EXPECT_EQ(message, QStringLiteral("Can't update: the record was changed or deleted by another "
                                      "user. (main_frm.faculty_dataset)"));
    EXPECT_EQ(f.State(), stEdit);
    EXPECT_EQ(f.FieldByName(QStringLiteral("NAZVA"))->AsString(), QStringLiteral("Мій варіант"));
    EXPECT_EQ(f.UpdateStatus(), cusUnmodified);
    EXPECT_SQL(f.Cancel());
    EXPECT_EQ(f.FieldByName(QStringLiteral("NAZVA"))->AsString(), QStringLiteral("Спільний"));
}

// The user wanted the row gone and it is: no error, and it leaves the dataset.
TEST_F(TwoUsers, DeleteOfARowDeletedMeanwhileRemovesItWithoutAnError) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(OtherRuns(QStringLiteral("delete from FAKULTET where F_ID = %1").arg(key)));
    other->Tr().Commit();
    EXPECT_SQL(f.Delete());
    EXPECT_EQ(f.State(), stBrowse);
    EXPECT_EQ(f.RecordCount(), 0);
    EXPECT_EQ(f.DeletedCount(), 1);
    EXPECT_TRUE(f.IsEmpty());
}

// Posting after another user changed a column this user left alone: that
// column keeps their committed value, this user's column takes the new one.
TEST_F(TwoUsers, PostKeepsAColumnAnotherUserCommittedMeanwhile) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(f.Edit());
    EXPECT_SQL(f.FieldByName(QStringLiteral("NAZVA"))->SetAsString(QStringLiteral("Моє")));
    EXPECT_SQL(
        OtherRuns(QStringLiteral("update FAKULTET set KNAZVA = 'їхнє' where F_ID = %1").arg(key)));
    other->Tr().Commit();
    EXPECT_SQL(f.Post());
    EXPECT_EQ(f.FieldByName(QStringLiteral("NAZVA"))->AsString(), QStringLiteral("Моє"));
    EXPECT_EQ(f.FieldByName(QStringLiteral("KNAZVA"))->AsString(), QStringLiteral("їхнє"));
    p->Tr().Commit();
    EXPECT_EQ(other->Db()
                  .SelectValue(QStringLiteral("select NAZVA || '|' || KNAZVA from FAKULTET "
                                              "where F_ID = %1")
                                   .arg(key),
                               0, &other->Tr())
                  .toString(),
              QStringLiteral("Моє|їхнє"));
}

TEST_F(TwoUsers, ALockConflictFailsThePostUntilTheOtherCommits) {
    TpFIBDataSet& f = p->Faculty();
    EXPECT_SQL(
        OtherRuns(QStringLiteral("update FAKULTET set KNAZVA = 'їхнє' where F_ID = %1").arg(key)));
    EXPECT_SQL(f.Edit());
    EXPECT_SQL(f.FieldByName(QStringLiteral("NAZVA"))->SetAsString(QStringLiteral("Моє")));
    const QString conflict = MessageOf([&] { f.Post(); });
    EXPECT_TRUE(conflict.contains(QStringLiteral("Update conflicts with concurrent update")))
        << conflict.toStdString();
    EXPECT_EQ(f.State(), stEdit);
    EXPECT_EQ(f.FieldByName(QStringLiteral("NAZVA"))->AsString(), QStringLiteral("Моє"));
    other->Tr().Commit();
    EXPECT_SQL(f.Post());
    EXPECT_EQ(f.State(), stBrowse);
    // The update writes this user's change, and keeps the other's committed
    // change to the column this user left alone.
    EXPECT_EQ(f.FieldByName(QStringLiteral("NAZVA"))->AsString(), QStringLiteral("Моє"));
    EXPECT_EQ(f.FieldByName(QStringLiteral("KNAZVA"))->AsString(), QStringLiteral("їхнє"));
}

} // namespace
