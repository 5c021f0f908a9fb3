// The main window's views and the discipline assignment editor, each test one
// sitting of a user from start to exit: the real program against a fresh
// demo database on the local server, driven with key and mouse events. What
// the database holds is read back through isql, a second connection, after
// the program has committed.

#include "tests/app/ShellFixture.h"
#include "tests/app/UserActions.h"
#include "tests/support/GridProbe.h"
#include "tests/support/TestDatabase.h"

#include "app/AnchoredPanel.h"
#include "app/AssignmentEditor.h"
#include "app/CheckListBox.h"
#include "base/FormatSettings.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"
#include "dataset/pFIBDataSet.h"
#include "fib/pFIBDatabase.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace veltor::test;

namespace {

// The database outlives the windows, whose connection must go first.
struct DemoDatabase {
    std::unique_ptr<TestDatabase> db = std::make_unique<TestDatabase>(TestData::Demo);
};

class Sitting : public DemoDatabase, public ShellFixture {
protected:
    Sitting() {
        main_frm->SetDatabaseLinkSteps(nullptr); // the real connection, transaction and datasets
    }
    ~Sitting() override {
        if (main_frm && main_frm->isVisible()) {
            dialogs.answers = {TMsgResult::No};
            main_frm->hide();
        }
    }

    // Starts the program as its entry does, up to the event loop.
    void Start() {
        folder.WriteFile("options.ini",
                         ProgramOptions(db->ConnectionString(), TestUser(), TestPassword()));
        StartAndShow();
    }

    static void Click(TDBGrid* grid, int col, int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(col, row).center());
    }
    static void Key(QWidget* target, int key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
    }

    QStringList Errors() const { return dialogs.ErrorTexts(); }
};

TEST_F(Sitting, StartShowsTheFirstFacultysStudentsAndFollowsTheChosenFaculty) {
    Start();
    EXPECT_TRUE(main_frm->students_mnu->isChecked());
    EXPECT_TRUE(main_frm->student_pnl->isVisible());
    EXPECT_FALSE(main_frm->discipline_pnl->isVisible());
    EXPECT_FALSE(main_frm->resultat_pnl->isVisible());
    EXPECT_FALSE(main_frm->tests_online_mnu->isEnabled());
    EXPECT_FALSE(main_frm->help_mnu->isEnabled());
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();

    const QStringList faculties = Shown(main_frm->faculty_db, "F_ID");
    ASSERT_GE(faculties.size(), 2);
    EXPECT_EQ(faculties[0], "1");
    const QStringList students = Shown(main_frm->student_db, "S_ID");
    ASSERT_FALSE(students.isEmpty());
    for (const QString& s : students)
        EXPECT_EQ(db->QueryInt("select f_id from student where s_id = " + s), 1) << s.toStdString();
    EXPECT_EQ(Shown(main_frm->student_db, "FAMILIYA").first(),
              db->Isql("set heading off; select familiya from student where s_id = " +
                       students.first() + ";")
                  .trimmed());

    Click(main_frm->faculty_db, 1, 1);
    EXPECT_EQ(Current(main_frm->faculty_db, "F_ID"), faculties[1]);
    const QStringList second = Shown(main_frm->student_db, "S_ID");
    ASSERT_FALSE(second.isEmpty());
    for (const QString& s : second)
        EXPECT_EQ(db->QueryInt("select f_id from student where s_id = " + s), faculties[1].toInt());
}

TEST_F(Sitting, FacultyAndStudentAddedFromTheKeyboardSurviveTwoSwitches) {
    Start();
    QTest::mouseClick(main_frm->faculty_db->viewport(), Qt::LeftButton, {},
                      main_frm->faculty_db->CellRect(1, 0).center());
    Press(main_frm->faculty_navigator, TNavigateBtn::nbInsert);
    ASSERT_EQ(main_frm->faculty_dataset->State(), stInsert);
    main_frm->faculty_db->setFocus();
    main_frm->faculty_db->SetSelectedIndex(1);
    Type(main_frm->faculty_db, QStringLiteral("Факультет прикладної тиші"));
    Keys(main_frm->faculty_db, Qt::Key_Tab);
    Type(main_frm->faculty_db, QStringLiteral("ФПТ"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    ASSERT_EQ(main_frm->faculty_dataset->State(), stBrowse) << Errors().join('\n').toStdString();
    const QString facultyId = Current(main_frm->faculty_db, "F_ID");
    ASSERT_FALSE(facultyId.isEmpty());
    EXPECT_TRUE(Shown(main_frm->student_db, "S_ID").isEmpty()) << "a new faculty has no students";

    // Down in the empty student grid appends a row.
    main_frm->student_db->setFocus();
    Keys(main_frm->student_db, Qt::Key_Down);
    ASSERT_EQ(main_frm->student_dataset->State(), stInsert);
    main_frm->student_db->SetSelectedIndex(1);
    Type(main_frm->student_db, QStringLiteral("Тихоненко"));
    Keys(main_frm->student_db, Qt::Key_Tab);
    Type(main_frm->student_db, QStringLiteral("Марта"));
    Keys(main_frm->student_db, Qt::Key_Tab);
    Type(main_frm->student_db, QStringLiteral("Олегівна"));
    Keys(main_frm->student_db, Qt::Key_Tab);
    Type(main_frm->student_db, QStringLiteral("2"));
    Keys(main_frm->student_db, Qt::Key_Tab);
    Type(main_frm->student_db, QStringLiteral("ФПТ-21"));
    Press(main_frm->student_navigator, TNavigateBtn::nbPost);
    ASSERT_EQ(main_frm->student_dataset->State(), stBrowse) << Errors().join('\n').toStdString();

    ShowDisciplines();
    EXPECT_TRUE(main_frm->discipline_pnl->isVisible());
    EXPECT_EQ(db->QueryInt("select count(*) from fakultet where f_id = " + facultyId +
                           " and nazva = 'Факультет прикладної тиші' and knazva = 'ФПТ'"),
              1);
    EXPECT_EQ(db->QueryInt("select count(*) from student where f_id = " + facultyId +
                           " and familiya = 'Тихоненко' and imya = 'Марта' and kurs = 2 "
                           "and grupa = 'ФПТ-21'"),
              1);
    ShowStudents();
    main_frm->faculty_db->setFocus();
    Keys(main_frm->faculty_db, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Current(main_frm->faculty_db, "NAZVA"), "Факультет прикладної тиші");
    EXPECT_EQ(Shown(main_frm->student_db, "FAMILIYA"), QStringList{"Тихоненко"});
    EXPECT_EQ(Shown(main_frm->student_db, "GRUPA"), QStringList{"ФПТ-21"});
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

TEST_F(Sitting, PendingEditsAreSavedAtASwitchAndRefusedOnesStopIt) {
    Start();
    const QString student = Current(main_frm->student_db, "S_ID");
    // The group column; the editor keeps the text unposted.
    main_frm->student_db->setFocus();
    main_frm->student_db->SetSelectedIndex(ColumnOf(main_frm->student_db, "GRUPA"));
    ASSERT_EQ(main_frm->student_db->SelectedField()->FieldName(), "GRUPA");
    Keys(main_frm->student_db, Qt::Key_F2);
    QLineEdit* editor = main_frm->student_db->InplaceEditor();
    editor->selectAll();
    Type(main_frm->student_db, QStringLiteral("ZZ-99"));
    ASSERT_NE(main_frm->student_dataset->State(), stBrowse);

    ShowDisciplines();
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    EXPECT_TRUE(main_frm->discipline_pnl->isVisible());
    EXPECT_EQ(
        db->QueryInt("select count(*) from student where grupa = 'ZZ-99' and s_id = " + student), 1)
        << "posted and committed by the switch";

    // A test's number changed to another test's: the server refuses the key.
    const QString test = Current(main_frm->d_test_grid, "T_ID");
    ASSERT_FALSE(test.isEmpty());
    const long long taken = db->QueryInt("select max(t_id) from test where t_id <> " + test);
    main_frm->d_test_grid->setFocus();
    main_frm->d_test_grid->SetSelectedIndex(0);
    Press(main_frm->test_navigator,
          TNavigateBtn::nbEdit); // its data source does not edit by itself
    Keys(main_frm->d_test_grid, Qt::Key_F2);
    main_frm->d_test_grid->InplaceEditor()->selectAll();
    Type(main_frm->d_test_grid, QString::number(taken));
    ShowResults();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(main_frm->discipline_pnl->isVisible()) << "the view stays";
    EXPECT_FALSE(main_frm->resultat_pnl->isVisible());
    EXPECT_TRUE(main_frm->disciplines_mnu->isChecked());
    EXPECT_EQ(main_frm->test_dataset->State(), stEdit);
    EXPECT_EQ(main_frm->test_dataset->FieldByName("T_ID")->AsString(), QString::number(taken))
        << "the typed number is kept";
    EXPECT_EQ(db->QueryInt("select count(*) from test where t_id = " + test), 1);

    // Escape gives the row back; the switch goes through.
    main_frm->d_test_grid->setFocus();
    Keys(main_frm->d_test_grid, Qt::Key_Escape);
    Keys(main_frm->d_test_grid, Qt::Key_Escape);
    ASSERT_EQ(main_frm->test_dataset->State(), stBrowse);
    ShowStudents();
    ASSERT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
    EXPECT_TRUE(main_frm->student_pnl->isVisible());

    // A student with results: the server refuses the delete and the row stays.
    const QString withResults = Current(main_frm->student_db, "S_ID");
    ASSERT_GT(db->QueryInt("select count(*) from resultat where s_id = " + withResults), 0);
    main_frm->student_db->setFocus();
    dialogs.answers = {TMsgResult::Ok};
    Keys(main_frm->student_db, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Errors().size(), 2);
    EXPECT_EQ(Current(main_frm->student_db, "S_ID"), withResults);
    ShowStudents();
    EXPECT_EQ(db->QueryInt("select count(*) from student where s_id = " + withResults), 1);
}

TEST_F(Sitting, CtrlDeleteAsksAndDeletesOnlyOnOk) {
    db->Isql("insert into student values (9001, 'Видаленко', 'Ян', 'Петрович', 1, 1, 'X-1');"
             "commit;");
    Start();
    main_frm->student_db->setFocus();
    Keys(main_frm->student_db, Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(Current(main_frm->student_db, "S_ID"), "9001");

    dialogs.answers = {TMsgResult::Cancel};
    Keys(main_frm->student_db, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].buttons, TMsgButtons::OkCancel);
    EXPECT_EQ(Current(main_frm->student_db, "S_ID"), "9001");

    dialogs.answers = {TMsgResult::Ok};
    Keys(main_frm->student_db, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_FALSE(Shown(main_frm->student_db, "S_ID").contains("9001"));
    EXPECT_EQ(db->QueryInt("select count(*) from student where s_id = 9001"), 1)
        << "not committed before the switch";
    ShowStudents(); // the shown view reloads
    EXPECT_TRUE(main_frm->students_mnu->isChecked());
    EXPECT_EQ(db->QueryInt("select count(*) from student where s_id = 9001"), 0);
    EXPECT_FALSE(Shown(main_frm->student_db, "S_ID").contains("9001"));
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

// The discipline with the fewest links and, within it, faculty 1 (the one
// whose name holds an apostrophe) unmarked.
TEST_F(Sitting, CourseMarksInsertAndDeleteLinkRowsAndTheFacultyFollows) {
    db->Isql("delete from d_f_k where d_id = 1 and f_id = 1; commit;");
    Start();
    ShowDisciplines();
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    ASSERT_EQ(Current(main_frm->discipline_grid, "D_ID"), "1");
    TCheckListBox* faculties = main_frm->d_faculty_lb;
    TCheckListBox* courses = main_frm->d_course_lb;
    EXPECT_EQ(faculties->Count(), db->QueryInt("select count(*) from fakultet"));
    EXPECT_EQ(faculties->ItemIndex(), 0);
    for (int i = 0; i < faculties->Count(); ++i)
        EXPECT_EQ(faculties->Checked(i),
                  db->QueryInt("select count(*) from d_f_k join fakultet f on f.f_id = d_f_k.f_id "
                               "where d_id = 1 and f.nazva = '" +
                               TAssignmentEditor::Quoted(faculties->Item(i)) + "'") > 0)
            << faculties->Item(i).toStdString();

    const int apostrophe =
        faculties->Items().indexOf(QStringLiteral("Факультет комп'ютерних наук і кібернетики"));
    ASSERT_GE(apostrophe, 0);
    EXPECT_FALSE(faculties->Checked(apostrophe));
    QTest::mouseClick(faculties->viewport(), Qt::LeftButton, {},
                      faculties->visualItemRect(faculties->item(apostrophe)).center());
    ASSERT_EQ(faculties->ItemIndex(), apostrophe);
    QStringList expected;
    const QString kursList = db->Isql("set heading off; select distinct kurs from student where "
                                      "f_id = 1 order by kurs;");
    for (const QString& k : kursList.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
        expected << k;
    EXPECT_EQ(courses->Items(), expected);
    for (int i = 0; i < courses->Count(); ++i)
        EXPECT_FALSE(courses->Checked(i));

    // Mark the second course: select it, then Space.
    ASSERT_GE(courses->Count(), 2);
    QTest::mouseClick(courses->viewport(), Qt::LeftButton, {},
                      courses->visualItemRect(courses->item(1)).center());
    Key(courses, Qt::Key_Space);
    EXPECT_TRUE(courses->Checked(1));
    EXPECT_TRUE(faculties->Checked(apostrophe));
    ShowDisciplines();
    EXPECT_EQ(db->QueryInt("select count(*) from d_f_k where d_id = 1 and f_id = 1 and kurs = " +
                           expected[1]),
              1);
    EXPECT_EQ(db->QueryInt("select count(*) from d_f_k where d_id = 1 and f_id = 1"), 1);

    // The lists were rebuilt: the faculty is marked, and its course too.
    EXPECT_TRUE(faculties->Checked(apostrophe));
    QTest::mouseClick(faculties->viewport(), Qt::LeftButton, {},
                      faculties->visualItemRect(faculties->item(apostrophe)).center());
    ASSERT_TRUE(courses->Checked(1));
    QTest::mouseClick(courses->viewport(), Qt::LeftButton, {},
                      courses->visualItemRect(courses->item(1)).center());
    Key(courses, Qt::Key_Space);
    EXPECT_FALSE(courses->Checked(1));
    EXPECT_FALSE(faculties->Checked(apostrophe));
    ShowDisciplines();
    EXPECT_EQ(db->QueryInt("select count(*) from d_f_k where d_id = 1 and f_id = 1"), 0);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();

    // A faculty renamed meanwhile by someone else: the insert is refused, the
    // mark goes back and nothing is written.
    QTest::mouseClick(faculties->viewport(), Qt::LeftButton, {},
                      faculties->visualItemRect(faculties->item(apostrophe)).center());
    db->Isql("update fakultet set nazva = 'Перейменований' where f_id = 1; commit;");
    QTest::mouseClick(courses->viewport(), Qt::LeftButton, {},
                      courses->visualItemRect(courses->item(0)).center());
    Key(courses, Qt::Key_Space);
    EXPECT_EQ(Errors().size(), 1);
    EXPECT_FALSE(courses->Checked(0));
    EXPECT_FALSE(faculties->Checked(apostrophe));
    ShowDisciplines();
    EXPECT_EQ(db->QueryInt("select count(*) from d_f_k where d_id = 1 and f_id = 1"), 0);
}

TEST_F(Sitting, ResultsReachTheLastOfAHundredThousandInTheDisplayFormat) {
    Start();
    ShowResults();
    ASSERT_TRUE(main_frm->resultat_pnl->isVisible());
    EXPECT_TRUE(main_frm->results_mnu->isChecked());
    EXPECT_FALSE(main_frm->faculty_dataset->Active());
    EXPECT_FALSE(main_frm->student_dataset->Active());
    const TNavButtonSet shown = main_frm->resultat_navigator->VisibleButtons();
    EXPECT_EQ(shown,
              (TNavButtonSet{TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext,
                             TNavigateBtn::nbLast, TNavigateBtn::nbRefresh}));

    main_frm->resultat_grid->setFocus();
    Keys(main_frm->resultat_grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(main_frm->resultat_dataset->RecordNumber(), 100000);
    EXPECT_EQ(db->QueryInt("select count(*) from resultat"), 100000);
    EXPECT_EQ(static_cast<TFIBDateTimeField*>(main_frm->resultat_dataset->FieldByName("VREMA"))
                  ->DisplayFormat(),
              "dd.mm.yyyy hh:mm AMPM");
    // The 12-hour clock with the locale's designators, as the format asks.
    const TFormatSettings& locale = FormatSettings();
    ASSERT_FALSE(locale.TimeAMString.isEmpty() || locale.TimePMString.isEmpty());
    const QRegularExpression format(
        QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} (\\d\\d):\\d\\d (%1|%2)$")
            .arg(QRegularExpression::escape(locale.TimeAMString),
                 QRegularExpression::escape(locale.TimePMString)));
    const QStringList times = Shown(main_frm->resultat_grid, "VREMA");
    ASSERT_FALSE(times.isEmpty());
    for (const QString& t : times) {
        const QRegularExpressionMatch m = format.match(t);
        ASSERT_TRUE(m.hasMatch()) << t.toStdString();
        const int hour = m.captured(1).toInt();
        EXPECT_TRUE(hour >= 1 && hour <= 12) << t.toStdString();
    }
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

TEST_F(Sitting, AFailedSwitchCanBeRetriedAndExitAsksFirst) {
    Start();
    // An open the server refuses, after the switch's commit.
    const QStringList select = main_frm->resultat_dataset->SelectSQL();
    main_frm->resultat_dataset->SetSelectSQL({"SELECT NO_SUCH_COLUMN FROM RESULTAT"});
    ShowResults();
    ASSERT_EQ(Errors().size(), 1);
    main_frm->resultat_dataset->SetSelectSQL(select);
    ShowStudents();
    EXPECT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
    EXPECT_TRUE(main_frm->faculty_dataset->Active());

    // A faculty's short name edited and posted, then exit refused and confirmed.
    main_frm->faculty_db->setFocus();
    main_frm->faculty_db->SetSelectedIndex(ColumnOf(main_frm->faculty_db, "KNAZVA"));
    Keys(main_frm->faculty_db, Qt::Key_F2);
    main_frm->faculty_db->InplaceEditor()->selectAll();
    Type(main_frm->faculty_db, QStringLiteral("НОВА"));
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    dialogs.answers = {TMsgResult::No};
    EXPECT_FALSE(main_frm->close());
    EXPECT_TRUE(main_frm->isVisible());
    EXPECT_TRUE(main_frm->Transaction->Active());
    EXPECT_EQ(db->QueryInt("select count(*) from fakultet where knazva = 'НОВА'"), 0);

    // Confirmed with a row still in the editor: both are saved.
    main_frm->faculty_db->setFocus();
    Keys(main_frm->faculty_db, Qt::Key_Down);
    Keys(main_frm->faculty_db, Qt::Key_F2);
    main_frm->faculty_db->InplaceEditor()->selectAll();
    Type(main_frm->faculty_db, QStringLiteral("ЩЕ"));
    dialogs.answers = {TMsgResult::Yes};
    EXPECT_TRUE(main_frm->close());
    EXPECT_EQ(db->QueryInt("select count(*) from fakultet where knazva = 'НОВА' and f_id = 1"), 1);
    EXPECT_EQ(db->QueryInt("select count(*) from fakultet where knazva = 'ЩЕ' and f_id = 2"), 1);
    EXPECT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
}

// Rebuilding the lists counts only the lists it fills (the faculty names and
// the courses), and empties a list before its count: a count the server
// refuses leaves the list empty, not showing the last discipline's names.
TEST_F(Sitting, AssignmentListsCountOnlyWhatTheyFillAndEmptyBeforeCounting) {
    Start();
    int counts = 0;
    bool refuse = false;
    main_frm->dataset->OnAskRecordCount = [&](TFIBCustomDataSet& ds) {
        ++counts;
        return refuse ? QStringLiteral("select count(*) from no_such_table")
                      : QStringLiteral("Select Count(*) from (") + ds.SelectSQL().join('\n') +
                            QStringLiteral(")");
    };
    ShowDisciplines();
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    EXPECT_EQ(counts, 2) << "the faculty names and the courses";
    ASSERT_GT(main_frm->d_faculty_lb->Count(), 0);

    refuse = true;
    Click(main_frm->discipline_grid, 1, 1);
    EXPECT_EQ(Errors().size(), 1) << Errors().join('\n').toStdString();
    EXPECT_EQ(main_frm->d_faculty_lb->Count(), 0);
    main_frm->dataset->OnAskRecordCount = nullptr;
}

} // namespace
