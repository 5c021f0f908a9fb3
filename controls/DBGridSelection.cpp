// The selection of several records (dgMultiSelect): the marks are the
// records' bookmarks, and a deletion that moves them drops them all.

#include "controls/DBGrids.h"

void TDBGrid::ClearSelection() {
    if (selected_.empty())
        return;
    selected_.clear();
    viewport()->update();
}

void TDBGrid::SelectRange(int from, int to) {
    selected_.clear();
    if (from <= 0 || to <= 0)
        return;
    for (int b = std::min(from, to); b <= std::max(from, to); ++b)
        selected_.insert(b);
}

void TDBGrid::ToggleCurrentRow() {
    const int current = Shows() ? link_.DataSet()->Bookmark() : 0;
    if (current <= 0)
        return;
    if (!selected_.erase(current))
        selected_.insert(current);
    anchor_ = current;
    viewport()->update();
}

void TDBGrid::SelectAfterMove(bool extend) {
    if (!MultiSelect() || !Shows())
        return;
    const int current = link_.DataSet()->Bookmark();
    if (current <= 0)
        return;
    if (extend && anchor_ > 0) {
        SelectRange(anchor_, current);
    } else {
        selected_.clear();
        anchor_ = current;
    }
    viewport()->update();
}

void TDBGrid::SelectionMaybeStale() {
    TDataSet* ds = Shows() ? link_.DataSet() : nullptr;
    const int count = ds ? ds->RecordCount() : 0;
    // Fewer records: one was deleted and the marks after it moved.
    if (count < lastCount_)
        selected_.clear();
    lastCount_ = count;
}
