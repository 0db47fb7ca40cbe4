#include "tests/server/transport/rawclient.h"

#include "platform/tnetconnection.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dieta::test {

namespace {

// The length of the first whole answer in data, or -1.
qsizetype answerLength(const QByteArray& data) {
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0)
        return -1;
    const QByteArray head = data.left(end).toLower();
    const qsizetype at = head.indexOf("content-length:");
    qint64 length = 0;
    if (at >= 0) {
        const qsizetype eol = head.indexOf("\r\n", at);
        length = head.mid(at + 15, eol < 0 ? -1 : eol - at - 15).trimmed().toLongLong();
    }
    return data.size() - (end + 4) >= length ? end + 4 + length : -1;
}

RawAnswer parse(const QByteArray& data) {
    RawAnswer answer;
    const qsizetype end = data.indexOf("\r\n\r\n");
    const QList<QByteArray> statusLine = data.left(data.indexOf("\r\n")).split(' ');
    if (statusLine.size() >= 2)
        answer.status = statusLine.at(1).toInt();
    answer.headers = data.left(end);
    answer.body = end < 0 ? QByteArray() : data.mid(end + 4);
    return answer;
}

} // namespace

RawClient::~RawClient() {
    close();
}

bool RawClient::connect(int port, const char* from) {
    close();
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0)
        return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(quint16(port));
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    const int yes = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 ||
        ::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof(server)) != 0) {
        close();
        return false;
    }
    return true;
}

bool RawClient::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n =
            ::send(fd_, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return fd_ >= 0;
}

RawAnswer RawClient::readAnswer(int boundMs) {
    QElapsedTimer clock;
    clock.start();
    while (answerLength(pending_) < 0 && fd_ >= 0 && clock.elapsed() < boundMs) {
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, int(qMax<qint64>(1, boundMs - clock.elapsed()))) <= 0)
            continue;
        char chunk[16384];
        const ssize_t n = ::recv(fd_, chunk, sizeof(chunk), 0);
        if (n <= 0)
            break;
        pending_.append(chunk, n);
    }
    const qsizetype length = answerLength(pending_);
    if (length < 0)
        return {};
    const RawAnswer answer = parse(pending_.left(length));
    pending_.remove(0, length);
    return answer;
}

bool RawClient::closedWithin(int boundMs) {
    QElapsedTimer clock;
    clock.start();
    while (fd_ >= 0 && clock.elapsed() < boundMs) {
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, int(qMax<qint64>(1, boundMs - clock.elapsed()))) <= 0)
            continue;
        char chunk[16384];
        const ssize_t n = ::recv(fd_, chunk, sizeof(chunk), 0);
        if (n <= 0)
            return true;
        pending_.append(chunk, n);
    }
    return false;
}

void RawClient::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

QByteArray postRequest(const QByteArray& method, const QByteArray& body,
                       const QByteArray& extraHeaders) {
    return "POST /" + QByteArray(TNetConnection::DefaultServerName) + "/" + method +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

long raiseFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY ? 1L << 20 : long(limit.rlim_cur);
}

} // namespace dieta::test
