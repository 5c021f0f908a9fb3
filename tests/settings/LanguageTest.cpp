// Language files: listing, lookup with self-extension, the choice of the
// language and the ordered translation of the registered windows.

#include "settings/IniFile.h"
#include "tests/settings/ProgramFolderFixture.h"

using namespace veltor::test;

namespace {

class Language : public ProgramFolderFixture {};

TEST_F(Language, ListSortsNamesSkipsDirectoriesAndMatchesExtensionInAnyCase) {
    folder.WriteFile("Languages/Zulu.olg", "");
    folder.WriteFile("Languages/alpha.olg", "");
    folder.WriteFile("Languages/Mixed.OLG", "");
    folder.WriteFile("Languages/.olg", "");
    folder.WriteFile("Languages/notes.txt", "");
    QDir().mkdir(folder.FilePath("Languages/Dir.olg"));
    EXPECT_EQ(list_languages(), (QStringList{"", "alpha", "Mixed", "Zulu"}));
}

TEST_F(Language, TranslateAddsAMissingKeyWithItselfAndUsesAKeyInAnyCase) {
    current_language = "Test";
    folder.WriteFile("Languages/Test.olg", "[WORDS]\n_main_form_=Головне вікно\n");
    EXPECT_EQ(translate("_MAIN_FORM_"), "Головне вікно");
    EXPECT_EQ(translate("_SHOW_"), "_SHOW_");
    EXPECT_EQ(translate("_SHOW_"), "_SHOW_");
    EXPECT_EQ(QString::fromUtf8(folder.ReadFile("Languages/Test.olg")),
              "[WORDS]\n_main_form_=Головне вікно\n_SHOW_=_SHOW_\n");
}

TEST_F(Language, TranslateCreatesTheFileOfTheEmptyName) {
    EXPECT_EQ(translate("_OK_"), "_OK_");
    EXPECT_EQ(folder.ReadFile("Languages/.olg"), "[WORDS]\n_OK_=_OK_\n");
}

TEST_F(Language, SystemLanguageNameLongerThan18CharactersCountsAsEmpty) {
    EXPECT_EQ(limit_language_name("Українська"), "Українська");
    EXPECT_EQ(limit_language_name(QString(18, 'a')), QString(18, 'a'));
    EXPECT_EQ(limit_language_name(QString(19, 'a')), "");
    EXPECT_LE(system_language_name().size(), 18);
}

TEST_F(Language, UseLanguageChoosesTheFileSpellingOrTheFirstListedAndTranslatesNothing) {
    folder.WriteFile("Languages/Yankee.olg", "");
    folder.WriteFile("Languages/Русский.olg", "");
    EXPECT_TRUE(use_language("русский"));
    EXPECT_EQ(current_language, "Русский");
    EXPECT_EQ(list_languages(), (QStringList{"Yankee", "Русский"})) << "no file was added";
    if (system_language_name().compare("Yankee", Qt::CaseInsensitive) != 0 &&
        system_language_name().compare("Русский", Qt::CaseInsensitive) != 0) {
        EXPECT_TRUE(use_language("Missing"));
        EXPECT_EQ(current_language, "Yankee");
    }
    EXPECT_EQ(folder.ReadFile("Languages/Yankee.olg"), "");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Language, UseLanguageWithoutFilesWarnsAndKeepsTheCurrentOne) {
    current_language = "Kept";
    EXPECT_FALSE(use_language("English"));
    EXPECT_EQ(current_language, "Kept");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, missing_language_warning());
}

TEST_F(Language, CaptionTargetsAreTranslatedInTheirOrderUntilTheFirstError) {
    current_language = "English";
    QStringList calls;
    TListenerRegistration first = caption_targets().Add([&] { calls << translate("_FIRST_"); });
    TListenerRegistration failing = caption_targets().Add([&] {
        calls << "failing";
        throw EIniFileException("stop");
    });
    TListenerRegistration last = caption_targets().Add([&] { calls << translate("_LAST_"); });
    EXPECT_THROW(translate_captions(), EIniFileException);
    EXPECT_EQ(calls, (QStringList{"_FIRST_", "failing"}));

    failing.Release();
    calls.clear();
    translate_captions();
    EXPECT_EQ(calls, (QStringList{"_FIRST_", "_LAST_"}));
    EXPECT_EQ(TIniFile(language_file_name("English")).ReadSection("WORDS"),
              (QStringList{"_FIRST_", "_LAST_"}));
}

TEST_F(Language, CaptionTargetLeavesTheListWithItsRegistration) {
    int calls = 0;
    {
        TListenerRegistration target = caption_targets().Add([&] { ++calls; });
        translate_captions();
    }
    translate_captions();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(caption_targets().IsEmpty());
}
} // namespace
