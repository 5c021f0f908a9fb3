#include "app/Application.h"
#include "app/startup.h"

#include <QIcon>

int main(int argc, char* argv[]) {
    TApplication app(argc, argv);
    // The installed desktop entry and icon: the desktop matches the windows
    // to the entry by this name, and the icon comes from the icon theme.
    TApplication::setDesktopFileName(QStringLiteral("org.veltor.admin"));
    TApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.veltor.admin")));
    return run_program();
}
