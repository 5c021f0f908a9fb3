// The main of the desktop theme's test: the program on an X server of its own
// (Xvfb), with Qt taking its theme from the desktop's GTK settings and that
// theme dark, as a GNOME or Xfce desktop with a dark theme hands it over.
// Without Xvfb the program runs offscreen and the test says it was skipped.

#include "app/Application.h"

#include <gmock/gmock.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts Xvfb on a display it chooses; returns its process, or -1.
pid_t StartXServer(std::string& display) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        // The server goes with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-dpi",
               "96", "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {};
    ssize_t got = 0;
    while (pid > 0 && got < static_cast<ssize_t>(sizeof buffer) - 1) {
        const ssize_t n = read(fds[0], buffer + got, sizeof buffer - 1 - got);
        if (n <= 0 || buffer[got + n - 1] == '\n') {
            got += n > 0 ? n : 0;
            break;
        }
        got += n;
    }
    close(fds[0]);
    if (pid <= 0 || got <= 1) {
        if (pid > 0)
            waitpid(pid, nullptr, 0);
        return -1;
    }
    display = ":" + std::string(buffer, buffer + got - 1);
    return pid;
}

} // namespace

int main(int argc, char** argv) {
    std::string display;
    const pid_t xserver = StartXServer(display);
    if (xserver > 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("QT_QPA_PLATFORMTHEME", "gtk3", 1);
        setenv("GTK_THEME", "Adwaita:dark", 1);
        unsetenv("WAYLAND_DISPLAY");
    } else {
        std::fprintf(stderr, "no X server (Xvfb); the desktop theme cannot be taken here\n");
    }
    int rc = 0;
    {
        TApplication app(argc, argv);
        testing::InitGoogleMock(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    if (xserver > 0) {
        kill(xserver, SIGTERM);
        waitpid(xserver, nullptr, 0);
    }
    return rc;
}
