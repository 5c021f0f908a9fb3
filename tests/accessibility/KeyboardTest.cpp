// The views reached without a mouse: F10 opens the menu bar's first menu, as
// on the Linux desktops, and the arrows and Enter choose a view; the focus
// then stands on a control of the view that is shown.

#include "tests/accessibility/AccessibilityFixture.h"
#include "tests/support/Soon.h"

#include "app/AnchoredPanel.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>

using namespace veltor::test;

namespace {

class Keyboard : public AccessibilityFixture {
protected:
    // Keys go where the focus is, as the user's keyboard sends them.
    static void Press(int key) {
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activePopupWidget();
        if (!target)
            target = main_frm;
        QTest::keyClick(target, static_cast<Qt::Key>(key));
        QCoreApplication::processEvents();
    }
    // Opens the View menu with F10 and takes the item that many places down.
    static void ChooseView(int down) {
        Press(Qt::Key_F10);
        ASSERT_SOON(main_frm->show_mnu->isVisible());
        for (int i = 0; i < down; ++i)
            QTest::keyClick(main_frm->show_mnu, Qt::Key_Down);
        QTest::keyClick(main_frm->show_mnu, Qt::Key_Return);
        ASSERT_SOON(!main_frm->show_mnu->isVisible());
        QCoreApplication::processEvents();
    }
    static void ExpectFocusIn(QWidget* panel, const char* view) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus) << view << ": nothing has the focus";
        EXPECT_TRUE(focus->isVisible())
            << view << ": the focus is on a hidden " << focus->objectName().toStdString();
        EXPECT_TRUE(panel->isAncestorOf(focus))
            << view << ": the focus is on " << focus->objectName().toStdString();
    }
};

TEST_F(Keyboard, F10AndTheArrowsChooseEachViewAndTheFocusFollows) {
    StartInEnglish();
    // The menu opens with no item chosen; the first Down takes its first
    // enabled item, Students (Tests online is greyed).
    struct Step {
        int down;
        TView view;
        QWidget* panel;
        const char* name;
    };
    const Step steps[] = {
        {2, TView::vwDisciplines, main_frm->discipline_pnl, "disciplines"},
        {3, TView::vwResults, main_frm->resultat_pnl, "results"},
        {1, TView::vwStudents, main_frm->student_pnl, "students"},
    };
    for (const Step& s : steps) {
        ChooseView(s.down);
        EXPECT_EQ(main_frm->CurrentView(), s.view) << s.name;
        EXPECT_TRUE(s.panel->isVisible()) << s.name;
        ExpectFocusIn(s.panel, s.name);
    }
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

} // namespace
