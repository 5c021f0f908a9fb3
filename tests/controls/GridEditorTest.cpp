// The grid's in-place editor: when its text reaches the field, what it lets
// the user type, what happens when the field refuses the text, and leaving
// the grid.

#include "tests/controls/ControlsFixture.h"

#include <QApplication>
#include <QTest>

using namespace veltor::test;

namespace {

QWidget* Focus() {
    return QApplication::focusWidget();
}

// Column 1 (NAZVA) with the editor open, its text replaced by text.
void TypeIntoName(FacultyView& v, const QString& text) {
    QTest::keyClick(v.grid, Qt::Key_Right);
    TypeText(text);
}

} // namespace

struct WriteMoment {
    const char* name;
    std::function<void(FacultyView&)> act;
    bool editorAfter;
};

TEST_F(FacultyViewTest, EditorTextReachesTheFieldAtItsMoments) {
    const WriteMoment moments[] = {
        {"Enter", [](FacultyView&) { QTest::keyClick(Focus(), Qt::Key_Return); }, false},
        {"a column change", [](FacultyView&) { QTest::keyClick(Focus(), Qt::Key_Right); }, true},
        {"a column change by mouse",
         [](FacultyView& v) {
             QTest::mouseClick(v.grid->viewport(), Qt::LeftButton, {},
                               v.grid->CellRect(2, 0).center());
         },
         false},
        {"the grid losing the focus", [](FacultyView& v) { v.elsewhere->setFocus(); }, true},
        {"the dataset asking before a post",
         [](FacultyView& v) {
             QTest::mouseClick(v.navigator->Button(TNavigateBtn::nbPost), Qt::LeftButton);
         },
         true},
    };
    for (const WriteMoment& m : moments) {
        SCOPED_TRACE(m.name);
        v.reset();
        v = std::make_unique<FacultyView>();
        v->Open();
        TypeIntoName(*v, "Новий факультет");
        // Typing alone leaves the field as it was.
        EXPECT_EQ(v->fName->AsString(), "Факультет комп'ютерних наук");
        EXPECT_EQ(v->ds->State(), stEdit);
        m.act(*v);
        QApplication::processEvents();
        EXPECT_EQ(v->fName->AsString(), "Новий факультет");
        EXPECT_FALSE(v->grid->EditorModified());
        if (!m.editorAfter) {
            EXPECT_FALSE(v->grid->EditorMode());
        }
        EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join("\n").toStdString();
    }
    // The last moment posted: the server holds the text.
    EXPECT_EQ(v->ds->State(), stBrowse);
    v->ds->Close();
    v->ds->Open();
    EXPECT_EQ(v->fName->AsString(), "Новий факультет");
}

TEST_F(FacultyViewTest, MovingToAnotherRecordPostsTheTypedText) {
    v->Open();
    TypeIntoName(*v, "Змінено");
    QTest::keyClick(Focus(), Qt::Key_Down);
    EXPECT_EQ(v->ds->State(), stBrowse);
    EXPECT_EQ(v->CurrentId(), 2);
    v->ds->First();
    EXPECT_EQ(v->fName->AsString(), "Змінено");
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join("\n").toStdString();
}

struct RefusedCase {
    const char* name;
    std::function<void(FacultyView&)> act;
};

TEST_F(FacultyViewTest, RefusedTextIsShownAndKeepsTheEditorAndTheFocus) {
    const RefusedCase cases[] = {
        {"Enter", [](FacultyView&) { QTest::keyClick(Focus(), Qt::Key_Return); }},
        {"a column change", [](FacultyView&) { QTest::keyClick(Focus(), Qt::Key_Right); }},
        {"the grid losing the focus", [](FacultyView& v) { v.elsewhere->setFocus(); }},
        {"moving to another record", [](FacultyView&) { QTest::keyClick(Focus(), Qt::Key_Down); }},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        v.reset();
        dialogs.reset(); // before the next one installs itself
        dialogs = std::make_unique<ScriptedDialogs>();
        v = std::make_unique<FacultyView>();
        v->Open();
        // Every character is one an integer may hold; the whole is no integer.
        QTest::keyClick(v->grid, Qt::Key_F2);
        TypeText("1-2");
        ASSERT_EQ(v->grid->InplaceEditor()->text(), "1-2");
        c.act(*v);
        QApplication::processEvents();
        QApplication::processEvents();

        ASSERT_EQ(dialogs->messages.size(), 1u) << dialogs->Texts().join("\n").toStdString();
        EXPECT_EQ(dialogs->messages[0].icon, TMsgIcon::Error);
        EXPECT_EQ(dialogs->messages[0].caption, ApplicationTitle());
        EXPECT_EQ(dialogs->messages[0].text, "'1-2' is not a valid integer value for field 'F_ID'");
        EXPECT_TRUE(v->grid->EditorMode());
        EXPECT_EQ(v->grid->InplaceEditor()->text(), "1-2");
        EXPECT_EQ(v->grid->SelectedIndex(), 0);
        EXPECT_EQ(Focus(), v->grid->InplaceEditor());
        EXPECT_EQ(v->CurrentId(), 1);
        EXPECT_EQ(v->ds->State(), stEdit);
    }
    // Corrected, the text goes in.
    QTest::keyClick(Focus(), Qt::Key_A, Qt::ControlModifier);
    TypeText("12");
    QTest::keyClick(Focus(), Qt::Key_Return);
    EXPECT_EQ(v->fId->AsInteger(), 12);
    EXPECT_EQ(dialogs->messages.size(), 1u);
}

TEST_F(FacultyViewTest, EditorTakesOnlyWhatTheFieldAccepts) {
    v->Open();
    QTest::keyClick(v->grid, Qt::Key_F2);
    QTest::keyClick(Focus(), Qt::Key_A, Qt::ControlModifier);
    TypeText("1a2 b3");
    EXPECT_EQ(v->grid->InplaceEditor()->text(), "123");

    // KNAZVA holds 50 characters.
    QTest::keyClick(Focus(), Qt::Key_Return);
    QTest::keyClick(v->grid, Qt::Key_End);
    QTest::keyClick(v->grid, Qt::Key_F2);
    TypeText(QString(60, QChar(u'ж')));
    EXPECT_EQ(v->grid->InplaceEditor()->text(), QString(50, QChar(u'ж')));
    EXPECT_EQ(v->grid->InplaceEditor()->maxLength(), 50);
    EXPECT_EQ(v->grid->InplaceEditor()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

TEST_F(FacultyViewTest, LeavingTheGridCancelsAnUntouchedNewRecord) {
    v->Open();
    QTest::keyClick(v->grid, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(v->grid, Qt::Key_Down);
    ASSERT_EQ(v->ds->State(), stInsert);
    v->elsewhere->setFocus();
    EXPECT_EQ(v->ds->State(), stBrowse);
    EXPECT_EQ(v->CurrentId(), 3);

    // Without dgCancelOnExit the new record stays.
    v->grid->SetOptions(v->grid->Options().Without(dgCancelOnExit));
    v->grid->setFocus();
    QTest::keyClick(v->grid, Qt::Key_Down);
    ASSERT_EQ(v->ds->State(), stInsert);
    v->elsewhere->setFocus();
    EXPECT_EQ(v->ds->State(), stInsert);

    // A new record with something typed into it is kept either way.
    v->grid->SetOptions(v->grid->Options().With(dgCancelOnExit));
    v->grid->setFocus();
    TypeText("77");
    v->elsewhere->setFocus();
    EXPECT_EQ(v->ds->State(), stInsert);
    EXPECT_EQ(v->fId->AsInteger(), 77);
}

TEST_F(FacultyViewTest, WithoutAutoEditTypingDoesNotStartEditingButTheNavigatorDoes) {
    v->source->SetAutoEdit(false);
    v->Open();
    QTest::keyClick(v->grid, Qt::Key_Right);
    TypeText("Щ");
    EXPECT_EQ(v->ds->State(), stBrowse);
    EXPECT_EQ(v->fName->AsString(), "Факультет комп'ютерних наук");
    if (v->grid->EditorMode()) {
        EXPECT_EQ(v->grid->InplaceEditor()->text(), "Факультет комп'ютерних наук");
    }

    QTest::mouseClick(v->navigator->Button(TNavigateBtn::nbEdit), Qt::LeftButton);
    ASSERT_EQ(v->ds->State(), stEdit);
    v->grid->setFocus();
    TypeText("Щ");
    EXPECT_EQ(v->grid->InplaceEditor()->text(), "Щ");
    QTest::keyClick(Focus(), Qt::Key_Return);
    EXPECT_EQ(v->fName->AsString(), "Щ");
}

TEST_F(FacultyViewTest, AChangeOfAnotherFieldFirstWritesThePendingText) {
    v->Open();
    TypeIntoName(*v, "Чекає");
    v->fShort->SetAsString("ЧК"); // as a program handler would
    EXPECT_EQ(v->fName->AsString(), "Чекає");
    EXPECT_EQ(v->grid->InplaceEditor()->text(), "Чекає");

    // A change of the edited field itself shows in the editor.
    v->fName->SetAsString("Інше");
    EXPECT_EQ(v->grid->InplaceEditor()->text(), "Інше");
}

TEST_F(FacultyViewTest, ClickingTheCurrentCellOpensTheEditor) {
    v->Open();
    const QPoint second = v->grid->CellRect(1, 1).center();
    QTest::mouseClick(v->grid->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(v->CurrentId(), 2);
    EXPECT_EQ(v->grid->SelectedIndex(), 1);
    EXPECT_FALSE(v->grid->EditorMode());
    QTest::mouseClick(v->grid->viewport(), Qt::LeftButton, {}, second);
    EXPECT_TRUE(v->grid->EditorMode());
    EXPECT_EQ(v->grid->InplaceEditor()->text(), "Фізичний факультет");
    EXPECT_EQ(v->grid->InplaceEditor()->geometry(), v->grid->CellRect(1, 1));

    // A click elsewhere hides it again and moves there (the grid has
    // scrolled to show all of the wide name column).
    const QRect third = v->grid->CellRect(2, 2);
    ASSERT_FALSE(third.isNull());
    QTest::mouseClick(v->grid->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join("\n").toStdString();
    EXPECT_FALSE(v->grid->EditorMode());
    EXPECT_EQ(v->CurrentId(), 3);
    EXPECT_EQ(v->grid->SelectedIndex(), 2);
}

// Every way text comes in asks the row to go into editing first; a change
// that came by a way that did not ask (here the editor's own insert) would
// show text the row never takes, so it is taken back.
TEST_F(FacultyViewTest, TextChangedWithoutAskingWhileTheRowIsNotEditingIsTakenBack) {
    v->source->SetAutoEdit(false);
    v->Open();
    QTest::keyClick(v->grid, Qt::Key_Right);
    QTest::keyClick(Focus(), Qt::Key_F2);
    ASSERT_TRUE(v->grid->EditorMode());
    v->grid->InplaceEditor()->insert("Щ");
    EXPECT_EQ(v->grid->InplaceEditor()->text(), "Факультет комп'ютерних наук");
    EXPECT_FALSE(v->grid->EditorModified());
    EXPECT_EQ(v->ds->State(), stBrowse);
}
