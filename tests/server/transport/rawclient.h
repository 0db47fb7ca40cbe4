#pragma once
// A client that writes exactly the bytes a test gives, when the test says, from a chosen
// loopback address (127.0.0.0/8 all reaches the server, so several client addresses can be
// had on one machine). Plain sockets: a thousand of them cost no event loop.

#include <QByteArray>

namespace dieta::test {

struct RawAnswer {
    int status = 0; // 0: no answer
    QByteArray headers;
    QByteArray body;
};

class RawClient {
public:
    RawClient() = default;
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    // Connects to 127.0.0.1:port from the address given (e.g. "127.0.0.2").
    bool connect(int port, const char* from = "127.0.0.1");
    bool send(const QByteArray& bytes);
    // Reads one whole answer (headers and Content-Length body) within boundMs.
    RawAnswer readAnswer(int boundMs);
    // true when the server closed the connection within boundMs.
    bool closedWithin(int boundMs);
    void close();
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    QByteArray pending_; // bytes read past the last answer
};

// A request for the transport's test object, with the headers given and a JSON type.
QByteArray postRequest(const QByteArray& method, const QByteArray& body,
                       const QByteArray& extraHeaders = {});

// Raises this process's open-file limit to what the system allows; the limit reached.
long raiseFileLimit();

} // namespace dieta::test
