#pragma once
// A database call the user may stop. The call runs on a helper thread while
// the window waits, its input held back; after a short while a progress box
// shows. Esc anywhere in the program, or the box's Cancel, asks the server
// to stop the request through the connection's cancel; the call then fails
// with the server's "cancelled", which ends the wait quietly.
//
// The work must not touch widgets, and nothing else may use the connection
// while it runs (the held-back input sees to the user's part).

#include <QString>
#include <functional>

class QWidget;
class TFIBDatabase;

// False when the user stopped the work; the work's own failure comes back
// here as its exception.
bool RunCancellable(QWidget* parent, TFIBDatabase& database, const QString& text,
                    const std::function<void()>& work);

// The progress box's object name, for those who look for it.
inline constexpr const char* kCancellableProgressName = "cancellable_progress";
