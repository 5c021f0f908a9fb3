#include "app/Application.h"
#include "app/ExitSignals.h"
#include "app/startup.h"

#include <QIcon>

int main(int argc, char* argv[]) {
    // Before anything starts a thread (Qt, the client library): the threads
    // inherit the blocked signals, which then reach the program only through
    // its own watcher.
    BlockExitSignals();
    TApplication app(argc, argv);
    // The installed desktop entry and icon: the desktop matches the windows
    // to the entry by this name, and the icon comes from the icon theme.
    TApplication::setDesktopFileName(QStringLiteral("org.veltor.admin"));
    TApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.veltor.admin")));
    return run_program();
}
