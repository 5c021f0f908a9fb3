// Closing the main window: the confirmation, then saving before committing.

#include "tests/app/ShellFixture.h"

#include "base/Exception.h"

#include <QDir>
#include <QLineEdit>

using namespace veltor::test;

namespace {

class Shutdown : public ShellFixture {
protected:
    Shutdown() {
        folder.WriteFile("Languages/English.olg",
                         "[WORDS]\n_EXIT_=Exit\n_EXIT_CONFIRMATION_=Leave the program?\n");
        folder.WriteFile("options.ini", "[General]\nLanguage=English\n");
        run_startup();
        log.clear();
    }
};

TEST_F(Shutdown, AnsweringNoKeepsTheWindowOpenAndTouchesNothing) {
    const QByteArray before = folder.ReadFile("options.ini");
    options_frm->db_dbname_e->setText("typed:path");
    dialogs.answers = {TMsgResult::No};
    EXPECT_FALSE(main_frm->close());

    ASSERT_EQ(dialogs.messages.size(), 1u);
    const TMessage& m = dialogs.messages[0];
    EXPECT_EQ(m.caption, "Exit");
    EXPECT_EQ(m.text, "Leave the program?");
    EXPECT_EQ(m.icon, TMsgIcon::Question);
    EXPECT_EQ(m.buttons, TMsgButtons::YesNo);
    EXPECT_EQ(m.owner, main_frm);
    EXPECT_EQ(folder.ReadFile("options.ini"), before);
    EXPECT_TRUE(log.isEmpty()) << "no commit";
}

TEST_F(Shutdown, AnsweringYesWritesTheSettingsBeforeTheCommit) {
    options_frm->db_dbname_e->setText("typed:path"); // left with the close button earlier
    steps.commit = [this] {
        log << "commit with DBName=" +
                   TIniFile(options_file_name()).ReadString("DataBase", "DBName", "");
    };
    dialogs.answers = {TMsgResult::Yes};
    EXPECT_TRUE(main_frm->close());
    EXPECT_EQ(log, QStringList{"commit with DBName=typed:path"});
}

TEST_F(Shutdown, ExitKeysAreLookedUpInOrderAndAddedWhenMissing) {
    folder.WriteFile("Languages/English.olg", "[WORDS]\n");
    dialogs.answers = {TMsgResult::No};
    main_frm->close();
    EXPECT_EQ(LanguageKeys("English"), (QStringList{"_EXIT_", "_EXIT_CONFIRMATION_"}));
}

TEST_F(Shutdown, FailedSaveIsReportedAndNeitherCommitsNorCloses) {
    QFile::remove(options_file_name());
    QDir().mkdir(options_file_name());
    dialogs.answers = {TMsgResult::Yes};
    EXPECT_FALSE(main_frm->close());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, "Unable to write to " + options_file_name() + ".");
    EXPECT_EQ(dialogs.messages[1].icon, TMsgIcon::Error);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(Shutdown, FailedCommitIsReportedThenOffersToLeaveWithoutSaving) {
    folder.WriteFile("Languages/English.olg",
                     "[WORDS]\n_EXIT_=Exit\n_EXIT_CONFIRMATION_=Leave the program?\n"
                     "_EXIT_WITHOUT_SAVING_=Leave without saving?\n");
    options_frm->db_username_e->setText("KEEPER");
    steps.commit = [] { throw Exception("connection lost"); };
    struct Case {
        TMsgResult leave;
        bool closes;
    };
    for (const Case& c : {Case{TMsgResult::No, false}, Case{TMsgResult::Yes, true}}) {
        dialogs.messages.clear();
        dialogs.answers = {TMsgResult::Yes, c.leave};
        EXPECT_EQ(main_frm->close(), c.closes);
        ASSERT_EQ(dialogs.messages.size(), 3u);
        EXPECT_EQ(dialogs.messages[1].text, "connection lost.");
        EXPECT_EQ(dialogs.messages[1].icon, TMsgIcon::Error);
        EXPECT_EQ(dialogs.messages[2].text, "Leave without saving?");
        EXPECT_EQ(dialogs.messages[2].icon, TMsgIcon::Warning);
        EXPECT_EQ(dialogs.messages[2].buttons, TMsgButtons::YesNo);
        EXPECT_EQ(TIniFile(options_file_name()).ReadString("DataBase", "UserName", ""), "KEEPER");
    }
}

TEST_F(Shutdown, CommitStoppedSilentlyKeepsTheWindowOpenWithoutAQuestion) {
    steps.commit = [] { throw EAbort(); };
    dialogs.answers = {TMsgResult::Yes};
    EXPECT_FALSE(main_frm->close());
    EXPECT_EQ(dialogs.messages.size(), 1u) << "only the confirmation";
}

} // namespace
