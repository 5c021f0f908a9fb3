// Start-up: the language folder and menu, the first-run settings file, the
// language files filling themselves, and the failed connection.

#include "tests/app/ShellFixture.h"

#include "base/Exception.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using namespace veltor::test;

namespace {

class Startup : public ShellFixture {};

// Every key of the main window and the options dialog, in lookup order.
const QStringList kAllKeys = {"_MAIN_FORM_",    "_SHOW_",          "_TESTS_ONLINE_",
                              "_STUDENTS_",     "_DISCIPLINES_",   "_RESULTS_",
                              "_PROGRAM_",      "_OPTIONS_",       "_HELP_",
                              "_ABOUT_",        "_EXIT_",          "_FACULTY_",
                              "_NAME_",         "_COURSE_",        "_GROUP_",
                              "_LAST_NAME_",    "_FIRST_NAME_",    "_FATHER_NAME_",
                              "_RESULTAT_",     "_TIME_",          "_TEST_",
                              "_DISCIPLINE_",   "_FILE_NAME_",     "_SHORT_NAME_",
                              "_FIRST_RECORD_", "_PRIOR_RECORD_",  "_NEXT_RECORD_",
                              "_LAST_RECORD_",  "_INSERT_RECORD_", "_DELETE_RECORD_",
                              "_EDIT_RECORD_",  "_POST_EDIT_",     "_CANCEL_EDIT_",
                              "_REFRESH_DATA_", "_LANGUAGES_",     "_DATABASE_IP_AND_DB_FILE_",
                              "_USER_NAME_",    "_PASSWORD_",      "_SAVE_FORMS_POSITION_",
                              "_OK_",           "_DEFAULTS_",      "_CANCEL_"};
// Then those the grids add, after the options dialog's ("_CANCEL_" is there).
const QStringList kGridKeys = {"_COPY_CELL_",     "_COPY_ROW_",   "_EXPORT_CSV_",
                               "_ROWS_WRITTEN_",  "_FIND_",       "_FIND_NEXT_",
                               "_FIND_PREVIOUS_", "_CLOSE_FIND_", "_NO_MATCH_"};

TEST_F(Startup, FirstStartWithoutLanguageFilesWarnsTwiceWritesDefaultsAndShowsKeys) {
    run_startup();

    EXPECT_EQ(program_folder, folder.Path());
    EXPECT_TRUE(QDir(folder.FilePath("Languages")).exists());
    EXPECT_EQ(dialogs.Texts(), QStringList(2, missing_language_warning()));
    EXPECT_EQ(OptionsLines(),
              (QStringList{"[General]", "Language=", "Save_Forms_Position=0", "[Main_Form]", "X=0",
                           "Y=0", "[DataBase]", "DBName=127.0.0.1:c:\\veltormain\\DB\\VELTOR.FDB",
                           "UserName=SYSDBA", "UserPass=tarnwheel"}));
    EXPECT_EQ(main_frm->windowTitle(), "_MAIN_FORM_");
    EXPECT_EQ(main_frm->students_mnu->text(), "_STUDENTS_");
    EXPECT_EQ(main_frm->show_mnu->title(), "_SHOW_");
    EXPECT_EQ(main_frm->faculty_lbl->text(), "_FACULTY_");
    EXPECT_EQ(options_frm->ok_btn->text(), "_OK_");
    EXPECT_TRUE(options_frm->languages_pmnu->actions().isEmpty());
    EXPECT_EQ(log, QStringList{"connect"});
    EXPECT_FALSE(program_end_requested());
}

TEST_F(Startup, EmptyLanguageFileFillsWithEveryKeyInLookupOrder) {
    folder.WriteFile("Languages/Test.olg", "");
    run_startup();

    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(current_language, "Test");
    const QStringList keys = LanguageKeys("Test");
    EXPECT_EQ(keys, kAllKeys + kGridKeys);
    TIniFile file(folder.FilePath("Languages/Test.olg"));
    for (const QString& key : keys)
        EXPECT_EQ(file.ReadString("WORDS", key, QString()), key);
    EXPECT_EQ(main_frm->windowTitle(), "_MAIN_FORM_ Kestrin VELTOR. Dalmik");
    EXPECT_EQ(main_frm->field_labels.value("student_dataset_GROUP_"), "_GROUP_");
    EXPECT_EQ(main_frm->field_labels.size(), 19);
    for (const QString& navigator : navigator_names())
        EXPECT_EQ(main_frm->navigator_hints.value(navigator), kAllKeys.mid(24, 10))
            << navigator.toStdString();
    EXPECT_EQ(TIniFile(options_file_name()).ReadString("General", "Language", ""), "Test");
}

TEST_F(Startup, KeyInSmallLettersIsUsedAndNotAddedAgain) {
    folder.WriteFile("options.ini", "[General]\nLanguage=Test\n");
    folder.WriteFile("Languages/Test.olg", "[WORDS]\n_main_form_=Головна\n");
    run_startup();

    EXPECT_EQ(main_frm->windowTitle(), "Головна Kestrin VELTOR. Dalmik");
    const QStringList keys = LanguageKeys("Test");
    EXPECT_EQ(keys.first(), "_main_form_");
    EXPECT_EQ(keys.mid(1), (kAllKeys + kGridKeys).mid(1));
}

TEST_F(Startup, LanguageMenuListsLanguageFilesInOrderButNoDirectories) {
    folder.WriteFile("options.ini", "[General]\nLanguage=Bbb\n");
    folder.WriteFile("Languages/Bbb.olg", "");
    folder.WriteFile("Languages/Aaa.olg", "");
    QDir().mkpath(folder.FilePath("Languages/Dir.olg"));
    run_startup();

    QStringList items;
    for (const QAction* a : options_frm->languages_pmnu->actions())
        items << a->objectName() + "=" + a->text();
    EXPECT_EQ(items, (QStringList{"Language_pmnu_item0=Aaa", "Language_pmnu_item1=Bbb"}));
    EXPECT_EQ(options_frm->language_e->text(), "Bbb");
}

TEST_F(Startup, FirstStartNamesTheFirstListedLanguageWhenTheSystemsHasNoFile) {
    const QString system = system_language_name();
    if (system.compare("Aaa", Qt::CaseInsensitive) == 0 ||
        system.compare("Bbb", Qt::CaseInsensitive) == 0)
        GTEST_SKIP() << "the system language is named like a test language";
    folder.WriteFile("Languages/Bbb.olg", "");
    folder.WriteFile("Languages/Aaa.olg", "");
    run_startup();
    EXPECT_EQ(TIniFile(options_file_name()).ReadString("General", "Language", "?"), "Aaa");
}

TEST_F(Startup, FirstStartNamesTheSystemsLanguageWhenItHasAFile) {
    // CTest runs this program in a Ukrainian locale, whose native name comes
    // in small letters while the bundled file name is capitalised.
    const QString system = system_language_name();
    if (system.isEmpty())
        GTEST_SKIP() << "this system's locale names no language";
    const QString fileName = system.left(1).toUpper() + system.mid(1);
    folder.WriteFile("Languages/" + fileName + ".olg", "");
    folder.WriteFile("Languages/0first.olg", "");
    run_startup();
    EXPECT_EQ(TIniFile(options_file_name()).ReadString("General", "Language", "?"), fileName);
}

TEST_F(Startup, SavedPositionFlagWithoutEdgesPinsTheDesignedCornerElseTheWindowIsCentred) {
    // Qt honours a top-level window's position only once it has been moved;
    // an unmoved one is placed by the window manager.
    for (const bool flag : {true, false}) {
        destroy_windows();
        create_windows(&steps);
        folder.WriteFile("options.ini", flag ? "[General]\nSave_Forms_Position=1\n"
                                             : "[General]\nSave_Forms_Position=0\n");
        run_startup();
        EXPECT_EQ(main_frm->IsCentredOnScreen(), !flag);
        EXPECT_EQ(main_frm->testAttribute(Qt::WA_Moved), flag);
        EXPECT_EQ(main_frm->pos(), QPoint(0, 0));
    }
}

TEST_F(Startup, FailedConnectionShowsOnlyTheTranslatedMessageThenTheOptionsAndEnds) {
    folder.WriteFile("options.ini", "[General]\nLanguage=English\n[DataBase]\nDBName=wrong:path\n");
    folder.WriteFile("Languages/English.olg", "[WORDS]\n_DB_CONNECTION_ERROR_=No database.\n");
    steps.connect = [] { throw Exception("server: unavailable database"); };
    dialogs.onModal = [](QDialog&) {
        options_frm->db_dbname_e->setText("127.0.0.1:/right.fdb");
        options_frm->ok_btn->click();
    };
    run_startup();

    ASSERT_EQ(dialogs.messages.size(), 1u);
    const TMessage& m = dialogs.messages[0];
    EXPECT_EQ(m.text, "No database.");
    EXPECT_EQ(m.caption, "Kestrin Veltor");
    EXPECT_EQ(m.icon, TMsgIcon::None);
    EXPECT_EQ(m.buttons, TMsgButtons::Ok);
    EXPECT_EQ(m.owner, nullptr);
    EXPECT_EQ(dialogs.modals, QStringList{"options_frm"});
    EXPECT_TRUE(program_end_requested());
    EXPECT_EQ(TIniFile(options_file_name()).ReadString("DataBase", "DBName", ""),
              "127.0.0.1:/right.fdb");
    EXPECT_EQ(main_frm->DataBase->DBName(), "wrong:path")
        << "the new path counts from the next start";
}

// Records whether a window of the given name was ever shown.
class ShowWatch : public QObject {
public:
    explicit ShowWatch(QString name) : name_(std::move(name)) { qApp->installEventFilter(this); }
    bool shown = false;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o->objectName() == name_)
            shown = true;
        return false;
    }

private:
    QString name_;
};

TEST_F(Startup, ProgramEndsWithoutShowingTheMainWindowAfterAFailedConnection) {
    destroy_windows(); // the program makes its own
    steps.connect = [] { throw Exception("refused"); };
    ShowWatch mainShown("main_frm");
    ShowWatch splashShown("about_frm");
    EXPECT_EQ(run_program(&steps), 0);
    EXPECT_FALSE(mainShown.shown);
    EXPECT_TRUE(splashShown.shown);
    EXPECT_EQ(main_frm, nullptr);
    EXPECT_EQ(dialogs.modals, QStringList{"options_frm"});
}

TEST_F(Startup, ApplicationTitleNamesTheProgramWithoutDecoratingWindowCaptions) {
    destroy_windows(); // the program makes its own
    steps.connect = [] { throw Exception("refused"); };
    run_program(&steps);
    EXPECT_EQ(QCoreApplication::applicationName(), "Kestrin Veltor");
    // An explicitly set display name would be appended by the window system
    // to every caption; unset, it follows the application name.
    QCoreApplication::setApplicationName("probe");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    QCoreApplication::setApplicationName("Kestrin Veltor");
}

TEST_F(Startup, UnwritableLanguageFileIsReportedAndStartUpGoesOnToTheConnection) {
    // A file name so long that no temporary file can be named beside it: the
    // language reads but cannot take new keys, whoever runs the test.
    const QString name(246, QLatin1Char('L'));
    folder.WriteFile("Languages/" + name + ".olg", "");
    run_startup();

    const QString shown = "Unable to write to " + language_file_name(name) + ".";
    EXPECT_EQ(dialogs.Texts(), QStringList(2, shown)) << "at the defaults and at the language";
    EXPECT_FALSE(folder.Exists("options.ini")) << "half-set defaults are not saved";
    EXPECT_EQ(log, QStringList{"connect"});
    EXPECT_FALSE(program_end_requested());
}

} // namespace
