#include "tests/support/cuttableproxy.h"

#include "platform/sqldatabase.h"

#include <QRegularExpression>
#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace dieta::test {

namespace {

// A simple-protocol query message whose text is exactly COMMIT: 'Q', length, "COMMIT\0".
bool holdsCommit(const char* data, ssize_t size) {
    static constexpr char text[] = "COMMIT"; // with its terminating zero
    const std::string_view chunk(data, static_cast<size_t>(size));
    for (size_t at = chunk.find(std::string_view(text, sizeof text)); at != std::string_view::npos;
         at = chunk.find(std::string_view(text, sizeof text), at + 1))
        if (at >= 5 && chunk[at - 5] == 'Q')
            return true;
    return false;
}

bool sendAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

int connectTo(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const bool ok = fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) == 0;
    freeaddrinfo(found);
    if (!ok && fd >= 0)
        ::close(fd);
    return ok ? fd : -1;
}

} // namespace

struct CuttableProxy::Relay {
    int client = -1;
    int upstream = -1;
    bool closeAfterAnswer = false;

    void close() {
        if (client >= 0)
            ::close(client);
        if (upstream >= 0)
            ::close(upstream);
        client = upstream = -1;
    }
};

CuttableProxy::CuttableProxy(const QString& upstreamHost, int upstreamPort)
    : upstreamHost_(upstreamHost.isEmpty() ? "127.0.0.1" : upstreamHost.toStdString()),
      upstreamPort_(upstreamPort > 0 ? upstreamPort : 5432) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe(wake_) != 0) {
        if (listener_ >= 0)
            ::close(listener_);
        throw std::runtime_error("the relay could not listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

CuttableProxy::~CuttableProxy() {
    stopping_ = true;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(wake_[1], &byte, 1);
    thread_.join();
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

QString CuttableProxy::routed(const QString& connection) const {
    QString result = connection;
    result.replace(QRegularExpression(QStringLiteral(R"(\bhost=\S+)")), QString());
    result.replace(QRegularExpression(QStringLiteral(R"(\bport=\S+)")), QString());
    return QStringLiteral("host=127.0.0.1 port=%1 %2").arg(port_).arg(result.simplified());
}

void CuttableProxy::run() {
    std::vector<Relay> relays;
    char buffer[65536];
    while (!stopping_) {
        std::vector<pollfd> watched{{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        for (const Relay& relay : relays) {
            watched.push_back({relay.client, POLLIN, 0});
            watched.push_back({relay.upstream, POLLIN, 0});
        }
        if (::poll(watched.data(), watched.size(), -1) < 0)
            continue;
        if (watched[0].revents & POLLIN) {
            Relay relay;
            relay.client = ::accept(listener_, nullptr, nullptr);
            relay.upstream = connectTo(upstreamHost_, upstreamPort_);
            if (relay.client >= 0 && relay.upstream >= 0)
                relays.push_back(relay);
            else
                relay.close();
        }
        for (size_t i = 0; i < relays.size() && 2 + 2 * i + 1 < watched.size(); ++i) {
            Relay& relay = relays[i];
            const pollfd& fromClient = watched[2 + 2 * i];
            const pollfd& fromUpstream = watched[2 + 2 * i + 1];
            if (fromClient.revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t got = ::recv(relay.client, buffer, sizeof buffer, 0);
                const Cut cut =
                    got > 0 && holdsCommit(buffer, got) ? armed_.exchange(Cut::None) : Cut::None;
                if (cut != Cut::None)
                    ++cuts_;
                if (got <= 0 || cut == Cut::BeforeCommit) {
                    relay.close();
                    continue;
                }
                if (!sendAll(relay.upstream, buffer, got)) {
                    relay.close();
                    continue;
                }
                if (cut == Cut::AfterCommitReached) {
                    // The database's answer means it has committed; it is thrown away.
                    pollfd answer{relay.upstream, POLLIN, 0};
                    ::poll(&answer, 1, 5000);
                    relay.close();
                    continue;
                }
                relay.closeAfterAnswer = cut == Cut::AfterCommitAnswered;
            }
            if (fromUpstream.revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t got = ::recv(relay.upstream, buffer, sizeof buffer, 0);
                if (got <= 0 || !sendAll(relay.client, buffer, got) || relay.closeAfterAnswer)
                    relay.close();
            }
        }
        std::erase_if(relays, [](const Relay& relay) { return relay.client < 0; });
    }
    for (Relay& relay : relays)
        relay.close();
}

} // namespace dieta::test
