// Start-up of an installed program: its folder holds only the program file,
// so the settings and the language files live in the user's folder.

#include "tests/app/ShellFixture.h"
#include "tests/settings/ScopedEnvironment.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>

using namespace veltor::test;

namespace {

class InstalledStartup : public ShellFixture {
protected:
    InstalledStartup() {
        folder.WriteFile("usr/bin/veltor-admin", "");
        folder.WriteFile("usr/share/veltor-admin/Languages/English.olg", kShipped);
        set_program_file(folder.FilePath("usr/bin/veltor-admin"));
    }

    static constexpr const char* kShipped = "[WORDS]\n_MAIN_FORM_=Administration\n";
    ScopedEnvironment configHome{"XDG_CONFIG_HOME", QFile::encodeName(folder.FilePath("config"))};
};

TEST_F(InstalledStartup, FirstStartKeepsSettingsAndLanguagesInTheUserFolder) {
    run_startup();

    const QString user = folder.FilePath("config/veltor-admin/");
    EXPECT_EQ(program_folder, user);
    EXPECT_TRUE(dialogs.messages.empty()) << "the shipped language was not found";
    ASSERT_EQ(options_frm->languages_pmnu->actions().size(), 1);
    EXPECT_EQ(options_frm->languages_pmnu->actions()[0]->text(), "English");
    EXPECT_EQ(main_frm->windowTitle(), "Administration Kestrin VELTOR. Dalmik");
    EXPECT_EQ(TIniFile(user + "options.ini").ReadString("General", "Language", "?"), "English");
    // The user's copy takes the keys it lacks; the shipped file stays as shipped.
    EXPECT_EQ(TIniFile(user + "Languages/English.olg").ReadString("WORDS", "_OK_", "?"), "_OK_");
    EXPECT_EQ(folder.ReadFile("usr/share/veltor-admin/Languages/English.olg"), kShipped);
    EXPECT_EQ(QDir(folder.FilePath("usr/bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"veltor-admin"});
}

TEST_F(InstalledStartup, LaterStartReadsTheUserFolderSettings) {
    folder.WriteFile("config/veltor-admin/options.ini",
                     "[General]\nLanguage=English\n[DataBase]\nDBName=server:/data/veltor.fdb\n");
    run_startup();

    EXPECT_EQ(main_frm->DataBase->DBName(), "server:/data/veltor.fdb");
    EXPECT_EQ(options_frm->db_dbname_e->text(), "server:/data/veltor.fdb");
}

} // namespace
