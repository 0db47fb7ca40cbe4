#include "server/transport/httpserver.h"

#include "server/transport/httpconnection.h"
#include "server/transport/transportcore.h"

#include <QtDebug>
#include <boost/asio/executor_work_guard.hpp>
#include <chrono>
#include <future>
#include <stdexcept>
#include <sys/resource.h>
#include <thread>

namespace dieta::server {

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

namespace {

[[noreturn]] void fail(const QString& text) {
    throw std::runtime_error(text.toStdString());
}

// Connections the process's file limit leaves room for, keeping some for the database.
int connectionsTheFileLimitAllows() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 10000;
    return std::max<int>(16, int(std::min<rlim_t>(limit.rlim_cur, 1'000'000)) - 64);
}

asio::ip::address listenAddress(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return asio::ip::address_v4::loopback();
    error_code ec;
    const asio::ip::address address = asio::ip::make_address(host.toStdString(), ec);
    if (ec)
        fail(QStringLiteral("Endereço de escuta inválido: %1 (use um endereço IP).").arg(host));
    return address;
}

std::unique_ptr<asio::ssl::context> tlsContext(const HttpServerOptions& options) {
    auto context = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
    context->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                         asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 |
                         asio::ssl::context::no_tlsv1_1 | asio::ssl::context::single_dh_use);
    error_code ec;
    context->use_certificate_chain_file(options.certificateFile.toStdString(), ec);
    if (ec)
        fail(QStringLiteral("Certificado TLS inutilizável: %1.").arg(options.certificateFile));
    context->use_private_key_file(options.privateKeyFile.toStdString(), asio::ssl::context::pem,
                                  ec);
    if (ec)
        fail(QStringLiteral("Chave TLS inutilizável ou de outro certificado: %1.")
                 .arg(options.privateKeyFile));
    return context;
}

} // namespace

struct HttpServer::Impl {
    Impl(const MethodRegistry& reg, SqlDatabase* database, HttpServerOptions opts)
        : registry(reg), db(database), options(std::move(opts)) {}

    void checkTlsChoice() const;
    void bind();
    void accept();
    void onAccepted(tcp::socket socket);
    template <class Stream> void launch(Stream stream, const std::string& address);
    void beginStop();
    void finishStop(std::chrono::steady_clock::time_point until);

    const MethodRegistry& registry;
    SqlDatabase* db;
    HttpServerOptions options;
    std::unique_ptr<TransportCore> core;
    std::unique_ptr<asio::ssl::context> tls;
    std::unique_ptr<tcp::acceptor> acceptor;
    std::unique_ptr<asio::steady_timer> retry;
    std::unique_ptr<asio::executor_work_guard<asio::io_context::executor_type>> work;
    std::thread ioThread;
    int boundPort = 0;
    bool running = false;
};

void HttpServer::Impl::checkTlsChoice() const {
    const bool tlsAsked = !options.certificateFile.isEmpty() || !options.privateKeyFile.isEmpty();
    if (tlsAsked && (options.certificateFile.isEmpty() || options.privateKeyFile.isEmpty()))
        fail(QStringLiteral("TLS precisa do certificado e da chave."));
    if (tlsAsked || options.allowInsecure || listenAddress(options.host).is_loopback())
        return;
    fail(QStringLiteral("Recusado escutar em %1 sem TLS: os dados clínicos passariam em claro. "
                        "Dê um certificado e uma chave, ou a opção explícita de modo inseguro.")
             .arg(options.host));
}

void HttpServer::Impl::bind() {
    const tcp::endpoint endpoint(listenAddress(options.host),
                                 static_cast<unsigned short>(options.port));
    acceptor = std::make_unique<tcp::acceptor>(core->io);
    error_code ec;
    acceptor->open(endpoint.protocol(), ec);
    // Plain SO_REUSEADDR: SO_REUSEPORT would let a second server bind the same port and
    // silently take half of the calls (perhaps on another database).
    if (!ec)
        acceptor->set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        acceptor->bind(endpoint, ec);
    if (!ec)
        acceptor->listen(asio::socket_base::max_listen_connections, ec);
    if (ec)
        fail(QStringLiteral("Não foi possível escutar em %1:%2.")
                 .arg(options.host)
                 .arg(options.port));
    boundPort = acceptor->local_endpoint().port();
}

void HttpServer::Impl::accept() {
    acceptor->async_accept([this](error_code ec, tcp::socket socket) {
        if (!acceptor->is_open() || ec == asio::error::operation_aborted)
            return;
        if (!ec) {
            onAccepted(std::move(socket));
            return accept();
        }
        // Out of file descriptors, most likely: pause instead of spinning on the error.
        qWarning().noquote() << "dieta-server: accept failed:"
                             << QString::fromStdString(ec.message());
        retry->expires_after(std::chrono::milliseconds(100));
        retry->async_wait([this](error_code waited) {
            if (!waited && acceptor->is_open())
                accept();
        });
    });
}

void HttpServer::Impl::onAccepted(tcp::socket socket) {
    error_code ec;
    const tcp::endpoint peer = socket.remote_endpoint(ec);
    if (ec)
        return;
    socket.set_option(tcp::no_delay(true), ec);
    asio::ip::address address = peer.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    if (tls)
        launch(TlsStream(std::move(socket), *tls), address.to_string());
    else
        launch(std::move(socket), address.to_string());
}

template <class Stream> void HttpServer::Impl::launch(Stream stream, const std::string& address) {
    auto connection = std::make_shared<HttpConnection<Stream>>(*core, std::move(stream), address);
    switch (core->table.admit(*connection, address)) {
    case ConnectionTable::Admission::Admitted:
        return connection->start();
    case ConnectionTable::Admission::TooManyFromClient:
        return connection->turnAway(RefusalReason::TooManyFromClient);
    case ConnectionTable::Admission::Full:
        return connection->turnAway(RefusalReason::ServerFull);
    }
}

void HttpServer::Impl::beginStop() {
    core->stopping = true;
    error_code ignored;
    acceptor->close(ignored);
    retry->cancel();
    core->table.stopAll(false);
}

// After the workers are done: lets the last answers go out, then closes what is left.
void HttpServer::Impl::finishStop(std::chrono::steady_clock::time_point until) {
    if (core->table.total() > 0 && std::chrono::steady_clock::now() < until) {
        retry->expires_after(std::chrono::milliseconds(10));
        retry->async_wait([this, until](error_code) { finishStop(until); });
        return;
    }
    core->table.stopAll(true);
    core->io.stop();
}

HttpServer::HttpServer(const MethodRegistry& registry, SqlDatabase* db, HttpServerOptions options)
    : d(std::make_unique<Impl>(registry, db, std::move(options))) {}

HttpServer::~HttpServer() {
    stop();
}

void HttpServer::start() {
    if (d->running)
        return;
    d->checkTlsChoice();
    d->tls = d->options.certificateFile.isEmpty() ? nullptr : tlsContext(d->options);
    const int maxConnections =
        d->options.maxConnections > 0 ? d->options.maxConnections : connectionsTheFileLimitAllows();
    d->core = std::make_unique<TransportCore>(d->registry, d->db, d->options, maxConnections);
    try {
        d->bind();
    } catch (...) {
        d->acceptor.reset();
        d->core->pool->shutdown();
        d->core.reset();
        throw;
    }
    d->retry = std::make_unique<asio::steady_timer>(d->core->io);
    d->work = std::make_unique<asio::executor_work_guard<asio::io_context::executor_type>>(
        d->core->io.get_executor());
    d->accept();
    d->ioThread = std::thread([this] { d->core->io.run(); });
    d->running = true;
}

void HttpServer::stop() {
    if (!d->running)
        return;
    asio::post(d->core->io, [this] { d->beginStop(); });
    d->core->pool->shutdown(); // every call received is answered
    asio::post(d->core->io, [this] {
        d->finishStop(std::chrono::steady_clock::now() + std::chrono::seconds(2));
    });
    d->work.reset();
    d->ioThread.join();
    d->acceptor.reset();
    d->retry.reset();
    d->core.reset();
    d->running = false;
}

bool HttpServer::isRunning() const {
    return d->running;
}

const QString& HttpServer::host() const {
    return d->options.host;
}

int HttpServer::port() const {
    return d->boundPort;
}

bool HttpServer::isTls() const {
    return d->tls != nullptr;
}

} // namespace dieta::server
