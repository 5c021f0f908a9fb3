#pragma once
// What the settings bindings reach in the main window. The main window
// registers itself here when it is created, so that the bindings can be
// exercised with a stand-in window.

#include <QString>

class QWidget;
class TFIBDatabase;

class TMainWindowTarget {
public:
    virtual ~TMainWindowTarget() = default;

    virtual QWidget& Window() = 0;
    // From now on the window keeps its designed position instead of being
    // centred on the screen when first shown.
    virtual void UseDesignedPosition() = 0;
    // The connection DataBase, which takes the path, user name and password.
    virtual TFIBDatabase& Connection() = 0;
    // Sets every translated caption of the main window, its field labels and
    // navigator hints, looking each key up with translate in their fixed order.
    virtual void TranslateCaptions() = 0;
    // The captions the grids add (context menu, find bar, export), looked up
    // after those of the options dialog.
    virtual void TranslateGridCaptions() {}
};

// The registered main window, or nullptr.
extern TMainWindowTarget* main_window_target;
