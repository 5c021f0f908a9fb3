#pragma once
// What a test does to the main window as its user would: menu choices with
// the mouse, keys and typing where the focus is, navigator buttons.

#include "app/main_unit.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"
#include "tests/support/Soon.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace veltor::test {

// Chooses a menu item with the mouse: the menu bar title, then the item.
inline void Choose(QMenu* menu, QAction* item) {
    QMenuBar* bar = main_frm->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_SOON(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    ASSERT_SOON(!menu->isVisible());
    QCoreApplication::processEvents();
}

inline void ShowStudents() {
    Choose(main_frm->show_mnu, main_frm->students_mnu);
}

inline void ShowDisciplines() {
    Choose(main_frm->show_mnu, main_frm->disciplines_mnu);
}

inline void ShowResults() {
    Choose(main_frm->show_mnu, main_frm->results_mnu);
}

inline QWidget* Target(TDBGrid* grid) {
    QWidget* editor = grid->InplaceEditor();
    return editor && editor->isVisible() ? editor : grid;
}

// Keys go where the user's focus is: the grid or its editor.
inline void Keys(TDBGrid* grid, int key, Qt::KeyboardModifiers mods = {}) {
    QTest::keyClick(Target(grid), static_cast<Qt::Key>(key), mods);
}

// Typed one key at a time; letters beyond ASCII come as the text of a key
// the keyboard has no code for, as an input method gives them.
inline void Type(TDBGrid* grid, const QString& text) {
    for (const QChar ch : text) {
        QWidget* target = Target(grid);
        if (ch.unicode() < 0x80)
            QTest::keyClick(target, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

inline void Press(TsDBNavigator* navigator, TNavigateBtn button) {
    QTest::mouseClick(navigator->Button(button), Qt::LeftButton);
}

inline int ColumnOf(TDBGrid* grid, const QString& fieldName) {
    for (int i = 0; i < static_cast<int>(grid->Columns().size()); ++i)
        if (grid->Columns()[i].Field->FieldName() == fieldName)
            return i;
    return -1;
}

} // namespace veltor::test
