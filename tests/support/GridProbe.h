#pragma once
// What a test reads off a data grid as the user sees it.

#include "controls/DBGrids.h"

#include <QStringList>

namespace veltor::test {

// The texts of one column, row by row, as the grid shows its window.
inline QStringList Shown(TDBGrid* grid, const QString& fieldName) {
    auto& link = const_cast<TGridDataLink&>(grid->DataLink());
    QStringList texts;
    if (!link.Active())
        return texts;
    const int current = link.ActiveRow();
    for (int row = 0; row < link.RecordCount(); ++row) {
        link.SetActiveRow(row);
        texts << link.DataSet()->FieldByName(fieldName)->DisplayText();
    }
    link.SetActiveRow(current);
    return texts;
}

// The text of one column of the current row.
inline QString Current(TDBGrid* grid, const QString& fieldName) {
    return grid->DataLink().DataSet()->FieldByName(fieldName)->DisplayText();
}

} // namespace veltor::test
