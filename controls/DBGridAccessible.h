#pragma once
// The grid as assistive technology sees it. The grid paints its rows itself,
// so without a description of its own a screen reader would find one blank
// widget. Described here: a table whose columns carry the titles the grid
// paints, whose cells carry each shown value, whose row headers (the
// indicator column) say whether the current row is being browsed, edited or
// inserted, and whose current cell has the focus. The in-place editor is Qt's
// own editable text, named after its column.
//
// Every grid installs the description when it is made; nothing is built or
// sent while no assistive technology listens.

#include <QString>

class TDBGrid;

// The words a row header says for the current row; caption keys until the
// shell sets their translations.
struct TGridAccessibleCaptions {
    QString Browsing = QStringLiteral("_ROW_BROWSING_");
    QString Editing = QStringLiteral("_ROW_EDITING_");
    QString Inserting = QStringLiteral("_ROW_INSERTING_");
};
TGridAccessibleCaptions& GridAccessibleCaptions();

// Registers the description of grids with Qt's accessibility (once).
void InstallGridAccessibility();

// The grid's current cell, its text or its row's state may have changed:
// tells assistive technology what did.
void NotifyGridAccessibility(TDBGrid& grid);
