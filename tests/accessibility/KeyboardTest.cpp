// The views reached without a mouse: F10 opens the menu bar's first menu, as
// on the Linux desktops, and the arrows and Enter choose a view; the focus
// then stands on a control of the view that is shown. The options dialog the
// same way, its language chosen from the keyboard.

#include "tests/accessibility/AccessibilityFixture.h"
#include "tests/support/Soon.h"

#include "app/AnchoredPanel.h"
#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "settings/options_unit.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

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

// The language is chosen without a mouse: Tab reaches the language field,
// which shows that it has the focus; Alt+Down, F4, Space and Enter each open
// the language menu below the field on the language in use; Escape leaves it
// as it was, the arrows and Enter choose, and the choice applies at once.
// Then Tab to OK and Enter keep it. The field's button used to need the mouse.
TEST_F(Keyboard, TheLanguageIsChosenInTheOptionsDialogWithoutAMouse) {
    QFile ukrainian(SourceDir() + QStringLiteral("/settings/languages/Українська.olg"));
    ASSERT_TRUE(ukrainian.open(QIODevice::ReadOnly));
    folder.WriteFile("Languages/Українська.olg", ukrainian.readAll());
    StartInEnglish();
    const QString cancelInUkrainian = TIniFile(SourceDir() + "/settings/languages/Українська.olg")
                                          .ReadString("WORDS", "_CANCEL_", {});
    ASSERT_NE(English("_CANCEL_"), cancelInUkrainian);

    bool opened = false;
    dialogs.onModal = [&](QDialog& d) {
        opened = true;
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        QLineEdit* field = options_frm->language_e;
        const QImage unfocused = field->grab().toImage();
        for (int i = 0; i < 8 && QApplication::focusWidget() != field; ++i)
            Press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), field);
        EXPECT_NE(field->grab().toImage(), unfocused) << "the focus does not show on the field";

        QMenu* menu = options_frm->languages_pmnu;
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* name;
        } openers[] = {{Qt::Key_Down, Qt::AltModifier, "Alt+Down"},
                       {Qt::Key_F4, Qt::NoModifier, "F4"},
                       {Qt::Key_Space, Qt::NoModifier, "Space"},
                       {Qt::Key_Return, Qt::NoModifier, "Enter"}};
        for (const auto& opener : openers) {
            SCOPED_TRACE(opener.name);
            QTest::keyClick(field, opener.key, opener.modifiers);
            ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
            QCoreApplication::processEvents();
            ASSERT_TRUE(menu->activeAction());
            EXPECT_EQ(Toptions_frm::LanguageOfItem(menu->activeAction()), "English");
            const QPoint below = field->mapToGlobal(field->rect().bottomLeft());
            EXPECT_LE((menu->geometry().topLeft() - below).manhattanLength(), 2)
                << "the menu opens away from the field";
            QTest::keyClick(menu, Qt::Key_Escape);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }));
            QCoreApplication::processEvents();
            EXPECT_EQ(current_language, "English");
            EXPECT_EQ(QApplication::focusWidget(), field);
        }

        QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }));
        QCoreApplication::processEvents();
        for (int i = 0; i < menu->actions().size() && menu->activeAction() &&
                        Toptions_frm::LanguageOfItem(menu->activeAction()) != "Українська";
             ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        ASSERT_TRUE(menu->activeAction());
        QTest::keyClick(menu, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }));
        EXPECT_EQ(current_language, "Українська");
        EXPECT_EQ(field->text(), "Українська");
        EXPECT_EQ(options_frm->cancel_btn->text(), cancelInUkrainian);
        EXPECT_TRUE(d.isVisible()) << "choosing a language closed the dialog";
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), field) << "the focus left the field";

        // Tab goes round to OK, the start of the focus order.
        Press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), options_frm->ok_btn);
        Press(Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    };
    // Program is the menu bar's second menu; Right opens it on its first item,
    // Options.
    Press(Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main_frm->show_mnu->isVisible(); }));
    QTest::keyClick(main_frm->show_mnu, Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main_frm->program_mnu->isVisible(); }));
    ASSERT_EQ(main_frm->program_mnu->activeAction(), main_frm->options_mnu);
    QTest::keyClick(main_frm->program_mnu, Qt::Key_Return);
    QCoreApplication::processEvents();
    ASSERT_TRUE(opened) << "Program, Options did not open the dialog";
    EXPECT_EQ(TIniFile(options_file_name()).ReadString("General", "Language", {}), "Українська");
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

} // namespace
