// The INI file rules that options.ini and the language files rely on.

#include "settings/IniFile.h"
#include "tests/settings/OtherUser.h"
#include "tests/support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using veltor::test::OtherUser;
using veltor::test::RunAs;
using veltor::test::TempProgramFolder;

namespace {

struct IntegerCase {
    const char* text;
    int def;
    int expected;
};

class IniInteger : public testing::TestWithParam<IntegerCase> {};

TEST_P(IniInteger, ReadsDecimalAndHexadecimalElseDefault) {
    TempProgramFolder folder;
    folder.WriteFile("a.ini", QByteArray("[S]\nK=") + GetParam().text + "\n");
    TIniFile ini(folder.FilePath("a.ini"));
    EXPECT_EQ(ini.ReadInteger("S", "K", GetParam().def), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, IniInteger,
                         testing::Values(IntegerCase{"100", -1, 100}, IntegerCase{"0x64", -1, 100},
                                         IntegerCase{"0X64", -1, 100}, IntegerCase{"$64", -1, 100},
                                         IntegerCase{"-$10", -1, -16}, IntegerCase{"+7", -1, 7},
                                         IntegerCase{"-2147483648", -1, -2147483647 - 1},
                                         IntegerCase{"2147483648", 5, 5},
                                         IntegerCase{"0xFFFFFFFF", 5, -1},
                                         IntegerCase{"0x100000000", 5, 5}, IntegerCase{"0x", 5, 5},
                                         IntegerCase{"0x1G", 5, 5}, IntegerCase{"yes", 5, 5},
                                         IntegerCase{"", 5, 5}, IntegerCase{"12abc", 5, 5},
                                         IntegerCase{"1 2", 5, 5}, IntegerCase{"  42  ", 5, 42}));

struct FlagCase {
    const char* text;
    bool def;
    bool expected;
};

class IniFlag : public testing::TestWithParam<FlagCase> {};

TEST_P(IniFlag, AnyIntegerButZeroIsTrue) {
    TempProgramFolder folder;
    folder.WriteFile("a.ini", QByteArray("[S]\nK=") + GetParam().text + "\n");
    TIniFile ini(folder.FilePath("a.ini"));
    EXPECT_EQ(ini.ReadBool("S", "K", GetParam().def), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, IniFlag,
                         testing::Values(FlagCase{"1", false, true}, FlagCase{"2", false, true},
                                         FlagCase{"-1", false, true}, FlagCase{"0", true, false},
                                         FlagCase{"0x0", true, false},
                                         FlagCase{"yes", false, false}, FlagCase{"yes", true, true},
                                         FlagCase{"", false, false}));

TEST(IniFile, SectionsAndKeysMatchWithoutRegardToCase) {
    TempProgramFolder folder;
    folder.WriteFile("a.ini", "[database]\ndbname=server:file\n[General]\nLanguage=English\n");
    TIniFile ini(folder.FilePath("a.ini"));
    EXPECT_EQ(ini.ReadString("DataBase", "DBName", "default"), "server:file");
    EXPECT_EQ(ini.ReadString("GENERAL", "language", "default"), "English");
    EXPECT_TRUE(ini.ValueExists("DATABASE", "DbName"));
    EXPECT_FALSE(ini.ValueExists("General", "DBName"));
}

TEST(IniFile, MissingFileSectionOrKeyGivesDefaultButEmptyValueIsAValue) {
    TempProgramFolder folder;
    TIniFile missing(folder.FilePath("none.ini"));
    EXPECT_EQ(missing.ReadString("S", "K", "d"), "d");
    EXPECT_EQ(missing.ReadInteger("S", "K", 9), 9);

    folder.WriteFile("a.ini", "[General]\nLanguage=\n");
    TIniFile ini(folder.FilePath("a.ini"));
    EXPECT_EQ(ini.ReadString("General", "Language", "d"), "");
    EXPECT_TRUE(ini.ValueExists("General", "Language"));
    EXPECT_EQ(ini.ReadString("General", "Other", "d"), "d");
    EXPECT_EQ(ini.ReadString("Other", "Language", "d"), "d");
}

TEST(IniFile, ValueIsTextAfterFirstEqualsSignCutTo2047Characters) {
    TempProgramFolder folder;
    const QByteArray longValue(3000, 'v');
    folder.WriteFile("a.ini", "[S]\nK=a=b\nLong=" + longValue + "\n");
    TIniFile ini(folder.FilePath("a.ini"));
    EXPECT_EQ(ini.ReadString("S", "K", ""), "a=b");
    EXPECT_EQ(ini.ReadString("S", "Long", "").size(), 2047);
}

TEST(IniFile, WritesReplaceInPlaceAndAppendKeysToTheirSectionAndSectionsToTheEnd) {
    TempProgramFolder folder;
    TIniFile ini(folder.FilePath("a.ini"));
    ini.WriteString("General", "Language", "English");
    ini.WriteInteger("Main_Form", "X", 10);
    ini.WriteBool("General", "Save_Forms_Position", true);
    ini.WriteString("general", "LANGUAGE", "Русский");
    ini.WriteBool("Main_Form", "Flag", false);
    EXPECT_EQ(QString::fromUtf8(folder.ReadFile("a.ini")),
              "[General]\nLanguage=Русский\nSave_Forms_Position=1\n"
              "[Main_Form]\nX=10\nFlag=0\n");
}

TEST(IniFile, ReadsUtf8WithOrWithoutByteOrderMarkAndFallsBackToCodePage1251) {
    TempProgramFolder folder;
    folder.WriteFile("bom.olg", "\xEF\xBB\xBF[WORDS]\n_K_=Факультет\n");
    folder.WriteFile("plain.olg", "[WORDS]\n_K_=Факультет\n");
    folder.WriteFile("cp1251.olg", "[WORDS]\n_K_=\xD4\xE0\xEA\xF3\xEB\xFC\xF2\xE5\xF2 \xB9\xB3\n");
    EXPECT_EQ(TIniFile(folder.FilePath("bom.olg")).ReadString("WORDS", "_K_", ""), "Факультет");
    EXPECT_EQ(TIniFile(folder.FilePath("plain.olg")).ReadString("WORDS", "_K_", ""), "Факультет");
    EXPECT_EQ(TIniFile(folder.FilePath("cp1251.olg")).ReadString("WORDS", "_K_", ""),
              "Факультет №і");
}

TEST(IniFile, WriteReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    TempProgramFolder folder;
    folder.WriteFile("a.ini", "; kept comment\n[S]\nK=old\n\n[T]\nL=1\n");
    ::chmod(QFile::encodeName(folder.FilePath("a.ini")).constData(), 0640);
    TIniFile ini(folder.FilePath("a.ini"));
    ini.WriteString("S", "K", "new");
    ini.WriteString("S", "M", "added");
    EXPECT_EQ(folder.ReadFile("a.ini"), "; kept comment\n[S]\nK=new\nM=added\n\n[T]\nL=1\n");
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files), QStringList{"a.ini"});
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.FilePath("a.ini")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "an existing file keeps its permissions";
}

TEST(IniFile, NewFileGetsTheCreationMode) {
    TempProgramFolder folder;
    TIniFile ini(folder.FilePath("options.ini"), 0600);
    ini.WriteString("S", "K", "v");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.FilePath("options.ini")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(IniFile, FailedWriteRaisesUnableToWriteWithFullPathAndKeepsTheFile) {
    TempProgramFolder folder;
    // A directory in the file's place cannot be replaced, even by root.
    QDir(folder.Path()).mkdir("a.ini");
    TIniFile blocked(folder.FilePath("a.ini"));
    try {
        blocked.WriteString("S", "K", "v");
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + folder.FilePath("a.ini"));
    }
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files), QStringList{});
}

TEST(IniFile, WriteIntoReadOnlyFolderRaisesUnableToWrite) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; the directory case above covers it";
    TempProgramFolder folder;
    folder.WriteFile("ro/a.ini", "[S]\nK=old\n");
    const QByteArray ro = QFile::encodeName(folder.FilePath("ro"));
    ::chmod(ro.constData(), 0500);
    TIniFile ini(folder.FilePath("ro/a.ini"));
    EXPECT_THROW(ini.WriteString("S", "K", "new"), EIniFileException);
    ::chmod(ro.constData(), 0700);
    EXPECT_EQ(folder.ReadFile("ro/a.ini"), "[S]\nK=old\n");
}

// A value with a line break became a line of its own: the text after the
// break was read as another key, and the value was cut at the break.
struct BreakingWrite {
    const char* what;
    QString section;
    QString key;
    QString value;
};
void PrintTo(const BreakingWrite& w, std::ostream* os) {
    *os << w.what;
}

class IniBreakingWrite : public testing::TestWithParam<BreakingWrite> {};

TEST_P(IniBreakingWrite, IsRefusedAndTheFileStaysAsItWas) {
    const BreakingWrite& w = GetParam();
    TempProgramFolder folder;
    const QByteArray before = "; note\r\n[DataBase]\r\nDBName=srv:/old.fdb\r\nUserName=SYSDBA\r\n";
    folder.WriteFile("a.ini", before);
    for (const char* name : {"a.ini", "new.ini"}) {
        SCOPED_TRACE(name);
        const QString path = folder.FilePath(name);
        try {
            TIniFile(path).WriteString(w.section, w.key, w.value);
            ADD_FAILURE() << "written: " << w.what;
        } catch (const EIniFileException& e) {
            EXPECT_TRUE(e.Message().startsWith("Unable to write to " + path + ": "))
                << e.Message().toStdString();
        }
    }
    EXPECT_EQ(folder.ReadFile("a.ini"), before) << "byte for byte";
    EXPECT_FALSE(folder.Exists("new.ini")) << "no file made for a refused write";
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files), QStringList{"a.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Writes, IniBreakingWrite,
    testing::Values(
        BreakingWrite{"trailing LF", "DataBase", "DBName", "srv:/path/db.fdb\n"},
        BreakingWrite{"LF and a key", "DataBase", "DBName", "srv:/db.fdb\nUserName=intruder"},
        BreakingWrite{"CR", "DataBase", "DBName", "srv:/a\rb.fdb"},
        BreakingWrite{"CR LF", "DataBase", "UserPass", "pass\r\nword"},
        BreakingWrite{"LF and a section", "DataBase", "UserName", "x\n[General]"},
        BreakingWrite{"tab", "DataBase", "UserPass", "pa\tss"},
        BreakingWrite{"NUL", "DataBase", "UserPass", QString("pa") + QChar(0) + "ss"},
        BreakingWrite{"escape", "DataBase", "UserName", "\x1b[31mSYSDBA"},
        BreakingWrite{"DEL", "DataBase", "UserName", QString("SYS") + QChar(0x7f) + "DBA"},
        BreakingWrite{"next line U+0085", "DataBase", "DBName", QString("a") + QChar(0x85) + "b"},
        BreakingWrite{"line separator", "DataBase", "DBName", QString("a") + QChar(0x2028) + "b"},
        BreakingWrite{"paragraph separator", "DataBase", "DBName",
                      QString("a") + QChar(0x2029) + "b"},
        BreakingWrite{"LF in a key", "DataBase", "User\nName", "x"},
        BreakingWrite{"equals sign in a key", "DataBase", "DBName=x", "y"},
        BreakingWrite{"empty key", "DataBase", "", "x"},
        BreakingWrite{"blank key", "DataBase", "  ", "x"},
        BreakingWrite{"key read as a comment", "DataBase", ";DBName", "x"},
        BreakingWrite{"key read as a section", "DataBase", "[General", "x]"},
        BreakingWrite{"LF in a section", "Data\nBase", "DBName", "x"},
        BreakingWrite{"CR in a section", "DataBase]\r[General", "DBName", "x"}));

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

struct stat StatOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(Native(path).constData(), &st), 0) << path.toStdString();
    return st;
}

// The rename of the atomic write needs only a writable folder, so a file the
// user may not write was replaced (a new mode, another owner) instead of the
// write failing.
TEST(IniFile, FileTheUserMayNotWriteIsRefusedInAWritableFolder) {
    TempProgramFolder folder;
    struct Case {
        const char* name;
        bool othersFile; // owned by root, not by the user
        mode_t mode;
        bool writable;
    };
    const Case cases[] = {{"readonly.ini", false, 0444, false},
                          {"others.ini", true, 0644, false},
                          {"writable.ini", false, 0640, true}};
    const passwd* user = OtherUser();
    if (::geteuid() == 0 && !user)
        GTEST_SKIP() << "running as root without a user named nobody to drop to";

    const QString dir = folder.FilePath("users/");
    for (const Case& c : cases) {
        folder.WriteFile(QStringLiteral("users/") + c.name, "[S]\nK=old\n");
        const QByteArray path = Native(dir + c.name);
        if (user && !c.othersFile) {
            ASSERT_EQ(::chown(path.constData(), user->pw_uid, user->pw_gid), 0);
        }
        ASSERT_EQ(::chmod(path.constData(), c.mode), 0);
    }
    if (user) {
        ASSERT_EQ(::chmod(Native(folder.Path()).constData(), 0711), 0);
        ASSERT_EQ(::chown(Native(dir).constData(), user->pw_uid, user->pw_gid), 0);
    }

    // Bit i of the result: case i went otherwise than expected.
    const auto writeAll = [&]() {
        int failed = 0;
        for (int i = 0; i < 3; ++i) {
            const Case& c = cases[i];
            if (c.othersFile && !user)
                continue; // without root there is no other user's file to make
            const QString path = dir + c.name;
            bool asExpected = false;
            try {
                TIniFile(path).WriteString("S", "K", "new");
                asExpected = c.writable;
            } catch (const EIniFileException& e) {
                asExpected = !c.writable && e.Message() == "Unable to write to " + path;
            }
            if (!asExpected)
                failed |= 1 << i;
        }
        return failed;
    };
    const int failed = user ? RunAs(*user, writeAll) : writeAll();
    ASSERT_NE(failed, 127) << "could not take the rights of " << user->pw_name;
    ASSERT_NE(failed, 126) << "the child process did not finish";

    for (int i = 0; i < 3; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(failed & (1 << i)) << (c.writable ? "not written" : "no Unable to write");
        EXPECT_EQ(folder.ReadFile(QStringLiteral("users/") + c.name),
                  QByteArray(c.writable ? "[S]\nK=new\n" : "[S]\nK=old\n"));
        EXPECT_EQ(StatOf(dir + c.name).st_mode & 07777, c.mode);
        if (user) {
            EXPECT_EQ(StatOf(dir + c.name).st_uid, c.othersFile ? 0u : user->pw_uid);
        }
    }
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 3) << "no temporary file left";
}

// The rename replaced the link itself with a plain file and left the file it
// pointed to unchanged.
TEST(IniFile, WriteThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
    TempProgramFolder folder;
    folder.WriteFile("real/a.ini", "[S]\nK=old\n");
    ASSERT_EQ(::chmod(Native(folder.FilePath("real/a.ini")).constData(), 0640), 0);
    ASSERT_EQ(::symlink("real/a.ini", Native(folder.FilePath("link.ini")).constData()), 0);
    ASSERT_EQ(::symlink("link.ini", Native(folder.FilePath("chain.ini")).constData()), 0);

    TIniFile(folder.FilePath("link.ini")).WriteString("S", "K", "new");
    TIniFile(folder.FilePath("chain.ini")).WriteString("S", "M", "added");

    EXPECT_EQ(folder.ReadFile("real/a.ini"), "[S]\nK=new\nM=added\n");
    EXPECT_EQ(StatOf(folder.FilePath("real/a.ini")).st_mode & 07777, 0640u);
    for (const char* link : {"link.ini", "chain.ini"})
        EXPECT_TRUE(S_ISLNK(StatOf(folder.FilePath(link)).st_mode)) << link;
    EXPECT_EQ(QFile::symLinkTarget(folder.FilePath("link.ini")), folder.FilePath("real/a.ini"));
    EXPECT_EQ(QDir(folder.FilePath("real")).entryList(QDir::Files), QStringList{"a.ini"});
}

// Replaced by root, another user's file became root's.
TEST(IniFile, RootsWriteKeepsTheOwnerAndGroupOfTheFile) {
    const passwd* user = OtherUser();
    if (!user)
        GTEST_SKIP() << "only root can give a file to another user";
    TempProgramFolder folder;
    folder.WriteFile("a.ini", "[S]\nK=old\n");
    const QByteArray path = Native(folder.FilePath("a.ini"));
    ASSERT_EQ(::chown(path.constData(), user->pw_uid, user->pw_gid), 0);
    ASSERT_EQ(::chmod(path.constData(), 0660), 0);
    TIniFile(folder.FilePath("a.ini")).WriteString("S", "K", "new");
    const struct stat st = StatOf(folder.FilePath("a.ini"));
    EXPECT_EQ(st.st_uid, user->pw_uid);
    EXPECT_EQ(st.st_gid, user->pw_gid);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    EXPECT_EQ(folder.ReadFile("a.ini"), "[S]\nK=new\n");
}

} // namespace
