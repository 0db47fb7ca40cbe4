#pragma once
// A TCP relay on 127.0.0.1 between the server and PostgreSQL that can break a connection at
// the one moment no real outage hits on demand: the COMMIT. Armed once, it cuts the next
// COMMIT it relays in the way asked, then relays everything untouched again.

#include <QString>
#include <atomic>
#include <memory>
#include <thread>

namespace dieta::test {

class CuttableProxy {
public:
    enum class Cut {
        None,
        BeforeCommit,       // the COMMIT never reaches the database: it rolls back
        AfterCommitReached, // the database commits, its answer is lost
        AfterCommitAnswered // the answer arrives, then the connection breaks
    };

    // Listens on a free port; throws std::runtime_error when it cannot.
    CuttableProxy(const QString& upstreamHost, int upstreamPort);
    ~CuttableProxy();
    CuttableProxy(const CuttableProxy&) = delete;
    CuttableProxy& operator=(const CuttableProxy&) = delete;

    int port() const { return port_; }
    void arm(Cut cut) { armed_ = cut; }
    // Cuts made since the start.
    int cuts() const { return cuts_; }

    // The PostgreSQL connection string with its host and port replaced by this relay's.
    QString routed(const QString& connection) const;

private:
    struct Relay;
    void run();

    int listener_ = -1;
    int port_ = 0;
    int wake_[2] = {-1, -1};
    std::string upstreamHost_;
    int upstreamPort_ = 0;
    std::atomic<Cut> armed_{Cut::None};
    std::atomic<int> cuts_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace dieta::test
