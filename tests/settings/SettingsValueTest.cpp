// options.ini as a value: defaults, loading, saving and comparison, with no
// window and no connection involved.

#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "tests/settings/ProgramFolderFixture.h"

#include <sys/stat.h>

using namespace veltor::test;

namespace {

class SettingsValue : public ProgramFolderFixture {
protected:
    TSettings LoadFrom(const QByteArray& content) {
        folder.WriteFile("options.ini", content);
        return TSettings::Load(options_file_name());
    }
};

TEST_F(SettingsValue, MissingFileLoadsAsTheDefaultsAndStaysMissing) {
    const TSettings d = TSettings::Defaults();
    EXPECT_EQ(d.language, system_language_name());
    EXPECT_FALSE(d.save_forms_position);
    EXPECT_EQ(d.x, std::nullopt);
    EXPECT_EQ(d.y, std::nullopt);
    EXPECT_EQ(d.db_name, "127.0.0.1:c:\\veltormain\\DB\\VELTOR.FDB");
    EXPECT_EQ(d.user_name, "SYSDBA");
    EXPECT_EQ(d.password, "tarnwheel");
    EXPECT_EQ(TSettings::Load(options_file_name()), d);
    EXPECT_FALSE(folder.Exists("options.ini"));
}

TEST_F(SettingsValue, LoadReadsKeysInAnyCaseAndKeepsAnEmptyValue) {
    const TSettings s =
        LoadFrom("[general]\nlanguage=\nsave_forms_position=2\n[MAIN_FORM]\nx=0x64\n"
                 "[DATABASE]\ndbname=host:/db.fdb\nusername=ADMIN\nUSERPASS=\n");
    EXPECT_EQ(s.language, "") << "an empty value is a value, not the default";
    EXPECT_TRUE(s.save_forms_position);
    EXPECT_EQ(s.x, 100);
    EXPECT_EQ(s.y, std::nullopt);
    EXPECT_EQ(s.db_name, "host:/db.fdb");
    EXPECT_EQ(s.user_name, "ADMIN");
    EXPECT_EQ(s.password, "");
}

TEST_F(SettingsValue, EdgesAndFlagThatAreNoNumbers) {
    const TSettings s =
        LoadFrom("[General]\nSave_Forms_Position=yes\n[Main_Form]\nX=left\nY=$20\n");
    EXPECT_FALSE(s.save_forms_position);
    EXPECT_EQ(s.x, 0) << "a present edge that is no integer reads as 0";
    EXPECT_EQ(s.y, 32);
}

TEST_F(SettingsValue, SaveWritesTheSevenKeysInTheirOrderAndLoadsBackEqual) {
    TSettings s = TSettings::Defaults();
    s.language = "Українська";
    s.x = 12;
    s.y = -3;
    s.save_forms_position = true;
    s.db_name = "srv:/x.fdb";
    s.user_name = "U";
    s.password = "P";
    s.Save(options_file_name());
    EXPECT_EQ(QString::fromUtf8(folder.ReadFile("options.ini")),
              "[General]\nLanguage=Українська\nSave_Forms_Position=1\n[Main_Form]\nX=12\nY=-3\n"
              "[DataBase]\nDBName=srv:/x.fdb\nUserName=U\nUserPass=P\n");
    EXPECT_EQ(TSettings::Load(options_file_name()), s);

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(options_file_name()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file holds the password";
}

TEST_F(SettingsValue, EdgesTheValueLacksAreSavedAsZero) {
    TSettings::Defaults().Save(options_file_name());
    const TSettings back = TSettings::Load(options_file_name());
    EXPECT_EQ(back.x, 0);
    EXPECT_EQ(back.y, 0);
    EXPECT_NE(back, TSettings::Defaults());
}

TEST_F(SettingsValue, ValuesDifferingInAnyOneSettingAreUnequal) {
    const TSettings base = TSettings::Defaults();
    const std::function<void(TSettings&)> changes[] = {
        [](TSettings& s) { s.language += "x"; }, [](TSettings& s) { s.save_forms_position = true; },
        [](TSettings& s) { s.x = 0; },           [](TSettings& s) { s.y = 0; },
        [](TSettings& s) { s.db_name += "x"; },  [](TSettings& s) { s.user_name += "x"; },
        [](TSettings& s) { s.password += "x"; },
    };
    for (const auto& change : changes) {
        TSettings other = base;
        change(other);
        EXPECT_NE(other, base);
    }
    EXPECT_EQ(TSettings(base), base);
}

TEST_F(SettingsValue, UnwritableFileRaises) {
    // A directory where options.ini belongs cannot be replaced, even by root.
    QDir().mkdir(options_file_name());
    try {
        TSettings::Defaults().Save(options_file_name());
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + options_file_name());
    }
}

} // namespace
