#pragma once
// One thing the random user (or the colleague's program beside them) does,
// written as one line and read back, so that a failing list can be run again
// from a file or the command line:
//
//   view 1                        the disciplines view from the menu
//   key 0 Down                    a key in the faculty grid
//   ctrldel 1 ok                  Ctrl+Delete in the student grid, answered OK
//   type 1 2 Іван                 text typed into column 2 of the student grid
//   nav 3 Post                    a navigator button (delete: "nav 3 Delete ok")
//   click 0 2 1                   a click on data row 2, column 1 of a grid
//   faculty 1                     a click on an item of the faculty list
//   course 0                      the mark of a course item toggled
//   options                       Options opened and closed with OK
//   exit                          Exit, answered No
//   other update STUDENT 3 GRUPA Х-1   a committed change of the other program
//   other insert FAKULTET 1000001 Назва|Н
//   other delete TEST 2
//   other link 1 2 3 / other unlink 1 2 3
//
// Grids and navigators are numbered as the window lists them: faculties,
// students, disciplines, tests, results.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace veltor::test::monkey {

enum class Kind {
    View,
    Key,
    CtrlDelete,
    Type,
    Nav,
    Click,
    FacultyItem,
    CourseMark,
    Options,
    Exit,
    Other
};

struct Action {
    Kind kind = Kind::Key;
    int grid = 0;   // grid or navigator; the view; the list item
    int a = 0;      // column (type, click: column), row (click)
    int b = 0;      // click: column
    QString word;   // key name, button name, other: operation
    bool ok = true; // delete confirmations: OK (true) or Cancel
    QString table;  // other: the table
    long long key = 0;
    QString column;
    QString text; // typed text; other: the value(s)

    QString ToLine() const;
    // nullopt when the line is not an action.
    static std::optional<Action> FromLine(const QString& line);
};

using ActionList = std::vector<Action>;

QString ToText(const ActionList& list);
// Lines that are empty or start with "#" are skipped; a line that is not an
// action is an error, named in the returned text.
ActionList FromText(const QString& text, QString* error = nullptr);

} // namespace veltor::test::monkey
