// options.ini: loading into the connection settings, the options dialog and
// the main window's position; the defaults; saving.

#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "tests/app/FakeMainWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <sys/stat.h>

using namespace veltor::test;

namespace {

class Settings : public SettingsFixture {
protected:
    void WriteOptions(const QByteArray& content) { folder.WriteFile("options.ini", content); }
};

TEST_F(Settings, LoadWithoutFileGivesTheDefaults) {
    load_settings();
    EXPECT_FALSE(options->save_forms_position->isChecked());
    EXPECT_TRUE(main.centred);
    EXPECT_EQ(current_language, system_language_name());
    EXPECT_EQ(main.database.DBName(), "127.0.0.1:c:\\veltormain\\DB\\VELTOR.FDB");
    EXPECT_EQ(main.database.ConnectParams().UserName(), "SYSDBA");
    EXPECT_EQ(main.database.ConnectParams().Password(), "tarnwheel");
    EXPECT_EQ(options->db_dbname_e->text(), "127.0.0.1:c:\\veltormain\\DB\\VELTOR.FDB");
    EXPECT_EQ(options->db_username_e->text(), "SYSDBA");
    EXPECT_EQ(options->db_password_e->text(), "tarnwheel");
    EXPECT_FALSE(folder.Exists("options.ini")) << "loading writes nothing";
}

struct PositionCase {
    const char* name;
    const char* file;
    bool ticked;
    bool centred;
    QPoint position;
};

class SettingsPosition : public Settings, public testing::WithParamInterface<PositionCase> {};

TEST_P(SettingsPosition, FlagDecidesWhetherTheSavedPositionIsApplied) {
    main.move(0, 0);
    WriteOptions(GetParam().file);
    load_settings();
    EXPECT_EQ(options->save_forms_position->isChecked(), GetParam().ticked);
    EXPECT_EQ(main.centred, GetParam().centred);
    EXPECT_EQ(main.pos(), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsPosition,
    testing::Values(PositionCase{"SetWithoutMainFormKeepsDesigned",
                                 "[General]\nSave_Forms_Position=1\n",
                                 true,
                                 false,
                                 {0, 0}},
                    PositionCase{"HexXWithoutY",
                                 "[General]\nSave_Forms_Position=1\n[Main_Form]\nX=0x64\n",
                                 true,
                                 false,
                                 {100, 0}},
                    PositionCase{"BothEdges",
                                 "[General]\nSave_Forms_Position=1\n[Main_Form]\nX=30\nY=40\n",
                                 true,
                                 false,
                                 {30, 40}},
                    PositionCase{"TwoCountsAsSet",
                                 "[General]\nSave_Forms_Position=2\n[Main_Form]\nY=7\n",
                                 true,
                                 false,
                                 {0, 7}},
                    PositionCase{"NotAnIntegerEdgeGoesToZero",
                                 "[General]\nSave_Forms_Position=1\n[Main_Form]\nX=left\nY=$20\n",
                                 true,
                                 false,
                                 {0, 32}},
                    PositionCase{"YesCountsAsNotSet",
                                 "[General]\nSave_Forms_Position=yes\n[Main_Form]\nX=30\n",
                                 false,
                                 true,
                                 {0, 0}},
                    PositionCase{"UnsetIgnoresThePosition",
                                 "[General]\nSave_Forms_Position=0\n[Main_Form]\nX=30\nY=40\n",
                                 false,
                                 true,
                                 {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Settings, LoadReadsKeysInAnyCaseAndAnEmptyLanguage) {
    WriteOptions("[general]\nlanguage=\n[DATABASE]\ndbname=host:/db.fdb\nusername=ADMIN\n"
                 "USERPASS=secret\n");
    current_language = "Before";
    load_settings();
    EXPECT_EQ(current_language, "") << "an empty value is a value, not the default";
    EXPECT_EQ(main.database.DBName(), "host:/db.fdb");
    EXPECT_EQ(options->db_dbname_e->text(), "host:/db.fdb");
    EXPECT_EQ(options->db_username_e->text(), "ADMIN");
    EXPECT_EQ(options->db_password_e->text(), "secret");
}

TEST_F(Settings, SaveWritesTheSevenKeysFromDialogLanguageAndWindow) {
    current_language = "Українська";
    options->language_e->setText("not this one");
    main.move(12, 34);
    options->save_forms_position->setChecked(false);
    options->db_dbname_e->setText("srv:/x.fdb");
    options->db_username_e->setText("U");
    options->db_password_e->setText("P");
    save_settings();
    EXPECT_EQ(QString::fromUtf8(folder.ReadFile("options.ini")),
              "[General]\nLanguage=Українська\nSave_Forms_Position=0\n[Main_Form]\nX=12\nY=34\n"
              "[DataBase]\nDBName=srv:/x.fdb\nUserName=U\nUserPass=P\n");
    EXPECT_EQ(main.database.DBName(), "") << "saving never changes the connection";
}

TEST_F(Settings, OptionsFileHoldingThePasswordIsReadableByItsOwnerOnly) {
    save_settings();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(options_file_name()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Settings, DefaultsApplyTheLanguageAndFillTheDialogOnly) {
    folder.WriteFile("Languages/Aaa.olg", "[WORDS]\n_OK_=Okay\n");
    options->save_forms_position->setChecked(true);
    set_default_settings();
    EXPECT_EQ(current_language, "Aaa");
    EXPECT_EQ(options->ok_btn->text(), "Okay");
    EXPECT_FALSE(options->save_forms_position->isChecked());
    EXPECT_EQ(options->db_dbname_e->text(), "127.0.0.1:c:\\veltormain\\DB\\VELTOR.FDB");
    EXPECT_EQ(options->db_username_e->text(), "SYSDBA");
    EXPECT_EQ(options->db_password_e->text(), "tarnwheel");
    EXPECT_EQ(main.database.DBName(), "");
    EXPECT_TRUE(main.centred);
    EXPECT_FALSE(folder.Exists("options.ini"));
}

} // namespace
