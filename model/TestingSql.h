#pragma once
// The statement texts of the testing database's datasets, one string-list
// entry per line, as the datasets hold them (the statement layer follows
// every line with CR LF). Blanks at the ends of lines and blank lines are
// part of the texts as designed. A statement the dataset does not have is an
// empty list.

#include <QStringList>

struct TDataSetStatements {
    QStringList SelectSQL;
    QStringList InsertSQL;
    QStringList UpdateSQL;
    QStringList DeleteSQL;
    QStringList RefreshSQL;
};

const TDataSetStatements& FacultyStatements();
const TDataSetStatements& StudentStatements();
const TDataSetStatements& DisciplineStatements();
const TDataSetStatements& TestStatements();
// Select only: the results are read, never written.
const TDataSetStatements& ResultatStatements();
