// apply_language: the choice of the language, and the captions of the main
// window and the options dialog translated in their order.

#include "settings/IniFile.h"
#include "tests/app/FakeMainWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace veltor::test;

namespace {

class Language : public SettingsFixture {};

QStringList Keys(const TempProgramFolder& folder, const QString& language) {
    return TIniFile(folder.FilePath("Languages/" + language + ".olg")).ReadSection("WORDS");
}

TEST_F(Language, ApplyWithoutLanguageFilesShowsTheWarningAndChangesNothing) {
    current_language = "Kept";
    apply_language("English");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const TMessage& m = dialogs.messages[0];
    EXPECT_EQ(m.caption, "veltor");
    EXPECT_EQ(m.icon, TMsgIcon::Warning);
    EXPECT_EQ(m.buttons, TMsgButtons::Ok);
    EXPECT_EQ(m.owner, nullptr);
    EXPECT_EQ(m.text, "Для більш приємної роботи з програмою скачайте мовний файл.\r\n"
                      "Для более приятной работы с программой скачайте языковый файл.\r\n"
                      "For more pleasant work with the program get a language file.");
    EXPECT_EQ(current_language, "Kept");
    EXPECT_EQ(options->language_e->text(), "");
    EXPECT_EQ(options->ok_btn->text(), "_OK_");
}

TEST_F(Language, ApplyTranslatesTheOptionsDialogInOrderAfterTheMainWindow) {
    folder.WriteFile("Languages/English.olg", "[WORDS]\n_OK_=OK\n_OPTIONS_=Options\n");
    apply_language("English");
    EXPECT_EQ(current_language, "English");
    EXPECT_EQ(options->language_e->text(), "English");
    EXPECT_EQ(options->windowTitle(), "Options");
    EXPECT_EQ(options->ok_btn->text(), "OK");
    EXPECT_EQ(options->languages_lbl->text(), "_LANGUAGES_");
    EXPECT_EQ(Keys(folder, "English"),
              (QStringList{"_OK_", "_OPTIONS_", "_MAIN_FORM_", "_LANGUAGES_",
                           "_DATABASE_IP_AND_DB_FILE_", "_USER_NAME_", "_PASSWORD_",
                           "_SAVE_FORMS_POSITION_", "_DEFAULTS_", "_CANCEL_"}));
}

TEST_F(Language, RequestedLanguageWithoutFileFallsBackToTheFirstListed) {
    const QString system = system_language_name();
    for (const QString name : {"Yankee", "Xray"})
        if (name.compare(system, Qt::CaseInsensitive) != 0)
            folder.WriteFile("Languages/" + name + ".olg", "");
    QDir().mkdir(folder.FilePath("Languages/Missing.olg")); // a directory is no language
    apply_language("Missing");
    EXPECT_EQ(current_language, list_languages().first());
    EXPECT_NE(current_language, "Missing");
}

TEST_F(Language, RequestedLanguageDifferingOnlyInCaseUsesTheFileSpelling) {
    folder.WriteFile("Languages/Русский.olg", "");
    folder.WriteFile("Languages/Aaa.olg", "");
    apply_language("русский");
    EXPECT_EQ(current_language, "Русский");
    EXPECT_FALSE(folder.Exists("Languages/русский.olg"));
}

// The listing matched "x.OLG" while the lookups opened "x.olg", so the file's
// translations were ignored and an empty x.olg grew beside it.
TEST_F(Language, FileWithExtensionInCapitalsIsUsedByItsOwnName) {
    folder.WriteFile("Languages/x.OLG", "[WORDS]\n_OK_=Fine\n");
    folder.WriteFile("Languages/Aaa.olg", "");
    ASSERT_EQ(list_languages(), (QStringList{"Aaa", "x"}));
    apply_language("x");
    EXPECT_EQ(current_language, "x");
    EXPECT_EQ(options->ok_btn->text(), "Fine");
    EXPECT_EQ(language_file_name("x"), folder.FilePath("Languages/x.OLG"));
    EXPECT_EQ(QDir(language_folder()).entryList(QDir::Files, QDir::Name),
              (QStringList{"Aaa.olg", "x.OLG"}))
        << "no second file beside it";
    EXPECT_EQ(TIniFile(folder.FilePath("Languages/x.OLG")).ReadSection("WORDS").first(), "_OK_");
    EXPECT_TRUE(TIniFile(folder.FilePath("Languages/x.OLG")).ValueExists("WORDS", "_CANCEL_"))
        << "missing keys are added to the file that was found";
}

TEST_F(Language, EmptyLanguageNameUsesTheFileNamedDotOlg) {
    folder.WriteFile("Languages/.olg", "[WORDS]\n_OK_=Fine\n");
    folder.WriteFile("Languages/Aaa.olg", "");
    apply_language("");
    EXPECT_EQ(current_language, "");
    EXPECT_EQ(options->ok_btn->text(), "Fine");
}

TEST_F(Language, EmptyMainFormTranslationLeavesOnlyTheSuffix) {
    folder.WriteFile("Languages/English.olg", "[WORDS]\n_MAIN_FORM_=\n");
    apply_language("English");
    EXPECT_EQ(main.windowTitle(), " Kestrin VELTOR. Dalmik");
}

TEST_F(Language, UnwritableLanguageFileStopsTheTranslationAtTheFirstMissingKey) {
    // A file name so long that no temporary file can be named beside it: the
    // file reads, but no key can be added to it, whoever runs the test.
    const QString name(246, QLatin1Char('L'));
    folder.WriteFile("Languages/" + name + ".olg", "[WORDS]\n_MAIN_FORM_=Main\n");
    try {
        apply_language(name);
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + language_file_name(name));
    }
    EXPECT_EQ(current_language, name);
    EXPECT_EQ(main.windowTitle(), "Main Kestrin VELTOR. Dalmik");
    EXPECT_EQ(options->windowTitle(), "_OPTIONS_") << "later captions stay unchanged";
}

} // namespace
