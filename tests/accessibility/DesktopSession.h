#pragma once
// A desktop of its own for a test: an X server (Xvfb) on a free display, a
// session bus started after it (so that the services it starts, the
// accessibility bus among them, find the display), the accessibility bus
// switched on, and the installed program started on it from a program folder
// of its own. Everything is stopped, in reverse order, when the object goes.

#include "tests/support/TempProgramFolder.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace veltor::test {

class DesktopSession {
public:
    // Empty when everything a session needs is installed; otherwise what is
    // missing, for the skip message.
    static QString Missing();

    // screen: Xvfb's "WIDTHxHEIGHTxDEPTH"; dpi: the screen's resolution.
    explicit DesktopSession(const QString& screen = QStringLiteral("1280x1024x24"), int dpi = 96);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // The environment of a program on this desktop.
    const QProcessEnvironment& Environment() const { return env_; }

    // Lays out a program folder (the program, the English language file and
    // options.ini for database) and starts the program in it with extra
    // environment variables.
    void StartProgram(const QString& database, const QStringList& extraEnvironment = {});
    const TempProgramFolder& Folder() const { return folder_; }
    QProcess& Program() { return *program_; }
    // What the program wrote so far, for failure messages.
    QString ProgramOutput();
    bool ProgramRunning() const;

    // Runs a tool on this desktop to its end (at most timeoutMs); returns
    // its exit code (-1 when it did not finish) and fills output with its
    // standard output and error with its standard error.
    int Run(const QString& tool, const QStringList& arguments, int timeoutMs, QString* output,
            QString* error = nullptr);

private:
    QTemporaryDir runtime_;
    QProcessEnvironment env_;
    std::unique_ptr<QProcess> xserver_;
    std::unique_ptr<QProcess> bus_;
    TempProgramFolder folder_;
    std::unique_ptr<QProcess> program_;
    QString programOutput_;
};

// The program built beside the tests.
QString ProgramPath();

} // namespace veltor::test
