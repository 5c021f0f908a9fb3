#include "app/ExitSignals.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t ExitSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

QByteArray SignalName(uint32_t signo) {
    switch (signo) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    }
    return "signal " + QByteArray::number(signo);
}

QByteArray ProgramName() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QByteArray("veltor-admin") : QFileInfo(path).fileName().toLocal8Bit();
}

// Straight to the descriptor: the user-interface thread may be stuck
// anywhere, holding any lock, when the watcher speaks.
void WriteLine(const QByteArray& line) {
    const QByteArray text = line + '\n';
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDERR_FILENO, text.constData() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

} // namespace

void SayOnStandardError(const QString& text) {
    WriteLine(ProgramName() + ": " + text.toLocal8Bit());
}

void BlockExitSignals() {
    const sigset_t set = ExitSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TExitSignals::TExitSignals(std::function<void(int)> requested, int giveUpAfterMs)
    : requested_(std::move(requested)), giveUpAfterMs_(giveUpAfterMs) {
    const sigset_t set = ExitSignalSet();
    signalFd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    stopFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (signalFd_ < 0 || stopFd_ < 0) {
        // Without them the signals keep their default action: the program
        // ends at once, as it would have without this class.
        SayOnStandardError(QStringLiteral("cannot watch for signals to stop"));
        return;
    }
    watcher_ = std::thread([this] { Watch(); });
}

TExitSignals::~TExitSignals() {
    if (watcher_.joinable()) {
        const uint64_t one = 1;
        while (::write(stopFd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        watcher_.join();
    }
    for (int fd : {signalFd_, stopFd_})
        if (fd >= 0)
            ::close(fd);
}

void TExitSignals::Watch() {
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> deadline;
    for (;;) {
        int timeout = -1;
        if (deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd fds[2] = {{signalFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & POLLIN))
            return;
        if (ready == 0) {
            WriteLine(ProgramName() + ": leaving took longer than " +
                      QByteArray::number(giveUpAfterMs_ / 1000) +
                      " s (the database does not answer); ending now: changes not yet "
                      "committed are lost");
            ::_exit(kExitGaveUp);
        }
        signalfd_siginfo info;
        while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            if (deadline) {
                WriteLine(ProgramName() + ": " + SignalName(info.ssi_signo) +
                          " received again: already leaving");
                continue;
            }
            deadline = Clock::now() + std::chrono::milliseconds(giveUpAfterMs_);
            WriteLine(ProgramName() + ": " + SignalName(info.ssi_signo) +
                      " received: saving and leaving as on a confirmed exit");
            const int signo = static_cast<int>(info.ssi_signo);
            QMetaObject::invokeMethod(
                &receiver_, [this, signo] { requested_(signo); }, Qt::QueuedConnection);
        }
    }
}
