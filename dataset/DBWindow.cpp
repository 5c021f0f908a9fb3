// The window of record buffers and navigation over it.
//
// buffers_ holds WindowSize buffers plus one; rows 0..WindowCount-1 hold
// records, and the buffer at index WindowCount is where the next read goes
// (the spare one once the window is full). Reads re-position the storage's
// cursor from a window buffer first (SetCurrentRecord), so the cursor may sit
// anywhere between navigations.

#include "dataset/DB.h"

#include <algorithm>

TRecordBuffer TDataSet::ActiveBuffer() const {
    if (buffers_.empty() || (activeRow_ >= windowCount_ && state_ != stInsert))
        return nullptr;
    return buffers_[activeRow_];
}

void TDataSet::SetActiveRow(int row) {
    if (row >= 0 && row < std::max(windowCount_, 1))
        activeRow_ = row;
}

void TDataSet::FreeBuffers() {
    for (TRecordBuffer& b : buffers_)
        FreeRecordBuffer(b);
    buffers_.clear();
    windowSize_ = 0;
    windowCount_ = 0;
    activeRow_ = 0;
    cursorRow_ = -1;
}

void TDataSet::ClearBuffers() {
    windowCount_ = 0;
    activeRow_ = 0;
    cursorRow_ = -1;
    // Nothing to show: both edges are reached until a record is read.
    atBegin_ = true;
    atEnd_ = true;
}

void TDataSet::ActivateBuffers() {
    windowCount_ = 1;
    activeRow_ = 0;
    atBegin_ = false;
    atEnd_ = false;
}

void TDataSet::MoveBuffer(int from, int to) {
    if (from == to)
        return;
    TRecordBuffer b = buffers_[from];
    buffers_.erase(buffers_.begin() + from);
    buffers_.insert(buffers_.begin() + to, b);
}

void TDataSet::AdjustLinksFirstRow(int delta) {
    if (delta == 0)
        return;
    for (TDataSource* s : dataSources_)
        for (TDataLink* l : s->links_)
            if (l->active_)
                l->firstRow_ += delta;
}

void TDataSet::UpdateWindowSize() {
    if (!IsCursorOpen())
        return;
    int size = 1;
    for (TDataSource* s : dataSources_)
        for (TDataLink* l : s->links_)
            size = std::max(size, l->BufferRows());
    SetWindowSize(size);
}

void TDataSet::SetWindowSize(int size) {
    const bool sameSize = size == windowSize_ && buffers_.size() == static_cast<size_t>(size) + 1;
    if (!sameSize) {
        // Shrinking keeps the active record: rows above it go first.
        int dropTop = std::max(0, activeRow_ - (size - 1));
        dropTop = std::min(dropTop, windowCount_);
        for (int i = 0; i < dropTop; ++i) {
            MoveBuffer(0, static_cast<int>(buffers_.size()) - 1);
            --windowCount_;
            --activeRow_;
        }
        AdjustLinksFirstRow(-dropTop);
        windowCount_ = std::min(windowCount_, size);
        while (buffers_.size() > static_cast<size_t>(size) + 1) {
            FreeRecordBuffer(buffers_.back());
            buffers_.pop_back();
        }
        while (buffers_.size() < static_cast<size_t>(size) + 1)
            buffers_.push_back(AllocRecordBuffer());
        windowSize_ = size;
        cursorRow_ = -1;
    }
    GetNextRecords();
    if (windowCount_ < windowSize_) {
        const int before = activeRow_;
        GetPriorRecords();
        AdjustLinksFirstRow(activeRow_ - before);
    }
}

void TDataSet::SetCurrentRecord(int row) {
    if (cursorRow_ == row)
        return;
    TRecordBuffer buffer = buffers_[row];
    switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
        InternalSetToRecord(buffer);
        break;
    case bfBOF:
        InternalFirst();
        break;
    case bfEOF:
        InternalLast();
        break;
    }
    cursorRow_ = row;
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (windowCount_ > 0) {
        SetCurrentRecord(windowCount_ - 1);
        // A new record that is not yet in the storage: the record after it
        // is the one the cursor is on.
        if (state_ == stInsert && cursorRow_ == activeRow_ &&
            GetBookmarkFlag(buffers_[activeRow_]) == bfCurrent)
            mode = gmCurrent;
    }
    if (GetRecord(buffers_[windowCount_], mode, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (windowCount_ == 0)
        ActivateBuffers();
    else if (windowCount_ < windowSize_)
        ++windowCount_;
    else
        MoveBuffer(0, windowCount_);
    cursorRow_ = windowCount_ - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (windowCount_ > 0)
        SetCurrentRecord(0);
    if (GetRecord(buffers_[windowCount_], gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (windowCount_ == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(windowCount_, 0);
        if (windowCount_ < windowSize_) {
            ++windowCount_;
            ++activeRow_;
        }
    }
    cursorRow_ = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int n = 0;
    while (windowCount_ < windowSize_ && GetNextRecord())
        ++n;
    return n;
}

int TDataSet::GetPriorRecords() {
    int n = 0;
    while (windowCount_ < windowSize_ && GetPriorRecord())
        ++n;
    return n;
}

void TDataSet::First() {
    EnsureBrowse();
    DoBeforeScroll();
    auto finish = [this] {
        atBegin_ = true;
        DataEvent(dnDataSetChange);
        DoAfterScroll();
    };
    try {
        ClearBuffers();
        InternalFirst();
        GetNextRecords();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TDataSet::Last() {
    EnsureBrowse();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
    } catch (...) {
        // What was fetched before the failure is shown from its end.
        GetPriorRecords();
        DataEvent(dnDataSetChange);
        throw;
    }
    GetPriorRecords();
    atEnd_ = true;
    DataEvent(dnDataSetChange);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    EnsureBrowse();
    DoBeforeScroll();
    if (distance == 0 || (distance > 0 && atEnd_) || (distance < 0 && atBegin_))
        return 0;
    atBegin_ = false;
    atEnd_ = false;
    const int oldCount = windowCount_;
    int shift = 0;
    int moved = 0;
    auto finish = [&] {
        if (windowCount_ != oldCount)
            DataEvent(dnDataSetChange);
        else
            DataEvent(dnDataSetScroll, shift);
    };
    try {
        for (; distance > 0; --distance) {
            if (activeRow_ < windowCount_ - 1) {
                ++activeRow_;
            } else {
                const bool full = windowCount_ >= windowSize_;
                if (!GetNextRecord()) {
                    atEnd_ = true;
                    break;
                }
                if (full)
                    --shift;
                if (activeRow_ < windowCount_ - 1)
                    ++activeRow_;
            }
            ++moved;
        }
        for (; distance < 0; ++distance) {
            if (activeRow_ > 0) {
                --activeRow_;
            } else {
                const bool full = windowCount_ >= windowSize_;
                if (!GetPriorRecord()) {
                    atBegin_ = true;
                    break;
                }
                if (full)
                    ++shift;
                // A record read into a window that had room pushed the
                // active row down; the move goes to the new record.
                activeRow_ = 0;
            }
            --moved;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    DoAfterScroll();
    return moved;
}

void TDataSet::Resync(bool exact, bool center) {
    TRecordBuffer spare = buffers_[windowCount_];
    if (exact) {
        cursorRow_ = -1;
        if (GetRecord(spare, gmCurrent, false) != grOK)
            DatabaseError(QStringLiteral("Record not found"), Name());
    } else if (GetRecord(spare, gmCurrent, false) != grOK &&
               GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(dnDataSetChange);
        return;
    }
    int before = center ? (windowSize_ - 1) / 2 : activeRow_;
    MoveBuffer(windowCount_, 0);
    ActivateBuffers();
    cursorRow_ = 0;
    try {
        while (before > 0 && GetPriorRecord())
            --before;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(dnDataSetChange);
        throw;
    }
    DataEvent(dnDataSetChange);
}

void TDataSet::GotoBookmark(int bookmark) {
    CheckActive();
    if (bookmark <= 0 || IsEmpty())
        return;
    EnsureBrowse();
    GoToRecordNumber(bookmark, false);
}

void TDataSet::GoToRecordNumber(int number, bool center) {
    if (RecordNumber() == number && !atBegin_ && !atEnd_)
        return;
    DoBeforeScroll();
    // Not centred, the record takes the active record's on-screen row.
    InternalGotoBookmark(number - 1);
    Resync(false, center);
    DoAfterScroll();
}
