#pragma once
// One client connection, driven by the I/O thread from accept to close. A request is read
// under one deadline from its first byte to the end of its body, checked on its header before
// the body is read, then handed to a worker; the connection waits between requests without
// holding anything but its socket. Instantiated for plain TCP and for TLS.

#include "server/transport/requestcheck.h"
#include "server/transport/transportcore.h"

#include <QByteArray>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/span_body.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace dieta::server {

using PlainStream = boost::asio::ip::tcp::socket;
using TlsStream = boost::asio::ssl::stream<boost::asio::ip::tcp::socket>;

template <class Stream>
class HttpConnection : public TrackedConnection,
                       public std::enable_shared_from_this<HttpConnection<Stream>> {
public:
    HttpConnection(TransportCore& core, Stream stream, const std::string& address);
    ~HttpConnection() override;

    // Counted in by the table: the TLS handshake if any, then requests until the client, a
    // deadline or the keep-alive limit ends the connection.
    void start();
    // Not counted in: answers the refusal (plain connections only) and closes.
    void turnAway(RefusalReason reason);
    void closeNow() override;
    void onStop() override;

private:
    enum class Phase { Opening, Idle, Reading, Running, Writing, Closing, Closed };
    // The body is the answer's own bytes, not a copy (a list is hundreds of kilobytes).
    using Response = boost::beast::http::response<boost::beast::http::span_body<const char>>;

    void handshake();
    void awaitRequest();
    void beginRequest();
    void readHeader();
    void onHeader(boost::system::error_code ec);
    void readBody();
    void onBody(boost::system::error_code ec);
    void readFailed(boost::system::error_code ec);
    void route();
    void runMethod(const QString& object, const QString& method);
    void answer(const HttpAnswer& answer, bool keepAlive);
    void onWritten(boost::system::error_code ec, bool keepAlive);
    void refuse(RefusalReason reason, int status);
    void sendAndClose(const HttpAnswer& answer);
    void linger();
    void armTimer(int seconds);
    void disarmTimer();
    void startTimer(std::chrono::steady_clock::time_point at);
    void onTimerDue();
    void onTimer();
    QString target() const;
    boost::asio::ip::tcp::socket& socket();

    TransportCore& core_;
    Stream stream_;
    QString address_;
    boost::asio::steady_timer timer_;
    unsigned timerGeneration_ = 0;
    // The phase's deadline, and when the timer fires (max: never). The timer is moved only when
    // a deadline comes before it; otherwise it fires early and waits on to the deadline, so that
    // a request does not reset it three times.
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    std::chrono::steady_clock::time_point armedFor_ = std::chrono::steady_clock::time_point::max();
    boost::beast::flat_buffer buffer_;
    std::optional<RequestParser> parser_;
    std::optional<Response> response_;
    QByteArray responseBytes_; // what response_'s body spans
    Phase phase_ = Phase::Opening;
    bool timedOut_ = false;
    int served_ = 0;
};

extern template class HttpConnection<PlainStream>;
extern template class HttpConnection<TlsStream>;

} // namespace dieta::server
