#pragma once
// The check lists as assistive technology sees them: a list of check boxes,
// each named by its text, marked or not, with the actions a user has:
// Toggle changes the mark as a click on its box does (and so runs the same
// handler), SetFocus selects the item as a click on its text does.

class TCheckListBox;

// Registers the description of check lists with Qt's accessibility (once).
void InstallCheckListAccessibility();

// The mark of item index changed: tells assistive technology.
void NotifyCheckListMark(TCheckListBox& list, int index);
