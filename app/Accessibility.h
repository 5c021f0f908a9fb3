#pragma once
// The main window's controls as a screen reader names them. A label names
// the grid or list below it (it is its buddy); the grids without a label of
// their own take the name of their view, and each navigator the name of its
// grid, so that a reader says which bar of buttons it is in.

class Tmain_frm;

// Once, when the window's controls exist.
void ConnectAccessibleLabels(Tmain_frm& window);
// After every translation of the captions.
void NameAccessibleControls(Tmain_frm& window);

// The keyboard's way to the menu: F10 opens the menu bar's first menu, as on
// the Linux desktops (the menu captions come from the language files and
// carry no Alt letters).
void ConnectKeyboardPaths(Tmain_frm& window);

class QWidget;
// After a view switch: a focus left on a control of a hidden view is lost
// to the keyboard and to the eye; it goes to the view's first control that
// takes the keyboard.
void KeepFocusInView(QWidget& panel);
