// Where the program keeps options.ini and its language files: beside a
// program laid out in a folder it may write, in the user's configuration
// folder for an installed program or one whose folder it may not write.

#include "settings/ProgramFolder.h"
#include "settings/IniFile.h"
#include "tests/settings/OtherUser.h"
#include "tests/settings/ScopedEnvironment.h"
#include "tests/support/TempProgramFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace veltor::test;

namespace {

const QByteArray kEnglish = "[WORDS]\n_OK_=OK\n";
const QByteArray kUkrainian = "[WORDS]\n_OK_=Гаразд\n";

QStringList LanguageFiles(const QString& folder) {
    return QDir(folder + "Languages").entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Permission bits of a file or folder.
unsigned ModeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class ProgramFolder : public testing::Test {
protected:
    ProgramFolder() : config_("XDG_CONFIG_HOME", Bytes(folder.FilePath("config"))) {}

    static QByteArray Bytes(const QString& path) { return QFile::encodeName(path); }
    QString UserFolder() const { return folder.FilePath("config/veltor-admin/"); }

    // /usr/bin/veltor-admin with its language files in /usr/share.
    QString Installed() const {
        folder.WriteFile("usr/bin/veltor-admin", "");
        folder.WriteFile("usr/share/veltor-admin/Languages/English.olg", kEnglish);
        folder.WriteFile("usr/share/veltor-admin/Languages/Українська.olg", kUkrainian);
        return folder.FilePath("usr/bin");
    }
    // The program folder as the run command lays it out.
    QString LaidOut() const {
        folder.WriteFile("out/veltor/veltor-admin", "");
        folder.WriteFile("out/veltor/Languages/English.olg", kEnglish);
        return folder.FilePath("out/veltor");
    }

    TempProgramFolder folder;

private:
    ScopedEnvironment config_;
};

TEST_F(ProgramFolder, WritableLaidOutFolderKeepsTheFilesBesideTheProgram) {
    const QString own = LaidOut();
    EXPECT_EQ(resolve_program_folder(own), own + "/");
    EXPECT_EQ(resolve_program_folder(own + "/"), own + "/");
    EXPECT_FALSE(folder.Exists("config")) << "the user's folder was made for nothing";
}

// Root may write /usr/bin, yet an installed program must not fill it with
// settings and language files.
TEST_F(ProgramFolder, InstalledProgramUsesAPrivateUserFolderWithACopyOfItsLanguages) {
    const QString bin = Installed();
    ASSERT_TRUE(QFileInfo(bin).isWritable());

    EXPECT_EQ(resolve_program_folder(bin), UserFolder());

    EXPECT_EQ(LanguageFiles(UserFolder()), (QStringList{"English.olg", "Українська.olg"}));
    EXPECT_EQ(folder.ReadFile("config/veltor-admin/Languages/Українська.olg"), kUkrainian);
    EXPECT_EQ(ModeOf(UserFolder()), 0700u) << "the settings hold the password in plain text";
    EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"veltor-admin"});
    EXPECT_EQ(QDir(UserFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"Languages"})
        << "no staging folder left behind";
}

// The user's language files grow with the keys they lack and may be edited
// or removed: a later start leaves them as they are (unless the shipped
// files bring keys they lack, below).
TEST_F(ProgramFolder, LanguagesAreCopiedOnlyAtTheFirstStart) {
    const QString bin = Installed();
    ASSERT_EQ(resolve_program_folder(bin), UserFolder());
    folder.WriteFile("config/veltor-admin/Languages/English.olg", "[WORDS]\n_OK_=Fine\n");
    ASSERT_TRUE(QFile::remove(UserFolder() + "Languages/Українська.olg"));

    EXPECT_EQ(resolve_program_folder(bin), UserFolder());

    EXPECT_EQ(LanguageFiles(UserFolder()), QStringList{"English.olg"});
    EXPECT_EQ(folder.ReadFile("config/veltor-admin/Languages/English.olg"), "[WORDS]\n_OK_=Fine\n");
}

// An upgrade ships captions the user's copies lack: they take the shipped
// translations instead of showing the keys, and what the user has stays.
TEST_F(ProgramFolder, UpgradeAddsTheNewCaptionsToTheUsersCopiesAndKeepsTheirOwn) {
    const QString bin = Installed();
    ASSERT_EQ(resolve_program_folder(bin), UserFolder());
    folder.WriteFile("config/veltor-admin/Languages/Українська.olg",
                     "[WORDS]\n_OK_=Так\n_MY_KEY_=Моє\n");
    ASSERT_TRUE(QFile::remove(UserFolder() + "Languages/English.olg"));
    folder.WriteFile("usr/share/veltor-admin/Languages/Українська.olg",
                     "[WORDS]\n_OK_=Гаразд\n_EXPORT_CSV_=Експорт у CSV…\n_FIND_=Знайти\n");
    folder.WriteFile("usr/share/veltor-admin/Languages/English.olg",
                     "[WORDS]\n_OK_=OK\n_FIND_=Find\n");

    EXPECT_EQ(resolve_program_folder(bin), UserFolder());

    const TIniFile copy(UserFolder() + "Languages/Українська.olg");
    EXPECT_EQ(copy.ReadSection("WORDS"),
              (QStringList{"_OK_", "_MY_KEY_", "_EXPORT_CSV_", "_FIND_"}));
    EXPECT_EQ(copy.ReadString("WORDS", "_OK_", ""), "Так");
    EXPECT_EQ(copy.ReadString("WORDS", "_MY_KEY_", ""), "Моє");
    EXPECT_EQ(copy.ReadString("WORDS", "_EXPORT_CSV_", ""), "Експорт у CSV…");
    EXPECT_EQ(LanguageFiles(UserFolder()), QStringList{"Українська.olg"})
        << "a language the user removed stays removed";

    // Nothing new: the copy is not written again.
    const QByteArray before = folder.ReadFile("config/veltor-admin/Languages/Українська.olg");
    const QDateTime written = QFileInfo(UserFolder() + "Languages/Українська.olg").lastModified();
    EXPECT_EQ(resolve_program_folder(bin), UserFolder());
    EXPECT_EQ(folder.ReadFile("config/veltor-admin/Languages/Українська.olg"), before);
    EXPECT_EQ(QFileInfo(UserFolder() + "Languages/Українська.olg").lastModified(), written);
}

TEST_F(ProgramFolder, InstalledProgramWithoutLanguageFilesGetsNoLanguagesFolder) {
    folder.WriteFile("usr/bin/veltor-admin", "");
    ASSERT_TRUE(QDir().mkpath(folder.FilePath("usr/share/veltor-admin/Languages")));

    EXPECT_EQ(resolve_program_folder(folder.FilePath("usr/bin")), UserFolder());
    EXPECT_TRUE(QFileInfo(UserFolder()).isDir());
    EXPECT_TRUE(LanguageFiles(UserFolder()).isEmpty());
}

// A folder the user may not write: as root, the check runs as nobody, since
// root may write any folder. Shipped files that are read-only must still give
// the user language files that can take new keys.
TEST_F(ProgramFolder, FolderTheUserMayNotWriteMovesTheFilesToTheUserFolder) {
    const passwd* user = OtherUser();
    if (::geteuid() == 0 && !user)
        GTEST_SKIP() << "running as root without a user named nobody to drop to";
    const QString own = LaidOut();
    ASSERT_EQ(::chmod(Bytes(own + "/Languages/English.olg").constData(), 0444), 0);
    ASSERT_TRUE(QDir().mkpath(folder.FilePath("config")));
    if (user) {
        ASSERT_EQ(::chmod(Bytes(folder.Path()).constData(), 0711), 0);
        ASSERT_EQ(::chown(Bytes(folder.FilePath("config")).constData(), user->pw_uid, user->pw_gid),
                  0);
    } else {
        ASSERT_EQ(::chmod(Bytes(own).constData(), 0555), 0);
    }

    // Bit 0: the wrong folder; bit 1: options.ini not writable there; bit 2:
    // the copied language file refuses a new key.
    const auto resolveAndWrite = [&]() {
        int failed = 0;
        const QString resolved = resolve_program_folder(own);
        if (resolved != UserFolder())
            failed |= 1;
        try {
            TIniFile(resolved + "options.ini").WriteString("General", "Language", "English");
        } catch (const EIniFileException&) {
            failed |= 2;
        }
        try {
            TIniFile(resolved + "Languages/English.olg").WriteString("WORDS", "_NEW_", "_NEW_");
        } catch (const EIniFileException&) {
            failed |= 4;
        }
        return failed;
    };
    const int failed = user ? RunAs(*user, resolveAndWrite) : resolveAndWrite();
    if (!user)
        ::chmod(Bytes(own).constData(), 0755);
    ASSERT_NE(failed, 127) << "could not take the rights of " << user->pw_name;
    ASSERT_NE(failed, 126) << "the child process did not finish";

    EXPECT_FALSE(failed & 1) << "not the user's folder";
    EXPECT_FALSE(failed & 2) << "options.ini could not be written";
    EXPECT_FALSE(failed & 4) << "the copied language file could not be written";
    EXPECT_EQ(folder.ReadFile("config/veltor-admin/Languages/English.olg"),
              kEnglish + "_NEW_=_NEW_\n");
    EXPECT_EQ(folder.ReadFile("out/veltor/Languages/English.olg"), kEnglish);
    EXPECT_FALSE(folder.Exists("out/veltor/options.ini"));
}

TEST_F(ProgramFolder, UserFolderFollowsXdgConfigHomeElseHomeDotConfig) {
    const ScopedEnvironment home("HOME", Bytes(folder.FilePath("home")));
    struct Case {
        const char* name;
        std::optional<QByteArray> configHome;
        QString expected;
    };
    const Case cases[] = {
        {"set", Bytes(folder.FilePath("xdg")), folder.FilePath("xdg/veltor-admin/")},
        {"set with a trailing slash", Bytes(folder.FilePath("xdg/")),
         folder.FilePath("xdg/veltor-admin/")},
        {"unset", std::nullopt, folder.FilePath("home/.config/veltor-admin/")},
        {"empty", QByteArray(), folder.FilePath("home/.config/veltor-admin/")},
        {"relative", QByteArray("xdg"), folder.FilePath("home/.config/veltor-admin/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScopedEnvironment configHome("XDG_CONFIG_HOME", c.configHome);
        EXPECT_EQ(user_program_folder(), c.expected);
    }
}

TEST_F(ProgramFolder, BundledLanguagesAreFoundRelativeToTheProgramFile) {
    EXPECT_EQ(bundled_language_folder(folder.FilePath("nothing")), QString());
    const QString own = LaidOut();
    EXPECT_EQ(bundled_language_folder(own), own + "/Languages/");
    const QString bin = Installed();
    EXPECT_EQ(bundled_language_folder(bin), folder.FilePath("usr/share/veltor-admin/Languages/"));
}

} // namespace
