#pragma once
// A Firebird server of the test program's own, for tests that take the server
// away: its own port, configuration folder, lock folder, security database
// (SYSDBA with the tests' password) and databases.conf, all in a temporary
// folder. A test may stop it, kill it, freeze it and start it again without
// touching the shared server the other tests use. The server dies with the
// test program, however that ends.

#include "tests/support/TestDatabase.h"

#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

namespace veltor::test {

class PrivateServer {
public:
    // Prepares the folder and starts the server; fails the program (an
    // exception) when it cannot.
    PrivateServer();
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    int Port() const { return port_; }
    // What goes before the database path in a connection string.
    QString Host() const;
    // Where this server's databases live.
    QString DataDir() const;
    // The configuration folder (FIREBIRD of the server).
    QString Folder() const { return dir_.path(); }

    // Starts the server and waits until it accepts connections. Does nothing
    // while it runs.
    void Start();
    // Asks the server to end (SIGTERM) and waits for it.
    void Stop();
    // Ends it at once (SIGKILL): no goodbye to its clients.
    void Kill();
    // Freezes (SIGSTOP) and thaws (SIGCONT) it: its clients wait.
    void Freeze();
    void Thaw();
    bool Running() const { return pid_ > 0; }

    // A fresh database on this server, dropped when the object goes.
    std::unique_ptr<TestDatabase> MakeDatabase(TestData data = TestData::SchemaOnly) const;

private:
    void WriteConfiguration();
    void MakeSecurityDatabase();
    void WaitUntilListening();
    void Reap(int timeoutMs);

    QTemporaryDir dir_;
    int port_ = 0;
    pid_t pid_ = 0;
};

// The test program's one private server, started at the first call and ended
// when the program ends. Starting a server costs a few seconds: tests share
// it and leave it running when they are done with it.
PrivateServer& ProgramServer();

} // namespace veltor::test
