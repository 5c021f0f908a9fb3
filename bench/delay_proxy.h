#pragma once
// A TCP forwarder on loopback that stands for a slow network between the
// program and the Firebird server: every chunk is passed on a set time after
// it arrived, in each direction, and the forwarder counts what the user of a
// remote server pays for: turns (a turn starts when the client sends after
// having received, or sends first) and bytes each way.
//
// Firebird's remote protocol is strictly request/response on one socket per
// attachment, so counting direction changes on the client's side counts the
// round trips the client library had to wait for.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TDelayProxy {
public:
    struct Counts {
        std::int64_t Turns = 0;
        std::int64_t BytesToServer = 0;
        std::int64_t BytesToClient = 0;
    };

    // Listens on 127.0.0.1 at a free port and forwards every connection to
    // targetHost:targetPort, delaying each direction by delayMs.
    TDelayProxy(const char* targetHost, int targetPort, int delayMs);
    ~TDelayProxy();
    TDelayProxy(const TDelayProxy&) = delete;
    TDelayProxy& operator=(const TDelayProxy&) = delete;

    int Port() const { return port_; }
    int DelayMs() const { return delayMs_; }

    // The counts over all connections since the last Reset (or the start).
    Counts Read() const;
    void Reset();

private:
    struct Connection;

    void Accept();
    void Serve(int clientSocket);

    int listener_ = -1;
    int port_ = 0;
    int delayMs_ = 0;
    int targetPort_ = 0;
    unsigned targetAddress_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;

    mutable std::mutex lock_;
    Counts counts_;
    std::vector<std::thread> workers_;
    std::vector<int> sockets_;
};
