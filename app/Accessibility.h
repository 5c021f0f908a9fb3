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
