#pragma once
// The questions the data-aware controls ask their user, through the
// program's message boxes.

class QWidget;

// Asks "Delete record?" (OK/Cancel, titled "Confirm"); true unless the
// answer is Cancel.
bool AskDeleteRecord(QWidget* owner);
