#include "tests/support/PrivateServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace veltor::test {

namespace {

const char* const kServer = "/usr/sbin/firebird";
const char* const kInstalled = "/usr/lib/x86_64-linux-gnu/firebird/3.0";

[[noreturn]] void Fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

// A port nobody listens on now: the kernel picks one for a socket bound to
// port 0, and the socket is closed again before the server takes it.
int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) != 0)
        Fail(QStringLiteral("no free port for the private server"));
    ::close(s);
    return ntohs(a.sin_port);
}

bool Accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

void Copy(const QString& from, const QString& to) {
    QFile::remove(to);
    // Resolved first: the installed configuration files are links into /etc,
    // and the server must find real files in its own folder.
    if (!QFile::copy(QFileInfo(from).canonicalFilePath(), to))
        Fail(QStringLiteral("cannot copy %1 to %2").arg(from, to));
}

} // namespace

PrivateServer::PrivateServer() : dir_(QDir::tempPath() + QStringLiteral("/veltor-server-XXXXXX")) {
    if (!dir_.isValid())
        Fail(QStringLiteral("no folder for the private server"));
    port_ = FreePort();
    WriteConfiguration();
    MakeSecurityDatabase();
    Start();
}

PrivateServer::~PrivateServer() {
    if (pid_ > 0) {
        Thaw();
        Stop();
    }
}

QString PrivateServer::Host() const {
    return QStringLiteral("127.0.0.1/%1").arg(port_);
}

QString PrivateServer::DataDir() const {
    return dir_.filePath(QStringLiteral("data"));
}

void PrivateServer::WriteConfiguration() {
    QDir root(dir_.path());
    for (const char* sub : {"data", "lock", "intl"})
        root.mkpath(QString::fromLatin1(sub));
    const QString installed = QString::fromLatin1(kInstalled);
    Copy(installed + "/firebird.msg", root.filePath("firebird.msg"));
    Copy(installed + "/plugins.conf", root.filePath("plugins.conf"));
    // The character sets: a real copy, the server loads it from its own folder.
    Copy(installed + "/intl/libfbintl.so", root.filePath("intl/libfbintl.so"));
    Copy(installed + "/intl/fbintl.conf", root.filePath("intl/fbintl.conf"));

    const QString security = root.filePath("security3.fdb");
    QFile conf(root.filePath("firebird.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("cannot write %1").arg(conf.fileName()));
    conf.write(QStringLiteral("RemoteServicePort = %1\n"
                              "RemoteBindAddress = 127.0.0.1\n"
                              "ServerMode = Super\n"
                              "SecurityDatabase = %2\n"
                              "UdfAccess = None\n"
                              "DefaultDbCachePages = 256\n"
                              "DatabaseAccess = Full\n")
                   .arg(port_)
                   .arg(security)
                   .toUtf8());
    conf.close();
    QFile aliases(root.filePath("databases.conf"));
    if (!aliases.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("cannot write %1").arg(aliases.fileName()));
    aliases.write(
        QStringLiteral("security.db = %1\n{\n\tRemoteAccess = false\n}\n").arg(security).toUtf8());
}

// Made by the embedded engine, with this folder's configuration: the user
// name needs no password there.
void PrivateServer::MakeSecurityDatabase() {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), dir_.path());
    env.insert(QStringLiteral("FIREBIRD_LOCK"), dir_.filePath(QStringLiteral("lock")));
    env.remove(QStringLiteral("ISC_USER"));
    env.remove(QStringLiteral("ISC_PASSWORD"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("isql-fb"),
            {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA")});
    if (!p.waitForStarted())
        Fail(QStringLiteral("cannot start isql-fb"));
    p.write(QStringLiteral("create database '%1';\n"
                           "create or alter user SYSDBA password '%2' using plugin Srp;\n"
                           "commit;\n")
                .arg(dir_.filePath(QStringLiteral("security3.fdb")), TestPassword())
                .toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(60000);
    const QString out = QString::fromUtf8(p.readAll());
    if (p.exitCode() != 0 || out.contains(QStringLiteral("Statement failed")))
        Fail(QStringLiteral("cannot make the private security database: ") + out);
}

void PrivateServer::Start() {
    if (pid_ > 0)
        return;
    const QByteArray root = QFile::encodeName(dir_.path());
    const QByteArray lock = QFile::encodeName(dir_.filePath(QStringLiteral("lock")));
    const QByteArray port = QByteArray::number(port_);
    const QByteArray log = QFile::encodeName(dir_.filePath(QStringLiteral("server.log")));
    // Everything the child needs is made before the fork: between fork and
    // exec only async-signal-safe calls are allowed.
    std::vector<QByteArray> env;
    for (char** e = environ; *e; ++e)
        if (qstrncmp(*e, "FIREBIRD=", 9) != 0 && qstrncmp(*e, "FIREBIRD_LOCK=", 14) != 0)
            env.emplace_back(*e);
    env.push_back("FIREBIRD=" + root);
    env.push_back("FIREBIRD_LOCK=" + lock);
    std::vector<char*> envp;
    for (QByteArray& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        Fail(QStringLiteral("cannot fork the private server"));
    if (pid == 0) {
        // The server goes when the test program goes, even when it crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
        const int out = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::execle(kServer, kServer, "-p", port.constData(), static_cast<char*>(nullptr),
                 envp.data());
        ::_exit(127);
    }
    pid_ = pid;
    WaitUntilListening();
}

void PrivateServer::WaitUntilListening() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            Fail(QStringLiteral("the private server ended at start; see %1/server.log")
                     .arg(dir_.path()));
        }
        if (Accepts(port_))
            return;
        QThread::msleep(50);
    }
    Fail(QStringLiteral("the private server does not listen on port %1").arg(port_));
}

void PrivateServer::Reap(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD)) {
            pid_ = 0;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            pid_ = 0;
            return;
        }
        QThread::msleep(20);
    }
}

void PrivateServer::Stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    Reap(15000);
}

void PrivateServer::Kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    Reap(5000);
}

void PrivateServer::Freeze() {
    if (pid_ > 0)
        ::kill(pid_, SIGSTOP);
}

void PrivateServer::Thaw() {
    if (pid_ > 0)
        ::kill(pid_, SIGCONT);
}

std::unique_ptr<TestDatabase> PrivateServer::MakeDatabase(TestData data) const {
    return std::make_unique<TestDatabase>(data, Host(), DataDir());
}

namespace {

// Made before main (see ProgramDatabase): the server goes after every static
// that holds a connection to it.
struct ProgramServerHolder {
    PrivateServer* server = nullptr;
    ~ProgramServerHolder() { delete server; }
} program_server;

} // namespace

PrivateServer& ProgramServer() {
    if (!program_server.server)
        program_server.server = new PrivateServer;
    return *program_server.server;
}

} // namespace veltor::test
