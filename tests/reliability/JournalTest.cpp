// Rows the grids show as saved, posted before the server restarted: the
// server rolled them back with the connection, and the program sends them
// again once it has attached anew, before the row still being typed and
// before the commit, saying how many. A change that no longer fits the row
// (gone, or its column changed by another user meanwhile) is refused and
// shown; a commit leaves nothing to send again.

#include "tests/reliability/Sitting.h"
#include "tests/support/PrintQString.h"

#include "app/CheckListBox.h"

#include <algorithm>

using namespace veltor::test;

namespace {

class Journal : public Sitting {
protected:
    // The server restarts: every attachment and transaction on it is gone.
    void RestartServer() {
        server.Kill();
        server.Start();
    }
    // A view switch after the restart: its commit finds the connection gone.
    void SwitchFindingTheConnectionGone() {
        const qsizetype before = Errors().size();
        ShowDisciplines();
        ASSERT_EQ(Errors().size(), before + 1) << ErrorList();
        EXPECT_FALSE(main_frm->DataBase->Connected());
    }
    static QString Restored(int changes) {
        return translate(QStringLiteral("_CHANGES_RESTORED_")) + u' ' + QString::number(changes);
    }
    // The plain information boxes shown (neither questions nor errors).
    QStringList Notices() const {
        QStringList texts;
        for (const TMessage& m : dialogs.messages)
            if (m.icon == TMsgIcon::None && m.buttons == TMsgButtons::Ok)
                texts << m.text;
        return texts;
    }
    static void TypeAndPost(TDBGrid* grid, TsDBNavigator* navigator, const char* column,
                            const QString& text) {
        EditCell(grid, column);
        Type(grid, text);
        Press(navigator, TNavigateBtn::nbPost);
    }
    void PostFacultyName(int id, const QString& name) {
        ASSERT_TRUE(main_frm->faculty_dataset->Locate(QStringLiteral("F_ID"), Variant(id), {}));
        TypeAndPost(main_frm->faculty_db, main_frm->faculty_navigator, "NAZVA", name);
        ASSERT_EQ(main_frm->faculty_dataset->State(), stBrowse) << ErrorList();
    }
    QString Faculty(const char* column, int id) const {
        return Query(QStringLiteral("select %1 from fakultet where f_id = %2")
                         .arg(QLatin1String(column))
                         .arg(id));
    }
};

TEST_F(Journal, PostsLostWithTheServerAreSentAgainBeforeTheTypedRow) {
    Start();
    PostFacultyName(1, QStringLiteral("Змінено до збою"));
    main_frm->student_db->setFocus();
    Keys(main_frm->student_db, Qt::Key_Insert);
    ASSERT_EQ(main_frm->student_dataset->State(), stInsert);
    const QString student = Current(main_frm->student_db, "S_ID");
    TypeAndPost(main_frm->student_db, main_frm->student_navigator, "FAMILIYA",
                QStringLiteral("Новенька"));
    ASSERT_EQ(main_frm->student_dataset->State(), stBrowse) << ErrorList();
    ASSERT_TRUE(Errors().isEmpty()) << ErrorList();

    RestartServer();
    TypeAndPost(main_frm->faculty_db, main_frm->faculty_navigator, "KNAZVA",
                QStringLiteral("Після збою"));
    ASSERT_EQ(Errors().size(), 1) << "the post finds the connection gone";
    ASSERT_EQ(main_frm->faculty_dataset->State(), stEdit);

    ShowDisciplines();
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(Notices(), QStringList{Restored(2)});
    EXPECT_TRUE(main_frm->discipline_pnl->isVisible());
    EXPECT_EQ(Faculty("nazva", 1), QStringLiteral("Змінено до збою"));
    EXPECT_EQ(Faculty("knazva", 1), QStringLiteral("Після збою"));
    EXPECT_EQ(Query("select familiya from student where s_id = " + student),
              QStringLiteral("Новенька"));
    EXPECT_EQ(Query("select f_id from student where s_id = " + student), QStringLiteral("1"));

    ShowStudents();
    EXPECT_EQ(Current(main_frm->faculty_db, "NAZVA"), QStringLiteral("Змінено до збою"));
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(Notices().size(), 1) << "nothing is sent twice";
}

// What another user did to a row between the restart and the reconnection.
struct OtherUser {
    const char* what;
    const char* sql;
    bool refused;      // the re-sent change conflicts with it
    const char* nazva; // faculty 3 afterwards; nullptr: no such row
    const char* knazva;
};

void PrintTo(const OtherUser& c, std::ostream* os) {
    *os << c.what;
}

const OtherUser kOtherUsers[] = {
    {"deleted the row", "delete from fakultet where f_id = 3", true, nullptr, nullptr},
    {"changed the same column", "update fakultet set nazva = 'Чужа назва' where f_id = 3", true,
     "Чужа назва", "ІФ"},
    {"changed another column", "update fakultet set knazva = 'Чуже' where f_id = 3", false,
     "Моя назва", "Чуже"},
};

class JournalConflicts : public Journal, public testing::WithParamInterface<OtherUser> {};

TEST_P(JournalConflicts, AChangeThatNoLongerFitsItsRowIsShownOnceAndTheOthersGoIn) {
    const OtherUser& c = GetParam();
    Start();
    PostFacultyName(3, QStringLiteral("Моя назва"));
    PostFacultyName(2, QStringLiteral("Моя друга назва"));
    RestartServer();
    db->Isql(QString::fromUtf8(c.sql) + ";\ncommit;\n");

    SwitchFindingTheConnectionGone();
    ShowDisciplines();
    ASSERT_EQ(Errors().size(), c.refused ? 2 : 1) << ErrorList();
    if (c.refused) {
        EXPECT_EQ(Errors()[1], QStringLiteral("Can't update: the record was changed or deleted by "
                                              "another user. (main_frm.faculty_dataset)"));
    }
    EXPECT_EQ(Notices(), QStringList{Restored(c.refused ? 1 : 2)});
    EXPECT_EQ(Faculty("nazva", 2), QStringLiteral("Моя друга назва"));
    if (c.nazva) {
        EXPECT_EQ(Faculty("nazva", 3), QString::fromUtf8(c.nazva));
        EXPECT_EQ(Faculty("knazva", 3), QString::fromUtf8(c.knazva));
    } else {
        EXPECT_EQ(db->QueryInt("select count(*) from fakultet where f_id = 3"), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(OtherUsers, JournalConflicts, testing::ValuesIn(kOtherUsers),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

TEST_F(Journal, CourseMarksSetBeforeTheRestartAreStoredAfterIt) {
    Start();
    ShowDisciplines();
    ASSERT_EQ(Current(main_frm->discipline_grid, "D_ID"), QStringLiteral("1"));
    TCheckListBox* faculties = main_frm->d_faculty_lb;
    TCheckListBox* courses = main_frm->d_course_lb;
    const auto toggle = [&](int faculty, const QString& course) {
        const int f = faculties->Items().indexOf(Faculty("nazva", faculty));
        ASSERT_GE(f, 0);
        QTest::mouseClick(faculties->viewport(), Qt::LeftButton, {},
                          faculties->visualItemRect(faculties->item(f)).center());
        const int k = courses->Items().indexOf(course);
        ASSERT_GE(k, 0) << course.toStdString();
        QTest::mouseClick(courses->viewport(), Qt::LeftButton, {},
                          courses->visualItemRect(courses->item(k)).center());
        QTest::keyClick(courses, Qt::Key_Space);
    };
    toggle(2, QStringLiteral("2")); // a new link
    toggle(1, QStringLiteral("1")); // a link removed
    ASSERT_TRUE(Errors().isEmpty()) << ErrorList();
    const auto links = [this](int faculty, int course) {
        return db->QueryInt(
            QStringLiteral("select count(*) from d_f_k where d_id = 1 and f_id = %1 and kurs = %2")
                .arg(faculty)
                .arg(course));
    };
    ASSERT_EQ(links(2, 2), 0) << "not committed yet";

    RestartServer();
    SwitchFindingTheConnectionGone();
    ShowDisciplines();
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(Notices(), QStringList{Restored(2)});
    EXPECT_EQ(links(2, 2), 1);
    EXPECT_EQ(links(1, 1), 0);
    EXPECT_EQ(links(1, 3), 1);
}

TEST_F(Journal, ACommitLeavesNothingToSendAgain) {
    Start();
    PostFacultyName(1, QStringLiteral("Збережено перемиканням"));
    ShowDisciplines(); // commits
    db->Isql(QStringLiteral("update fakultet set nazva = 'Чужа назва' where f_id = 1;\ncommit;\n"));
    ShowStudents();
    PostFacultyName(2, QStringLiteral("Після коміту"));

    RestartServer();
    SwitchFindingTheConnectionGone();
    ShowDisciplines();
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(Notices(), QStringList{Restored(1)});
    EXPECT_EQ(Faculty("nazva", 1), QStringLiteral("Чужа назва"));
    EXPECT_EQ(Faculty("nazva", 2), QStringLiteral("Після коміту"));
}

TEST_F(Journal, LeavingAfterTheRestartSendsThePostsAgainAndSavesThem) {
    Start();
    PostFacultyName(1, QStringLiteral("Збережено при виході"));
    RestartServer();
    // The first try commits on the dead connection: leaving without saving
    // is offered, and declined.
    dialogs.answers = {TMsgResult::Yes, TMsgResult::No};
    EXPECT_FALSE(main_frm->close());
    ASSERT_EQ(Errors().size(), 1) << ErrorList();
    dialogs.answers = {TMsgResult::Yes};
    EXPECT_TRUE(main_frm->close()) << ErrorList();
    EXPECT_EQ(Errors().size(), 1) << ErrorList();
    EXPECT_EQ(Notices(), QStringList{Restored(1)});
    EXPECT_EQ(Faculty("nazva", 1), QStringLiteral("Збережено при виході"));
}

} // namespace
