#pragma once
// Requests to stop from outside (SIGTERM at logout, at shutdown or from kill;
// SIGINT from Ctrl+C; SIGHUP when the terminal goes) reach the program as a
// call on its user-interface thread, never through a signal handler.
//
// The Firebird client library installs its own handlers for SIGINT and
// SIGTERM at the first attachment. They shut its engine down under the
// program: an embedded database loses its attachment and transaction (the
// typed row is gone, and every later call fails with an invalid handle), and
// a server attachment is torn down so that the library crashes at exit. The
// three signals are therefore blocked in every thread from the very start,
// so that no handler, the library's or anybody's, ever runs; a thread of ours
// takes them from a signalfd instead.

#include <QObject>

#include <functional>
#include <thread>

// Exit codes of a leave on a signal: something could not be saved (and was
// named on standard error), or the program gave up waiting for the database.
constexpr int kExitNotSaved = 1;
constexpr int kExitGaveUp = 2;

// Blocks the three signals in the calling thread; every thread started later
// inherits the mask. Called first in main, before anything starts a thread:
// a thread started earlier would take the signals with the default action
// (the end of the process) or the library's handler.
void BlockExitSignals();

class TExitSignals {
public:
    // At the first signal, requested runs on the thread that made this
    // object, through its event loop. From then on the program has
    // giveUpAfterMs to end; a database that does not answer must not keep it
    // for ever, so afterwards the process ends with kExitGaveUp, saying so.
    // Later signals change nothing.
    TExitSignals(std::function<void(int signo)> requested, int giveUpAfterMs);
    ~TExitSignals();
    TExitSignals(const TExitSignals&) = delete;
    TExitSignals& operator=(const TExitSignals&) = delete;

private:
    void Watch();

    std::function<void(int)> requested_;
    int giveUpAfterMs_;
    QObject receiver_;
    int signalFd_ = -1;
    int stopFd_ = -1;
    std::thread watcher_;
};

// One line on standard error, after the program's file name.
void SayOnStandardError(const QString& text);
