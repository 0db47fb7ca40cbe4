#include "server/transport/httpconnection.h"

#include <QByteArray>
#include <boost/asio/ssl/error.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <chrono>
#include <cstring>

namespace dieta::server {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using boost::system::error_code;

namespace {

constexpr bool isTls(const TlsStream*) {
    return true;
}
constexpr bool isTls(const PlainStream*) {
    return false;
}

// After a refusal, what the client still sends is read and dropped for this long, so that
// closing does not reset the connection before the client has read the refusal.
constexpr int lingerSeconds = 2;

const char* const continueLine = "HTTP/1.1 100 Continue\r\n\r\n";

bool expectsContinue(const http::fields& fields) {
    return boost::beast::iequals(fields[http::field::expect], "100-continue");
}

// The client ended the conversation: nothing to answer, nothing to report.
bool clientLeft(error_code ec) {
    return ec == http::error::end_of_stream || ec == http::error::partial_message ||
           ec == asio::error::eof || ec == asio::error::connection_reset ||
           ec == asio::error::operation_aborted || ec == asio::ssl::error::stream_truncated;
}

// "/<object>/<method>", the query left out; false for any other shape.
bool splitCallPath(const std::string& path, QString& object, QString& method) {
    const std::string bare = path.substr(0, path.find('?'));
    if (bare.size() < 4 || bare.front() != '/')
        return false;
    const size_t slash = bare.find('/', 1);
    if (slash == std::string::npos || slash == 1 || slash + 1 >= bare.size() ||
        bare.find('/', slash + 1) != std::string::npos)
        return false;
    object = QString::fromStdString(bare.substr(1, slash - 1));
    method = QString::fromStdString(bare.substr(slash + 1));
    return true;
}

// "/login" or "/logout": the session's own calls; empty for anything else.
QString sessionAction(const std::string& path) {
    const std::string bare = path.substr(0, path.find('?'));
    return bare == "/login" || bare == "/logout" ? QString::fromStdString(bare.substr(1))
                                                 : QString();
}

RequestHeaders copyHeaders(const http::fields& fields) {
    RequestHeaders headers;
    for (const auto& field : fields)
        headers.add(QByteArray(field.name_string().data(), qsizetype(field.name_string().size())),
                    QByteArray(field.value().data(), qsizetype(field.value().size())));
    return headers;
}

} // namespace

template <class Stream>
HttpConnection<Stream>::HttpConnection(TransportCore& core, Stream stream,
                                       const std::string& address)
    : core_(core), stream_(std::move(stream)), address_(QString::fromStdString(address)),
      timer_(core.io) {}

template <class Stream> HttpConnection<Stream>::~HttpConnection() {
    core_.table.remove(*this);
}

template <class Stream> void HttpConnection<Stream>::start() {
    armTimer(core_.options.requestTimeoutSeconds);
    if constexpr (isTls(static_cast<Stream*>(nullptr)))
        handshake();
    else
        beginRequest();
}

template <class Stream> void HttpConnection<Stream>::handshake() {
    if constexpr (isTls(static_cast<Stream*>(nullptr))) {
        phase_ = Phase::Opening;
        stream_.async_handshake(
            asio::ssl::stream_base::server, [self = this->shared_from_this()](error_code ec) {
                if (self->phase_ == Phase::Closed)
                    return;
                if (!ec)
                    return self->beginRequest();
                self->core_.refuse(
                    {self->address_,
                     self->timedOut_ ? RefusalReason::Deadline : RefusalReason::TlsHandshake,
                     {},
                     0});
                self->closeNow();
            });
    }
}

// Waits for the next request without a deadline of its own: only the keep-alive time.
template <class Stream> void HttpConnection<Stream>::awaitRequest() {
    if (buffer_.size() > 0) { // the client sent its next request already
        armTimer(core_.options.requestTimeoutSeconds);
        return beginRequest();
    }
    phase_ = Phase::Idle;
    core_.table.markIdle(*this);
    armTimer(core_.options.keepAliveSeconds);
    stream_.async_read_some(buffer_.prepare(4096),
                            [self = this->shared_from_this()](error_code ec, size_t length) {
                                if (self->phase_ == Phase::Closed)
                                    return;
                                if (ec)
                                    return self->closeNow();
                                self->buffer_.commit(length);
                                self->core_.table.markBusy(*self);
                                self->armTimer(self->core_.options.requestTimeoutSeconds);
                                self->beginRequest();
                            });
}

// The request deadline runs already: from the connection's opening or the request's first
// byte.
template <class Stream> void HttpConnection<Stream>::beginRequest() {
    phase_ = Phase::Reading;
    readHeader();
}

template <class Stream> void HttpConnection<Stream>::readHeader() {
    parser_.emplace();
    parser_->header_limit(std::uint32_t(core_.options.maxHeaderTotalBytes));
    parser_->body_limit(std::uint64_t(core_.options.maxBodyBytes));
    http::async_read_header(stream_, buffer_, *parser_,
                            [self = this->shared_from_this()](error_code ec, size_t) {
                                if (self->phase_ != Phase::Closed)
                                    self->onHeader(ec);
                            });
}

template <class Stream> void HttpConnection<Stream>::onHeader(error_code ec) {
    if (ec)
        return readFailed(ec);
    if (const auto refusal = checkRequestHeader(*parser_, core_.options))
        return refuse(refusal->reason, refusal->status);
    if (!expectsContinue(parser_->get()))
        return readBody();
    // The client waits for this before sending a large body.
    asio::async_write(stream_, asio::buffer(continueLine, std::strlen(continueLine)),
                      [self = this->shared_from_this()](error_code written, size_t) {
                          if (self->phase_ == Phase::Closed)
                              return;
                          if (written)
                              return self->closeNow();
                          self->readBody();
                      });
}

template <class Stream> void HttpConnection<Stream>::readBody() {
    if (parser_->is_done())
        return onBody({});
    http::async_read(stream_, buffer_, *parser_,
                     [self = this->shared_from_this()](error_code ec, size_t) {
                         if (self->phase_ != Phase::Closed)
                             self->onBody(ec);
                     });
}

template <class Stream> void HttpConnection<Stream>::onBody(error_code ec) {
    if (ec)
        return readFailed(ec);
    disarmTimer(); // a method may take its time; the client waits for it
    phase_ = Phase::Running;
    route();
}

template <class Stream> void HttpConnection<Stream>::readFailed(error_code ec) {
    if (timedOut_)
        return refuse(RefusalReason::Deadline, 408);
    if (ec == http::error::body_limit)
        return refuse(RefusalReason::Oversized, 413);
    if (ec == http::error::header_limit)
        return refuse(RefusalReason::HeadersTooLarge, 431);
    if (clientLeft(ec) ||
        ec.category() != http::make_error_code(http::error::bad_target).category())
        return closeNow();
    refuse(RefusalReason::Malformed, 400);
}

template <class Stream> void HttpConnection<Stream>::route() {
    const auto& request = parser_->get();
    const std::string path(request.target());
    QString object;
    QString method;
    if (request.method() == http::verb::get && path.substr(0, path.find('?')) == "/health")
        return answer({200, R"({"status":"ok"})"}, request.keep_alive());
    if (request.method() == http::verb::post && !sessionAction(path).isEmpty())
        return runMethod(QString(), sessionAction(path));
    if (request.method() == http::verb::post && splitCallPath(path, object, method))
        return runMethod(object, method);
    answer(errorAnswer(404, transportStatusText(404)), request.keep_alive());
}

template <class Stream>
void HttpConnection<Stream>::runMethod(const QString& object, const QString& method) {
    auto& request = parser_->get();
    CallContext context;
    context.headers = copyHeaders(request);
    context.claimedOperator = context.headers.value("X-Operador");
    context.authorization = context.headers.value("Authorization");
    context.db = core_.db;
    context.clientAddress = address_;
    const bool keepAlive = request.keep_alive();
    QByteArray body = QByteArray::fromStdString(request.body());
    request.body().clear();
    TransportCore& core = core_;
    core_.runCall(
        [&core, object, method, body = std::move(body), context = std::move(context)] {
            // No object: /login or /logout.
            return object.isEmpty() ? core.dispatcher.session(method, body, context)
                                    : core.dispatcher.dispatch(object, method, body, context);
        },
        [self = this->shared_from_this(), keepAlive](HttpAnswer result) {
            if (self->phase_ != Phase::Closed)
                self->answer(result, keepAlive);
        });
}

template <class Stream>
void HttpConnection<Stream>::answer(const HttpAnswer& result, bool keepAlive) {
    keepAlive = keepAlive && ++served_ < core_.options.keepAliveMaxRequests && !core_.stopping;
    phase_ = Phase::Writing;
    armTimer(core_.options.writeTimeoutSeconds);
    response_.emplace(http::status(unsigned(result.status)), 11);
    response_->set(http::field::content_type, "application/json");
    response_->keep_alive(keepAlive);
    if (keepAlive)
        response_->set(http::field::keep_alive,
                       "timeout=" + std::to_string(core_.options.keepAliveSeconds));
    responseBytes_ = result.body; // shared, not copied
    response_->body() = {responseBytes_.constData(), size_t(responseBytes_.size())};
    response_->prepare_payload();
    http::async_write(stream_, *response_,
                      [self = this->shared_from_this(), keepAlive](error_code ec, size_t) {
                          if (self->phase_ != Phase::Closed)
                              self->onWritten(ec, keepAlive);
                      });
}

template <class Stream> void HttpConnection<Stream>::onWritten(error_code ec, bool keepAlive) {
    response_.reset();
    responseBytes_.clear();
    parser_.reset();
    if (ec || !keepAlive || core_.stopping)
        return closeNow();
    awaitRequest();
}

template <class Stream> void HttpConnection<Stream>::refuse(RefusalReason reason, int status) {
    core_.refuse({address_, reason, parser_ ? target() : QString(), status});
    sendAndClose(errorAnswer(status, transportStatusText(status)));
}

template <class Stream> void HttpConnection<Stream>::turnAway(RefusalReason reason) {
    const bool tls = isTls(static_cast<Stream*>(nullptr));
    core_.refuse({address_, reason, {}, tls ? 0 : 503});
    if (tls) // no words can be exchanged before a handshake
        return closeNow();
    sendAndClose(errorAnswer(503, transportStatusText(503)));
}

// The refusal is written, then the connection half-closed and drained (linger()).
template <class Stream> void HttpConnection<Stream>::sendAndClose(const HttpAnswer& refusal) {
    phase_ = Phase::Writing;
    armTimer(lingerSeconds);
    response_.emplace(http::status(unsigned(refusal.status)), 11);
    response_->set(http::field::content_type, "application/json");
    response_->keep_alive(false);
    responseBytes_ = refusal.body;
    response_->body() = {responseBytes_.constData(), size_t(responseBytes_.size())};
    response_->prepare_payload();
    http::async_write(stream_, *response_,
                      [self = this->shared_from_this()](error_code ec, size_t) {
                          if (self->phase_ == Phase::Closed)
                              return;
                          if (ec || self->core_.stopping)
                              return self->closeNow();
                          self->linger();
                      });
}

template <class Stream> void HttpConnection<Stream>::linger() {
    phase_ = Phase::Closing;
    error_code ignored;
    socket().shutdown(asio::socket_base::shutdown_send, ignored);
    buffer_.clear();
    socket().async_read_some(buffer_.prepare(16 * 1024),
                             [self = this->shared_from_this()](error_code ec, size_t) {
                                 if (self->phase_ == Phase::Closed)
                                     return;
                                 if (ec)
                                     return self->closeNow();
                                 self->linger();
                             });
}

template <class Stream> void HttpConnection<Stream>::armTimer(int seconds) {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    if (armedFor_ > deadline_)
        startTimer(deadline_);
}

template <class Stream> void HttpConnection<Stream>::disarmTimer() {
    deadline_ = std::chrono::steady_clock::time_point::max();
}

template <class Stream>
void HttpConnection<Stream>::startTimer(std::chrono::steady_clock::time_point at) {
    armedFor_ = at;
    const unsigned generation = ++timerGeneration_;
    timer_.expires_at(at);
    timer_.async_wait([self = this->shared_from_this(), generation](error_code ec) {
        if (!ec && generation == self->timerGeneration_ && self->phase_ != Phase::Closed)
            self->onTimerDue();
    });
}

template <class Stream> void HttpConnection<Stream>::onTimerDue() {
    armedFor_ = std::chrono::steady_clock::time_point::max();
    if (deadline_ == std::chrono::steady_clock::time_point::max())
        return; // a method runs: no deadline
    if (std::chrono::steady_clock::now() < deadline_)
        return startTimer(deadline_); // moved on since the timer was set
    onTimer();
}

template <class Stream> void HttpConnection<Stream>::onTimer() {
    switch (phase_) {
    case Phase::Opening:
    case Phase::Reading: {
        // The pending read ends with an error and readFailed() answers 408.
        timedOut_ = true;
        error_code ignored;
        socket().cancel(ignored);
        return;
    }
    case Phase::Writing:
        if (!response_ || response_->result_int() < 400)
            core_.refuse({address_, RefusalReason::Deadline, {}, 0});
        return closeNow();
    case Phase::Idle:
    case Phase::Closing:
        return closeNow();
    case Phase::Running:
    case Phase::Closed:
        return;
    }
}

template <class Stream> void HttpConnection<Stream>::closeNow() {
    if (phase_ == Phase::Closed)
        return;
    phase_ = Phase::Closed;
    timer_.cancel();
    error_code ignored;
    socket().shutdown(asio::socket_base::shutdown_both, ignored);
    socket().close(ignored);
    core_.table.remove(*this);
}

template <class Stream> void HttpConnection<Stream>::onStop() {
    if (phase_ != Phase::Running && phase_ != Phase::Writing)
        closeNow();
}

template <class Stream> QString HttpConnection<Stream>::target() const {
    const auto& request = parser_->get();
    const auto path = request.target();
    return QString::fromLatin1(path.data(), qsizetype(std::min<size_t>(path.size(), 200)));
}

template <class Stream> boost::asio::ip::tcp::socket& HttpConnection<Stream>::socket() {
    if constexpr (isTls(static_cast<Stream*>(nullptr)))
        return stream_.next_layer();
    else
        return stream_;
}

template class HttpConnection<PlainStream>;
template class HttpConnection<TlsStream>;

} // namespace dieta::server
