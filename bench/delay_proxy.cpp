#include "delay_proxy.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string("delay proxy: ") + what + ": " + std::strerror(errno));
}

void NoDelay(int socket) {
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool WriteAll(int socket, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

// Whether the server has been heard since the client last spoke: the next
// word from the client then starts a turn. Shared by a connection's two
// directions and read under the proxy's lock.
struct TDelayProxy::Connection {
    bool ServerSpoke = true;
};

namespace {

// One direction of one connection: a reader that stamps each chunk with the
// moment it may be passed on, and a writer that passes it on then, so that
// the delay holds for every chunk without slowing the stream's throughput.
class TPipe {
public:
    struct Chunk {
        Clock::time_point Due;
        std::string Bytes;
    };

    TPipe(int from, int to, int delayMs) : from_(from), to_(to), delay_(delayMs) {}

    template <typename OnRead, typename OnWritten>
    void Run(OnRead&& onRead, OnWritten&& onWritten) {
        std::thread writer([&] { Write(onWritten); });
        Read(onRead);
        writer.join();
    }

private:
    template <typename OnRead> void Read(OnRead& onRead) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(from_, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            onRead(n);
            std::lock_guard guard(lock_);
            queue_.push_back(
                {Clock::now() + delay_, std::string(buffer, static_cast<std::size_t>(n))});
            ready_.notify_one();
        }
        std::lock_guard guard(lock_);
        ended_ = true;
        ready_.notify_one();
    }

    template <typename OnWritten> void Write(OnWritten& onWritten) {
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock guard(lock_);
                ready_.wait(guard, [&] { return ended_ || !queue_.empty(); });
                if (queue_.empty())
                    break;
                chunk = std::move(queue_.front());
                queue_.pop_front();
            }
            std::this_thread::sleep_until(chunk.Due);
            if (!WriteAll(to_, chunk.Bytes.data(), chunk.Bytes.size()))
                break;
            onWritten();
        }
        ::shutdown(to_, SHUT_WR);
    }

    int from_;
    int to_;
    std::chrono::milliseconds delay_;
    std::mutex lock_;
    std::condition_variable ready_;
    std::deque<Chunk> queue_;
    bool ended_ = false;
};

} // namespace

TDelayProxy::TDelayProxy(const char* targetHost, int targetPort, int delayMs)
    : delayMs_(delayMs), targetPort_(targetPort) {
    in_addr address{};
    if (inet_pton(AF_INET, targetHost, &address) != 1)
        throw std::runtime_error(std::string("delay proxy: not an IPv4 address: ") + targetHost);
    targetAddress_ = address.s_addr;

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0)
        Fail("socket");
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(listener_, 16) != 0)
        Fail("bind");
    socklen_t length = sizeof local;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
}

TDelayProxy::~TDelayProxy() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    ::close(listener_);
    std::vector<std::thread> workers;
    {
        std::lock_guard guard(lock_);
        for (int s : sockets_)
            ::shutdown(s, SHUT_RDWR);
        workers.swap(workers_);
    }
    for (std::thread& w : workers)
        w.join();
    for (int s : sockets_)
        ::close(s);
}

TDelayProxy::Counts TDelayProxy::Read() const {
    std::lock_guard guard(lock_);
    return counts_;
}

void TDelayProxy::Reset() {
    std::lock_guard guard(lock_);
    counts_ = {};
}

void TDelayProxy::Accept() {
    while (!stopping_) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (stopping_)
                return;
            continue;
        }
        std::lock_guard guard(lock_);
        sockets_.push_back(client);
        workers_.emplace_back([this, client] { Serve(client); });
    }
}

void TDelayProxy::Serve(int client) {
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (server < 0)
        return;
    {
        std::lock_guard guard(lock_);
        sockets_.push_back(server);
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(targetPort_));
    target.sin_addr.s_addr = targetAddress_;
    if (::connect(server, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        ::shutdown(client, SHUT_RDWR);
        return;
    }
    NoDelay(client);
    NoDelay(server);

    auto connection = std::make_shared<Connection>();
    TPipe up(client, server, delayMs_);
    TPipe down(server, client, delayMs_);
    std::thread downstream([&] {
        down.Run(
            [&](ssize_t n) {
                std::lock_guard guard(lock_);
                counts_.BytesToClient += n;
            },
            [&] {
                std::lock_guard guard(lock_);
                connection->ServerSpoke = true;
            });
    });
    up.Run(
        [&](ssize_t n) {
            std::lock_guard guard(lock_);
            counts_.BytesToServer += n;
            if (connection->ServerSpoke) {
                ++counts_.Turns;
                connection->ServerSpoke = false;
            }
        },
        [] {});
    downstream.join();
}
