// The server goes away while the user works: it is down at start, it dies
// while rows are read, the user's attachment is killed or the database is
// shut down while a row is typed, and the connection breaks at the exit's
// commit. Each time one clear message, nothing typed lost, and the next view
// switch carries on once the server is back.

#include "tests/reliability/Sitting.h"

#include <QProcess>
#include <QRegularExpression>

using namespace veltor::test;

namespace {

const QRegularExpression kServerGoneWords(QStringLiteral("connection|shutdown"),
                                          QRegularExpression::CaseInsensitiveOption);

class ServerFaults : public Sitting {
protected:
    explicit ServerFaults(TestData data = TestData::Fixture) : Sitting(data) {}

    void ExpectOneConnectionError() const {
        ASSERT_EQ(Errors().size(), 1) << ErrorList();
        EXPECT_TRUE(kServerGoneWords.match(Errors()[0]).hasMatch()) << ErrorList();
        EXPECT_TRUE(Errors()[0].startsWith(QStringLiteral("main_frm."))) << ErrorList();
    }

    void Gfix(const QStringList& args) const {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("gfix"),
                args + QStringList{QStringLiteral("-user"), TestUser(), QStringLiteral("-password"),
                                   TestPassword(), db->ConnectionString()});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    }
};

class ResultsServerFaults : public ServerFaults {
protected:
    ResultsServerFaults() : ServerFaults(TestData::Demo) {}
};

TEST_F(ServerFaults, ServerDownAtStartShowsTheConnectionMessageThenTheOptionsAndEnds) {
    server.Stop();
    WriteOptions();
    run_startup();
    EXPECT_TRUE(program_end_requested());
    EXPECT_FALSE(main_frm->DataBase->Connected());
    const QString expected = translate(QStringLiteral("_DB_CONNECTION_ERROR_"));
    const auto shown = std::find_if(dialogs.messages.begin(), dialogs.messages.end(),
                                    [&](const TMessage& m) { return m.text == expected; });
    ASSERT_NE(shown, dialogs.messages.end()) << dialogs.Texts().join('\n').toStdString();
    EXPECT_EQ(shown->icon, TMsgIcon::None);
    EXPECT_EQ(shown->buttons, TMsgButtons::Ok);
    EXPECT_TRUE(Errors().isEmpty()) << "the server's own message is not shown: " << ErrorList();
    EXPECT_EQ(dialogs.modals, QStringList{QStringLiteral("options_frm")});
}

TEST_F(ResultsServerFaults, ServerKilledWhileResultsAreReadGivesOneErrorThenTheNextSwitchReads) {
    Start();
    ShowResults();
    ASSERT_TRUE(Errors().isEmpty()) << ErrorList();
    const QStringList first = Shown(main_frm->resultat_grid, "FAMILIYA");
    ASSERT_FALSE(first.isEmpty());

    server.Kill();
    server.Start();
    Press(main_frm->resultat_navigator, TNavigateBtn::nbLast);
    ExpectOneConnectionError();
    EXPECT_FALSE(main_frm->DataBase->Connected());
    // Still responsive: the rows already read are there to move through.
    Press(main_frm->resultat_navigator, TNavigateBtn::nbFirst);
    EXPECT_EQ(Shown(main_frm->resultat_grid, "FAMILIYA"), first);
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_LT(main_frm->resultat_dataset->FetchedCount(), 100000);

    ShowResults();
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_TRUE(main_frm->DataBase->Connected());
    EXPECT_EQ(Shown(main_frm->resultat_grid, "FAMILIYA"), first);
    Press(main_frm->resultat_navigator, TNavigateBtn::nbLast);
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(main_frm->resultat_dataset->RecordCount(), 100000);
    EXPECT_EQ(db->QueryInt(QStringLiteral("select count(*) from resultat")), 100000);
}

// The row being typed when the attachment goes: the post fails, the values
// stay in the grid, and the next view switch attaches again and saves them.
TEST_F(ServerFaults, AttachmentKilledOrDatabaseShutDownWhileARowIsTyped) {
    struct Case {
        const char* what;
        std::function<void()> cut;
        std::function<void()> mend;
    };
    const Case cases[] = {
        {"attachment deleted",
         [this] {
             db->Isql(QStringLiteral("delete from mon$attachments where mon$attachment_id = %1;"
                                     "\ncommit;\n")
                          .arg(main_frm->DataBase->AttachmentID()));
         },
         [] {}},
        {"database shut down",
         [this] {
             Gfix({"-shut", "full", "-force", "0"});
         },
         [this] {
             Gfix({"-online", "normal"});
         }},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.messages.clear();
        const QString typed = QStringLiteral("Факультет після збою: ") + c.what;
        EditCell(main_frm->faculty_db, "NAZVA");
        Type(main_frm->faculty_db, typed);
        ASSERT_EQ(main_frm->faculty_dataset->State(), stEdit);
        const QString id = Current(main_frm->faculty_db, "F_ID");
        const QString before = Query("select nazva from fakultet where f_id = " + id);

        c.cut();
        Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
        ExpectOneConnectionError();
        EXPECT_EQ(main_frm->faculty_dataset->State(), stEdit);
        EXPECT_EQ(Current(main_frm->faculty_db, "NAZVA"), typed) << "the typed value stays";
        c.mend();
        EXPECT_EQ(Query("select nazva from fakultet where f_id = " + id), before);

        ShowDisciplines();
        EXPECT_EQ(Errors().size(), 1) << ErrorList();
        EXPECT_TRUE(main_frm->DataBase->Connected());
        EXPECT_TRUE(main_frm->discipline_pnl->isVisible());
        EXPECT_FALSE(Shown(main_frm->discipline_grid, "NAZVA").isEmpty());
        EXPECT_EQ(Query("select nazva from fakultet where f_id = " + id), typed);
        ShowStudents();
        EXPECT_EQ(Current(main_frm->faculty_db, "NAZVA"), typed);
    }
}

TEST_F(ServerFaults, ConnectionLostAtTheExitsCommitOffersToLeaveWithoutSaving) {
    folder.WriteFile("Languages/English.olg",
                     "[WORDS]\n_EXIT_=Exit\n_EXIT_CONFIRMATION_=Leave the program?\n"
                     "_EXIT_WITHOUT_SAVING_=Leave without saving?\n");
    Start();
    const QString before = Query("select nazva from fakultet where f_id = 1");
    EditCell(main_frm->faculty_db, "NAZVA");
    Type(main_frm->faculty_db, QStringLiteral("Не збережеться"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    ASSERT_EQ(main_frm->faculty_dataset->State(), stBrowse) << ErrorList();

    server.Kill();
    dialogs.messages.clear();
    dialogs.answers = {TMsgResult::Yes, TMsgResult::No};
    EXPECT_FALSE(main_frm->close()) << "No keeps the program open";
    ExpectOneConnectionError();
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[2].icon, TMsgIcon::Warning);
    EXPECT_EQ(dialogs.messages[2].buttons, TMsgButtons::YesNo);

    // Still no server: the post the server lost is still owed and cannot be
    // sent again, so leaving without it is asked once more; Yes leaves.
    dialogs.messages.clear();
    dialogs.answers = {TMsgResult::Yes, TMsgResult::Yes};
    EXPECT_TRUE(main_frm->close());
    ExpectOneConnectionError();
    ASSERT_EQ(dialogs.messages.size(), 3u) << dialogs.Texts().join('\n').toStdString();
    EXPECT_EQ(dialogs.messages[2].icon, TMsgIcon::Warning);
    server.Start();
    EXPECT_EQ(Query("select nazva from fakultet where f_id = 1"), before)
        << "the uncommitted post went with the server";
}

TEST_F(ServerFaults, RowTypedWhenTheServerIsGoneAtExitCanBeLeftOrKept) {
    Start();
    EditCell(main_frm->faculty_db, "NAZVA");
    Type(main_frm->faculty_db, QStringLiteral("Набрано без сервера"));
    server.Kill();
    dialogs.messages.clear();
    // The first try fails on the dead connection, the second cannot attach.
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        dialogs.messages.clear();
        dialogs.answers = {TMsgResult::Yes, TMsgResult::No};
        EXPECT_FALSE(main_frm->close());
        ASSERT_EQ(Errors().size(), 1) << ErrorList();
        ASSERT_EQ(dialogs.messages.size(), 3u);
        EXPECT_EQ(dialogs.messages[2].icon, TMsgIcon::Warning);
        EXPECT_EQ(main_frm->faculty_dataset->State(), stEdit);
        EXPECT_EQ(Current(main_frm->faculty_db, "NAZVA"), QStringLiteral("Набрано без сервера"));
    }
    // The server is back: leaving saves the typed row.
    server.Start();
    dialogs.messages.clear();
    dialogs.answers = {TMsgResult::Yes};
    EXPECT_TRUE(main_frm->close()) << ErrorList();
    EXPECT_EQ(Query("select nazva from fakultet where f_id = 1"),
              QStringLiteral("Набрано без сервера"));
}

} // namespace
