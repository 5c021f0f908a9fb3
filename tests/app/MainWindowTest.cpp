// The main window: layout and anchoring, menus and radio items, view
// switches, the language switch reaching every window, and errors that
// escape an event handler.

#include "tests/app/ShellFixture.h"

#include "app/AnchoredPanel.h"
#include "app/Application.h"
#include "app/CheckListBox.h"
#include "base/Exception.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

using namespace veltor::test;

namespace {

class MainWindow : public ShellFixture {
protected:
    // A hidden window lays itself out only when asked.
    static void LayOut() {
        QCoreApplication::sendPostedEvents();
        main_frm->layout()->activate();
    }
};

QStringList ItemNames(const QMenu* menu) {
    QStringList names;
    for (const QAction* a : menu->actions())
        names << (a->isSeparator() ? "-" : a->objectName());
    return names;
}

TEST_F(MainWindow, ClientAreaAndPanelsAreAsDesigned) {
    LayOut();
    EXPECT_EQ(main_frm->centralWidget()->size(), QSize(615, 511));
    for (const TPanel* p :
         {main_frm->student_pnl, main_frm->discipline_pnl, main_frm->resultat_pnl})
        EXPECT_EQ(p->geometry(), QRect(0, 0, 615, 511)) << p->objectName().toStdString();
    EXPECT_TRUE(main_frm->student_pnl->isVisibleTo(main_frm));
    EXPECT_TRUE(main_frm->discipline_pnl->isVisibleTo(main_frm));
    EXPECT_FALSE(main_frm->resultat_pnl->isVisibleTo(main_frm));
    EXPECT_EQ(main_frm->faculty_db->geometry(), QRect(8, 25, 599, 101));
    EXPECT_EQ(main_frm->d_course_lb->geometry(), QRect(310, 182, 297, 131));
    EXPECT_EQ(main_frm->d_course_lbl->pos(), QPoint(320, 163));
    EXPECT_EQ(main_frm->resultat_grid->geometry(), QRect(8, 8, 599, 465));
    EXPECT_EQ(main_frm->test_navigator->geometry().topLeft(), QPoint(8, 479));
    for (const char* name : {"faculty_db", "student_navigator", "d_faculty_lb", "d_test_grid",
                             "resultat_navigator", "d_test_lbl", "discipline_lbl"})
        EXPECT_NE(main_frm->findChild<QWidget*>(name), nullptr) << name;
}

TEST_F(MainWindow, ControlsKeepTheirDistanceToTheAnchoredEdges) {
    main_frm->show();
    main_frm->resize(main_frm->width() + 100, main_frm->height() + 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(main_frm->faculty_db->geometry(), QRect(8, 25, 699, 101)) << "left, top, right";
    EXPECT_EQ(main_frm->student_db->geometry(), QRect(8, 163, 699, 360)) << "all four";
    EXPECT_EQ(main_frm->student_navigator->geometry().topLeft(), QPoint(8, 529))
        << "left, right, bottom";
    // The bar trims itself to whole buttons of the width it is given.
    EXPECT_NEAR(main_frm->student_navigator->width(), 699, 9);
    main_frm->disciplines_mnu->trigger(); // a hidden panel arranges itself when shown
    QCoreApplication::processEvents();
    EXPECT_EQ(main_frm->d_course_lb->geometry(), QRect(410, 182, 297, 131)) << "top, right";
    EXPECT_EQ(main_frm->d_course_lbl->pos(), QPoint(420, 163));
    EXPECT_EQ(main_frm->d_faculty_lbl->pos(), QPoint(8, 163));
}

TEST_F(MainWindow, MenusHoldTheirItemsInOrderBoundToTheActions) {
    EXPECT_EQ(ItemNames(main_frm->show_mnu),
              (QStringList{"tests_online_mnu", "students_mnu", "disciplines_mnu", "results_mnu", "-",
                           "results_filter_mnu"}));
    EXPECT_EQ(ItemNames(main_frm->program_mnu),
              (QStringList{"options_mnu", "import_students_mnu", "-", "help_mnu", "about_mnu", "-",
                           "exit_mnu"}));
    EXPECT_EQ(main_frm->menuBar()->actions().size(), 2);
    EXPECT_FALSE(main_frm->tests_online_mnu->isEnabled());
    EXPECT_FALSE(main_frm->help_mnu->isEnabled());
    EXPECT_TRUE(main_frm->students_mnu->isChecked());

    main_frm->Students_act->setText("Students");
    EXPECT_EQ(main_frm->students_mnu->text(), "Students") << "an item shows its action's caption";
}

TEST_F(MainWindow, ViewMenuSwitchesPanelsMarksTheChosenItemAndCommitsFirst) {
    main_frm->disciplines_mnu->trigger();
    EXPECT_TRUE(main_frm->disciplines_mnu->isChecked());
    EXPECT_FALSE(main_frm->students_mnu->isChecked());
    EXPECT_TRUE(main_frm->discipline_pnl->isVisibleTo(main_frm));
    EXPECT_FALSE(main_frm->student_pnl->isVisibleTo(main_frm));
    EXPECT_FALSE(main_frm->resultat_pnl->isVisibleTo(main_frm));

    main_frm->results_mnu->trigger();
    EXPECT_TRUE(main_frm->results_mnu->isChecked());
    EXPECT_TRUE(main_frm->resultat_pnl->isVisibleTo(main_frm));
    EXPECT_FALSE(main_frm->discipline_pnl->isVisibleTo(main_frm));

    main_frm->Students_act->trigger(); // not through the menu: the mark stays
    EXPECT_TRUE(main_frm->results_mnu->isChecked());
    EXPECT_TRUE(main_frm->student_pnl->isVisibleTo(main_frm));
    EXPECT_EQ(log, QStringList(3, "view switch"));

    main_frm->tests_online_mnu->trigger();
    main_frm->help_mnu->trigger();
    EXPECT_EQ(log.size(), 3) << "greyed items do nothing";
}

TEST_F(MainWindow, FailedViewSwitchIsReportedAndStopsBeforeThePanels) {
    steps.view_switch = [] { throw Exception("commit refused"); };
    main_frm->disciplines_mnu->trigger();
    EXPECT_EQ(dialogs.Texts(), QStringList{"commit refused."});
    EXPECT_TRUE(main_frm->student_pnl->isVisibleTo(main_frm));
    EXPECT_FALSE(main_frm->resultat_pnl->isVisibleTo(main_frm));
}

TEST_F(MainWindow, ShowingTheWindowOpensTheStudentsViewOnce) {
    main_frm->show();
    main_frm->hide();
    main_frm->show();
    EXPECT_EQ(log, QStringList{"view switch"});
    EXPECT_FALSE(main_frm->discipline_pnl->isVisible());
    EXPECT_TRUE(main_frm->student_pnl->isVisible());
    main_frm->hide();
}

TEST_F(MainWindow, OptionsAndAboutShowTheirDialogsModallyAndSwitchNoView) {
    main_frm->options_mnu->trigger();
    main_frm->about_mnu->trigger();
    EXPECT_EQ(dialogs.modals, (QStringList{"options_frm", "about_frm"}));
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(MainWindow, LanguageChosenInTheOptionsTranslatesEveryWindowAtOnce) {
    folder.WriteFile("Languages/English.olg", "[WORDS]\n_STUDENTS_=Students\n_OK_=OK\n");
    folder.WriteFile("Languages/Українська.olg",
                     "[WORDS]\n_MAIN_FORM_=Адміністрування\n_STUDENTS_=Студенти\n_OK_=Гаразд\n"
                     "_FACULTY_=Факультети\n");
    folder.WriteFile("options.ini", "[General]\nLanguage=English\n");
    run_startup();
    EXPECT_EQ(main_frm->students_mnu->text(), "Students");

    options_frm->findChild<QAction*>("Language_pmnu_item1")->trigger();
    EXPECT_EQ(main_frm->windowTitle(), "Адміністрування Kestrin VELTOR. Dalmik");
    EXPECT_EQ(main_frm->students_mnu->text(), "Студенти");
    EXPECT_EQ(main_frm->faculty_lbl->text(), "Факультети");
    EXPECT_EQ(main_frm->d_faculty_lbl->text(), "Факультети");
    EXPECT_EQ(options_frm->ok_btn->text(), "Гаразд");
    EXPECT_EQ(options_frm->language_e->text(), "Українська");
}

// Every arrangement of a panel gave its labels back the size of their key,
// so a longer translation showed cut ("Факультети" as "Факульте").
TEST_F(MainWindow, TranslatedCaptionsKeepTheWidthOfTheirTextInEveryWindow) {
    folder.WriteFile("Languages/Українська.olg",
                     "[WORDS]\n_FACULTY_=Факультети\n_COURSE_=Курси факультетів\n"
                     "_TEST_=Тести дисципліни\n_DISCIPLINE_=Дисципліни кафедри\n"
                     "_LANGUAGES_=Мова інтерфейсу\n_DATABASE_IP_AND_DB_FILE_=Сервер і файл бази\n"
                     "_USER_NAME_=Ім'я користувача\n_PASSWORD_=Пароль користувача\n"
                     "_SAVE_FORMS_POSITION_=Зберігати місце вікна\n");
    folder.WriteFile("options.ini", "[General]\nLanguage=Українська\n");
    run_startup();
    main_frm->show();
    options_frm->show();
    const auto expectWhole = [](QWidget* window, const char* when) {
        QCoreApplication::processEvents();
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (label->isVisible()) {
                EXPECT_GE(label->width(), label->sizeHint().width())
                    << label->objectName().toStdString() << " " << when;
            }
        }
    };
    for (const QSize change : {QSize(0, 0), QSize(120, 40), QSize(-120, -40)}) {
        main_frm->resize(main_frm->size() + change);
        expectWhole(options_frm, "in the options");
        main_frm->students_mnu->trigger();
        expectWhole(main_frm, "in the students view");
        main_frm->disciplines_mnu->trigger();
        expectWhole(main_frm, "in the disciplines view");
    }
    EXPECT_EQ(main_frm->faculty_lbl->text(), "Факультети");
    options_frm->hide();
}

// The grids' titles were drawn and measured in the grid's own font.
TEST_F(MainWindow, GridsTitlesAreInTahomaOfElevenPixels) {
    QFont designed(QStringLiteral("Tahoma"));
    designed.setPixelSize(11);
    const QFontMetrics tfm(designed);
    const int titleRow =
        std::max(tfm.boundingRect(QStringLiteral("Wg")).height(), tfm.height()) + 4;
    for (const TDBGrid* grid :
         {main_frm->faculty_db, main_frm->student_db, main_frm->discipline_grid,
          main_frm->d_test_grid, main_frm->resultat_grid}) {
        SCOPED_TRACE(grid->objectName().toStdString());
        EXPECT_EQ(grid->TitleFont().family(), "Tahoma");
        EXPECT_EQ(grid->TitleFont().pixelSize(), 11);
        EXPECT_EQ(grid->TitleHeight(), titleRow) << "the title row follows the title font";
        EXPECT_EQ(grid->font(), main_frm->font()) << "the cells keep the window's font";
    }
}

// An object whose event handler fails.
class Failing : public QObject {
protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw Exception("handler failed");
        if (e->type() == QEvent::User + 1)
            throw EAbort();
        return QObject::event(e);
    }
};

TEST_F(MainWindow, ErrorEscapingAnEventHandlerIsShownAndTheProgramGoesOn) {
    Failing target;
    QEvent failing(QEvent::User);
    QCoreApplication::sendEvent(&target, &failing);
    QEvent aborting(QEvent::Type(QEvent::User + 1));
    QCoreApplication::sendEvent(&target, &aborting);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "handler failed.");
    EXPECT_EQ(dialogs.messages[0].caption, "Kestrin Veltor");
}

} // namespace
