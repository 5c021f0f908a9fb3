// The hand-painted controls of the real main window as Qt's accessibility
// describes them to assistive technology: the students grid as a table
// (titles, cells as the database holds them, the current cell and its row's
// state, the in-place editor), the navigator's buttons named by their hints
// with their enabled state and pressed through their action, and the course
// list's items marked through their toggle action, read back from the
// database after the commit of a view switch.

#include "tests/accessibility/AccessibilityFixture.h"
#include "tests/support/GridProbe.h"
#include "tests/support/Soon.h"

#include "app/AssignmentEditor.h"
#include "app/CheckListBox.h"
#include "dataset/pFIBDataSet.h"

#include <QAccessible>
#include <QRegularExpression>
#include <algorithm>

using namespace veltor::test;

namespace {

class AccessibleControls : public AccessibilityFixture {
protected:
    static QAccessibleInterface* Of(QObject* object) {
        return QAccessible::queryAccessibleInterface(object);
    }
    static QAccessibleInterface* RowHeader(QAccessibleInterface* cell) {
        const auto headers = cell->tableCellInterface()->rowHeaderCells();
        return headers.isEmpty() ? nullptr : headers.first();
    }
    static QAccessibleInterface* CurrentCell(QAccessibleInterface* table) {
        const auto cells = table->tableInterface()->selectedCells();
        return cells.size() == 1 ? cells.first() : nullptr;
    }
};

TEST_F(AccessibleControls, StudentsGridReadsAsATableOfTitlesCellsAndTheCurrentCell) {
    StartInEnglish();
    TDBGrid* grid = main_frm->student_db;
    QAccessibleInterface* table = Of(grid);
    ASSERT_TRUE(table);
    ASSERT_TRUE(table->tableInterface()) << "the grid is not described as a table";
    QAccessibleTableInterface* t = table->tableInterface();
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(table->text(QAccessible::Name), English("_STUDENTS_"));

    // Six columns (F_ID is hidden), titled as the grid paints them.
    ASSERT_EQ(t->columnCount(), 6);
    for (int c = 0; c < t->columnCount(); ++c) {
        EXPECT_EQ(t->columnDescription(c), grid->Columns()[c].Title());
        const auto headers = t->cellAt(0, c)->tableCellInterface()->columnHeaderCells();
        ASSERT_EQ(headers.size(), 1);
        EXPECT_EQ(headers.first()->role(), QAccessible::ColumnHeader);
        EXPECT_EQ(headers.first()->text(QAccessible::Name), grid->Columns()[c].Title());
    }
    const int lastName = ColumnOf(grid, "FAMILIYA");
    EXPECT_EQ(t->columnDescription(lastName), English("_LAST_NAME_"));

    // Every row of the faculty's students, as the database holds them.
    const QString faculty = Current(main_frm->faculty_db, "F_ID");
    QStringList expected;
    for (const QString& name :
         db.Isql("set heading off; select familiya from student where f_id = " + faculty + ";")
             .split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
        expected << name;
    ASSERT_GE(expected.size(), 2) << "the fixture's first faculty has several students";
    ASSERT_EQ(t->rowCount(), expected.size());
    QStringList read;
    for (int r = 0; r < t->rowCount(); ++r) {
        QAccessibleInterface* cell = t->cellAt(r, lastName);
        EXPECT_EQ(cell->role(), QAccessible::Cell);
        read << cell->text(QAccessible::Name);
    }
    EXPECT_EQ(read, Shown(grid, "FAMILIYA")); // in the grid's order
    std::sort(read.begin(), read.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(read, expected);

    // The current cell has the focus, and moves with Down.
    grid->setFocus();
    grid->SetSelectedIndex(lastName);
    QCoreApplication::processEvents();
    QAccessibleInterface* cell = CurrentCell(table);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->tableCellInterface()->rowIndex(), 0);
    EXPECT_EQ(cell->tableCellInterface()->columnIndex(), lastName);
    EXPECT_TRUE(cell->state().focused);
    EXPECT_EQ(table->focusChild(), cell);
    EXPECT_EQ(cell->text(QAccessible::Name), Current(grid, "FAMILIYA"));
    EXPECT_EQ(RowHeader(cell)->text(QAccessible::Name), English("_ROW_BROWSING_"));
    Keys(grid, Qt::Key_Down);
    QAccessibleInterface* below = CurrentCell(table);
    ASSERT_TRUE(below);
    EXPECT_EQ(below->tableCellInterface()->rowIndex(), 1);
    EXPECT_EQ(below->text(QAccessible::Name), Current(grid, "FAMILIYA"));
    EXPECT_EQ(below->text(QAccessible::Name),
              read.isEmpty() ? QString() : Shown(grid, "FAMILIYA")[1]);
    EXPECT_TRUE(below->state().focused);
    EXPECT_FALSE(cell->state().focused);
    EXPECT_EQ(RowHeader(cell)->text(QAccessible::Name), QString()); // no longer the current row

    // Typing starts editing: the row says so, and the editor is editable
    // text named after its column, holding what was typed.
    Type(grid, "Q");
    EXPECT_EQ(grid->DataLink().DataSet()->State(), stEdit);
    EXPECT_EQ(RowHeader(below)->text(QAccessible::Name), English("_ROW_EDITING_"));
    EXPECT_EQ(below->text(QAccessible::Description), English("_ROW_EDITING_"));
    EXPECT_EQ(t->rowDescription(1), English("_ROW_EDITING_"));
    QAccessibleInterface* editor = table->child(table->childCount() - 1);
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->object(), grid->InplaceEditor());
    EXPECT_EQ(editor->role(), QAccessible::EditableText);
    EXPECT_EQ(editor->text(QAccessible::Name), English("_LAST_NAME_"));
    ASSERT_TRUE(editor->textInterface());
    EXPECT_EQ(editor->textInterface()->text(0, editor->textInterface()->characterCount()), "Q");
    EXPECT_EQ(table->indexOfChild(editor), table->childCount() - 1);
    Keys(grid, Qt::Key_Escape);
    Keys(grid, Qt::Key_Escape);
    EXPECT_EQ(grid->DataLink().DataSet()->State(), stBrowse);
    EXPECT_EQ(RowHeader(below)->text(QAccessible::Name), English("_ROW_BROWSING_"));

    // A new row says it is being inserted.
    Keys(grid, Qt::Key_Insert);
    ASSERT_EQ(grid->DataLink().DataSet()->State(), stInsert);
    QAccessibleInterface* inserted = CurrentCell(table);
    ASSERT_TRUE(inserted);
    EXPECT_EQ(RowHeader(inserted)->text(QAccessible::Name), English("_ROW_INSERTING_"));
    EXPECT_EQ(inserted->text(QAccessible::Name), QString());
    Keys(grid, Qt::Key_Escape);
    EXPECT_EQ(grid->DataLink().DataSet()->State(), stBrowse);

    // Every child is found again where it is.
    for (int i = 0; i < table->childCount(); ++i)
        EXPECT_EQ(table->indexOfChild(table->child(i)), i) << i;
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

// A button, its hint key, and whether pressing it moves to the next record.
struct NavigatorCase {
    TNavigateBtn button;
    const char* hintKey;
};

TEST_F(AccessibleControls, NavigatorButtonsAreButtonsNamedByTheirHintsWithTheirEnabledState) {
    StartInEnglish();
    const NavigatorCase cases[] = {
        {TNavigateBtn::nbFirst, "_FIRST_RECORD_"},   {TNavigateBtn::nbPrior, "_PRIOR_RECORD_"},
        {TNavigateBtn::nbNext, "_NEXT_RECORD_"},     {TNavigateBtn::nbLast, "_LAST_RECORD_"},
        {TNavigateBtn::nbInsert, "_INSERT_RECORD_"}, {TNavigateBtn::nbDelete, "_DELETE_RECORD_"},
        {TNavigateBtn::nbEdit, "_EDIT_RECORD_"},     {TNavigateBtn::nbPost, "_POST_EDIT_"},
        {TNavigateBtn::nbCancel, "_CANCEL_EDIT_"},   {TNavigateBtn::nbRefresh, "_REFRESH_DATA_"},
    };
    TsDBNavigator* bar = main_frm->student_navigator;
    EXPECT_EQ(Of(bar)->text(QAccessible::Name), English("_STUDENTS_"));
    for (const NavigatorCase& c : cases) {
        QAccessibleInterface* button = Of(bar->Button(c.button));
        ASSERT_TRUE(button);
        EXPECT_EQ(button->role(), QAccessible::Button) << c.hintKey;
        EXPECT_EQ(button->text(QAccessible::Name), English(c.hintKey));
        EXPECT_EQ(button->state().disabled, !bar->Button(c.button)->isEnabled()) << c.hintKey;
        // Only an enabled button offers to be pressed.
        ASSERT_TRUE(button->actionInterface());
        EXPECT_EQ(button->actionInterface()->actionNames().contains(
                      QAccessibleActionInterface::pressAction()),
                  bar->Button(c.button)->isEnabled())
            << c.hintKey;
    }
    // At the first record Prior is disabled and told so.
    TDataSet& students = *main_frm->student_dataset;
    ASSERT_EQ(students.RecordNumber(), 1);
    QAccessibleInterface* prior = Of(bar->Button(TNavigateBtn::nbPrior));
    EXPECT_TRUE(prior->state().disabled);
    // Next, pressed through its action, moves as a click does.
    Of(bar->Button(TNavigateBtn::nbNext))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_SOON(students.RecordNumber() == 2);
    EXPECT_FALSE(prior->state().disabled);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

TEST_F(AccessibleControls, CourseMarksAreCheckableItemsToggledThroughTheirAction) {
    StartInEnglish();
    ShowDisciplines();
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    TCheckListBox* faculties = main_frm->d_faculty_lb;
    TCheckListBox* courses = main_frm->d_course_lb;
    QAccessibleInterface* list = Of(courses);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), English("_COURSE_"));
    QAccessibleInterface* facultyList = Of(faculties);
    EXPECT_EQ(facultyList->text(QAccessible::Name), English("_FACULTY_"));
    ASSERT_EQ(facultyList->childCount(), faculties->Count());

    // Faculty by faculty, chosen through the item's focus action as a click
    // on its text would: each course list as the items say.
    int unmarked = -1;
    for (int f = 0; f < faculties->Count() && unmarked < 0; ++f) {
        QAccessibleInterface* facultyItem = facultyList->child(f);
        EXPECT_EQ(facultyItem->text(QAccessible::Name), faculties->Item(f));
        EXPECT_EQ(facultyItem->state().checked, faculties->Checked(f));
        facultyItem->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
        ASSERT_EQ(faculties->ItemIndex(), f);
        EXPECT_TRUE(facultyItem->state().selected);
        ASSERT_EQ(list->childCount(), courses->Count());
        for (int i = 0; i < courses->Count(); ++i) {
            QAccessibleInterface* item = list->child(i);
            EXPECT_EQ(item->role(), QAccessible::CheckBox);
            EXPECT_EQ(item->text(QAccessible::Name), courses->Item(i));
            EXPECT_TRUE(item->state().checkable);
            EXPECT_EQ(item->state().checked, courses->Checked(i));
            EXPECT_EQ(list->indexOfChild(item), i);
            if (!courses->Checked(i) && unmarked < 0)
                unmarked = i;
        }
    }
    ASSERT_GE(unmarked, 0) << "the fixture leaves a course of the discipline unmarked";

    const QString discipline = Current(main_frm->discipline_grid, "D_ID");
    const QString faculty = faculties->Item(faculties->ItemIndex());
    const QString course = courses->Item(unmarked);
    const QString links = "select count(*) from d_f_k join fakultet f on f.f_id = d_f_k.f_id "
                          "where d_id = " +
                          discipline + " and kurs = " + course + " and f.nazva = '" +
                          TAssignmentEditor::Quoted(faculty) + "'";
    const long long before = db.QueryInt(links);

    QAccessibleInterface* item = list->child(unmarked);
    ASSERT_TRUE(item->actionInterface());
    item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(courses->Checked(unmarked));
    EXPECT_TRUE(item->state().checked);
    EXPECT_EQ(courses->ItemIndex(), unmarked);
    EXPECT_TRUE(faculties->Checked(faculties->ItemIndex()));
    ShowDisciplines(); // commits
    EXPECT_EQ(db.QueryInt(links), before + 1);

    // And back: the rebuilt list shows the mark, its toggle deletes the row.
    const int facultyIndex = faculties->Items().indexOf(faculty);
    ASSERT_GE(facultyIndex, 0);
    Of(faculties)
        ->child(facultyIndex)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::setFocusAction());
    ASSERT_EQ(courses->Item(unmarked), course);
    item = Of(courses)->child(unmarked);
    EXPECT_TRUE(item->state().checked);
    item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(courses->Checked(unmarked));
    ShowDisciplines();
    EXPECT_EQ(db.QueryInt(links), before);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

} // namespace
