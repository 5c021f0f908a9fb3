// Start-up, view switches and exit against a real database on the local
// server: the connection and its transaction as the program configures them.

#include "tests/app/ShellFixture.h"
#include "tests/support/TestDatabase.h"

#include "dataset/pFIBDataSet.h"
#include "fib/FIBQuery.h"
#include "fib/pFIBDatabase.h"

using namespace veltor::test;

namespace {

class StartupDatabase : public ShellFixture {
protected:
    StartupDatabase() {
        main_frm->SetDatabaseLinkSteps(nullptr); // the real connection steps
        folder.WriteFile("Languages/English.olg",
                         "[WORDS]\n_DB_CONNECTION_ERROR_=Cannot reach the database.\n"
                         "_EXIT_=Exit\n_EXIT_CONFIRMATION_=Leave?\n");
    }

    void WriteOptions(const QString& dbName, const QString& password) {
        folder.WriteFile("options.ini", ProgramOptions(dbName, TestUser(), password, "English"));
    }

    static TestDatabase& Db() { return ProgramDatabase(TestData::Fixture); }
};

TEST_F(StartupDatabase, StartConnectsAndStartsTheTransactionAsConfigured) {
    WriteOptions(Db().ConnectionString(), TestPassword());
    run_startup();

    EXPECT_FALSE(program_end_requested());
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.Texts().join('\n').toStdString();
    EXPECT_TRUE(main_frm->DataBase->Connected());
    EXPECT_TRUE(main_frm->Transaction->Active());
    EXPECT_EQ(FullComponentName(main_frm->DataBase), "main_frm.DataBase");
    EXPECT_EQ(
        main_frm->DataBase->DBParams(),
        (QStringList{"lc_ctype=WIN1251", "user_name=" + TestUser(), "password=" + TestPassword()}));
    EXPECT_EQ(main_frm->DataBase->SQLDialect(), 3);
    EXPECT_EQ(main_frm->DataBase->DefaultTransaction(), main_frm->Transaction);
    EXPECT_EQ(main_frm->Transaction->TimeoutAction(), TARollback);
}

TEST_F(StartupDatabase, ViewSwitchCommitsAndKeepsTheConnection) {
    WriteOptions(Db().ConnectionString(), TestPassword());
    run_startup();
    main_frm->Students_actExecute();
    EXPECT_TRUE(main_frm->DataBase->Connected());
    EXPECT_TRUE(main_frm->faculty_dataset->Active());
    EXPECT_TRUE(main_frm->student_dataset->Active());
    EXPECT_TRUE(main_frm->Transaction->Active()) << "the opens started it again";
}

TEST_F(StartupDatabase, ConfirmedExitCommitsWhatTheTransactionHolds) {
    WriteOptions(Db().ConnectionString(), TestPassword());
    run_startup();
    ASSERT_TRUE(main_frm->Transaction->Active());
    {
        TFIBQuery insert;
        insert.SetDatabase(main_frm->DataBase);
        insert.SetTransaction(main_frm->Transaction);
        insert.SetSQLText("insert into fakultet (f_id, nazva, knazva) values (77, 'Exit', 'E')");
        insert.ExecQuery();
    }
    dialogs.answers = {TMsgResult::Yes};
    EXPECT_TRUE(main_frm->close());
    EXPECT_FALSE(main_frm->Transaction->Active());
    EXPECT_EQ(Db().QueryInt("select count(*) from fakultet where f_id = 77"), 1);
    Db().Isql("delete from fakultet where f_id = 77; commit;");
}

TEST_F(StartupDatabase, WrongPathOrPasswordShowsTheMessageThenTheOptionsAndEnds) {
    struct Case {
        const char* what;
        QString dbName;
        QString password;
    };
    const Case cases[] = {
        {"missing file", TestHost() + ":/var/lib/firebird/3.0/data/no-such-veltor.fdb",
         TestPassword()},
        {"wrong password", Db().ConnectionString(), "not-the-password"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.messages.clear();
        dialogs.modals.clear();
        WriteOptions(c.dbName, c.password);
        run_startup();
        ASSERT_EQ(dialogs.Texts(), QStringList{"Cannot reach the database."});
        EXPECT_EQ(dialogs.modals, QStringList{"options_frm"});
        EXPECT_TRUE(program_end_requested());
        EXPECT_FALSE(main_frm->DataBase->Connected());
        EXPECT_FALSE(main_frm->Transaction->Active());
    }
}

// With the transaction not active, the commit at exit failed with "not
// active" and the user was asked to leave without saving, with nothing to lose.
TEST_F(StartupDatabase, ExitWithTheTransactionNotActiveClosesWithoutAnError) {
    WriteOptions(Db().ConnectionString(), TestPassword());
    run_startup();
    main_frm->Transaction->Commit();
    ASSERT_FALSE(main_frm->Transaction->Active());
    dialogs.answers = {TMsgResult::Yes, TMsgResult::No};
    EXPECT_TRUE(main_frm->close());
    EXPECT_EQ(dialogs.Texts(), QStringList{"Leave?"}) << "only the confirmation";
    EXPECT_FALSE(main_frm->Transaction->Active());
}

} // namespace
