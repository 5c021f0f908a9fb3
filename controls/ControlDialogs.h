#pragma once
// Where the data-aware controls meet the program's message boxes and its one
// error presenter. Event handlers of the controls run their work through
// PresentErrors, so that no exception unwinds through Qt's frames.

#include <exception>

class QWidget;

// Asks "Delete record?" (OK/Cancel, titled "Confirm"); true unless the
// answer is Cancel.
bool AskDeleteRecord(QWidget* owner);

// Shows the error with the standard error box (nothing for EAbort).
void PresentError(std::exception_ptr error) noexcept;

// Runs work; an exception ends it and is presented. Returns whether the work
// completed.
template <typename Work> bool PresentErrors(Work&& work) noexcept {
    try {
        work();
        return true;
    } catch (...) {
        PresentError(std::current_exception());
        return false;
    }
}
