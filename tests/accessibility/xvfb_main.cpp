// The main of the tests that need a real X server: the program on an Xvfb of
// its own, as a desktop hands it over. Built twice:
// - VELTOR_XVFB_DARK_THEME: Qt takes its theme from the desktop's GTK
//   settings, and that theme is dark, as a GNOME or Xfce desktop with a dark
//   theme hands it over;
// - VELTOR_XVFB_DPI 192: the screen is a 2x one, its Xft.dpi resource set as
//   a desktop's settings daemon sets it, from which Qt takes its scale.
// Without Xvfb the program runs offscreen and its tests say they skipped.

#include "app/Application.h"

#include <gmock/gmock.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef VELTOR_XVFB_DPI
#define VELTOR_XVFB_DPI 96
#endif
#ifndef VELTOR_XVFB_DARK_THEME
#define VELTOR_XVFB_DARK_THEME 0
#endif

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
        const std::string dpi = std::to_string(VELTOR_XVFB_DPI);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "2560x2048x24", "-dpi",
               dpi.c_str(), "-noreset", "-nolisten", "tcp", static_cast<char*>(nullptr));
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

// Tells the desktop's font resolution the way xrdb does, on the root
// window's RESOURCE_MANAGER; true when it was told. (The server must not
// reset when this last client leaves, or the property goes with it.)
bool SetDesktopDpi(const std::string& display, int dpi) {
    const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        execlp("xprop", "xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set",
               "RESOURCE_MANAGER", resources.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string display;
    const pid_t xserver = StartXServer(display);
    if (xserver > 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        unsetenv("WAYLAND_DISPLAY");
        if (VELTOR_XVFB_DARK_THEME) {
            setenv("QT_QPA_PLATFORMTHEME", "gtk3", 1);
            setenv("GTK_THEME", "Adwaita:dark", 1);
        }
        // The tests read the screen's scale from here: set only when the
        // screen really is that.
        if (VELTOR_XVFB_DPI != 96) {
            if (SetDesktopDpi(display, VELTOR_XVFB_DPI))
                setenv("VELTOR_SCREEN_SCALE", std::to_string(VELTOR_XVFB_DPI / 96.0).c_str(), 1);
            else
                std::fprintf(stderr, "xprop could not set the screen's Xft.dpi\n");
        }
    } else {
        std::fprintf(stderr, "no X server (Xvfb); the desktop cannot be given here\n");
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
