#include "server/transport/httpserver.h"

#include "platform/sqldatabase.h"
#include "server/transport/dispatcher.h"
#include "server/transport/workerpool.h"

#include <QtDebug>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace dieta::server {

namespace {

const char* const jsonType = "application/json";

void send(httplib::Response& res, const HttpAnswer& answer) {
    res.status = answer.status;
    res.set_content(answer.body.constData(), size_t(answer.body.size()), jsonType);
}

QString statusText(int status) {
    switch (status) {
    case 400:
        return QStringLiteral("Requisição inválida.");
    case 404:
        return QStringLiteral("Recurso desconhecido.");
    case 405:
        return QStringLiteral("Método HTTP não permitido.");
    case 411:
        return QStringLiteral("Requisição sem tamanho declarado.");
    case 413:
        return QStringLiteral("Requisição grande demais.");
    case 414:
        return QStringLiteral("Endereço longo demais.");
    case 415:
        return QStringLiteral("Tipo de conteúdo não suportado: envie application/json.");
    case 431:
        return QStringLiteral("Cabeçalhos grandes demais.");
    default:
        return status >= 500 ? QStringLiteral("Erro interno do servidor de aplicação.")
                             : QStringLiteral("Requisição recusada.");
    }
}

bool isJson(const httplib::Request& req) {
    const std::string type = req.get_header_value("Content-Type");
    const std::string media = type.substr(0, type.find(';'));
    QString normalized = QString::fromStdString(media).trimmed().toLower();
    return normalized == QLatin1String(jsonType);
}

bool isChunked(const httplib::Request& req) {
    return QString::fromStdString(req.get_header_value("Transfer-Encoding"))
        .contains(QLatin1String("chunked"), Qt::CaseInsensitive);
}

// Faults decided from the headers alone, before any body is read. 0 when none.
int headerFault(const httplib::Request& req, const HttpServerOptions& options) {
    if (req.headers.size() > size_t(options.maxHeaderCount))
        return 431;
    for (const auto& [name, value] : req.headers)
        if (name.size() + value.size() > size_t(options.maxHeaderBytes))
            return 431;
    if (req.get_header_value_count("X-Operador") > 1 ||
        req.get_header_value_count("Authorization") > 1)
        return 400;
    if (req.method != "POST")
        return 0;
    if (!isJson(req))
        return 415;
    // Without a length or chunks the library would read until the client closes.
    if (!req.has_header("Content-Length") && !isChunked(req))
        return 411;
    return 0;
}

CallContext callContext(const httplib::Request& req, SqlDatabase* db) {
    CallContext context;
    context.claimedOperator = QString::fromUtf8(req.get_header_value("X-Operador")).trimmed();
    context.authorization = QString::fromUtf8(req.get_header_value("Authorization"));
    context.db = db;
    // The socket's peer; a REMOTE_ADDR header sent by the client is ignored.
    context.peer = QString::fromStdString(req.remote_addr);
    return context;
}

} // namespace

struct HttpServer::Impl {
    Impl(const MethodRegistry& registry, SqlDatabase* database, HttpServerOptions opts)
        : options(std::move(opts)), dispatcher(registry, options.objectName, options.sessions),
          db(database) {}

    void configure();
    void call(const httplib::Request& req, httplib::Response& res,
              const httplib::ContentReader& reader);
    bool readBody(const httplib::ContentReader& reader, QByteArray& body, int& status);

    HttpServerOptions options;
    Dispatcher dispatcher;
    SqlDatabase* db;
    std::unique_ptr<httplib::Server> http;
    std::thread listener;
    int boundPort = 0;
    std::atomic<bool> running = false;
    std::atomic<bool> listenEnded = false;
};

void HttpServer::Impl::configure() {
    http = std::make_unique<httplib::Server>();
    http->new_task_queue = [this] {
        return new WorkerPool(options.workers, [this] {
            if (db)
                db->releaseThreadConnection();
        });
    };
    // The library's default also sets SO_REUSEPORT, which lets a second server bind the same
    // port and silently take half of the calls (perhaps on another database).
    http->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    http->set_tcp_nodelay(true);
    http->set_keep_alive_timeout(options.keepAliveSeconds);
    http->set_keep_alive_max_count(size_t(options.keepAliveMaxRequests));
    http->set_read_timeout(options.readTimeoutSeconds);
    http->set_write_timeout(options.readTimeoutSeconds);
    http->set_payload_max_length(size_t(options.maxBodyBytes));

    http->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        const int fault = headerFault(req, options);
        if (fault == 0)
            return httplib::Server::HandlerResponse::Unhandled;
        send(res, errorAnswer(fault, statusText(fault)));
        return httplib::Server::HandlerResponse::Handled;
    });
    http->Get("/health", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"status":"ok"})", jsonType);
    });
    http->Post(R"(/(login|logout))",
               [this](const httplib::Request& req, httplib::Response& res,
                      const httplib::ContentReader& reader) { call(req, res, reader); });
    http->Post(R"(/([^/]+)/([^/]+))",
               [this](const httplib::Request& req, httplib::Response& res,
                      const httplib::ContentReader& reader) { call(req, res, reader); });
    // Faults the library answers itself (no route, unreadable request) get our JSON body.
    http->set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (res.body.empty())
                send(res, errorAnswer(res.status, statusText(res.status)));
            return httplib::Server::HandlerResponse::Handled;
        }));
    // Without a handler the library puts the exception's text in a response header.
    http->set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            res.headers.clear();
            send(res, internalErrorAnswer());
        });
}

// Reads the body with our own limit: the library applies its limit to declared lengths only,
// not to chunked bodies.
bool HttpServer::Impl::readBody(const httplib::ContentReader& reader, QByteArray& body,
                                int& status) {
    bool tooLarge = false;
    const bool complete = reader([&](const char* data, size_t length) {
        if (qint64(body.size()) + qint64(length) > options.maxBodyBytes) {
            tooLarge = true;
            return false;
        }
        body.append(data, qsizetype(length));
        return true;
    });
    if (complete)
        return true;
    status = tooLarge ? 413 : 400;
    return false;
}

void HttpServer::Impl::call(const httplib::Request& req, httplib::Response& res,
                            const httplib::ContentReader& reader) {
    QByteArray body;
    int status = 400;
    if (!readBody(reader, body, status)) {
        // The library may already have decided (413 for a declared length).
        send(res, errorAnswer(res.status == 413 ? 413 : status,
                              statusText(res.status == 413 ? 413 : status)));
        return;
    }
    const CallContext context = callContext(req, db);
    if (req.matches.size() < 3) { // /login or /logout
        send(res, dispatcher.session(QString::fromStdString(req.matches[1].str()), body, context));
        return;
    }
    send(res, dispatcher.dispatch(QString::fromStdString(req.matches[1].str()),
                                  QString::fromStdString(req.matches[2].str()), body, context));
}

HttpServer::HttpServer(const MethodRegistry& registry, SqlDatabase* db, HttpServerOptions options)
    : d(std::make_unique<Impl>(registry, db, std::move(options))) {}

HttpServer::~HttpServer() {
    stop();
}

void HttpServer::start() {
    if (d->running)
        return;
    d->configure();
    const std::string host = d->options.host.toStdString();
    if (d->options.port == 0) {
        d->boundPort = d->http->bind_to_any_port(host);
    } else if (d->http->bind_to_port(host, d->options.port)) {
        d->boundPort = d->options.port;
    } else {
        d->boundPort = -1;
    }
    if (d->boundPort <= 0)
        throw std::runtime_error(QStringLiteral("Não foi possível escutar em %1:%2.")
                                     .arg(d->options.host)
                                     .arg(d->options.port)
                                     .toStdString());
    d->listenEnded = false;
    d->listener = std::thread([this] {
        d->http->listen_after_bind();
        d->listenEnded = true;
    });
    // stop() is a no-op until the accept loop runs, so wait for it.
    while (!d->http->is_running() && !d->listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    d->running = true;
}

void HttpServer::stop() {
    if (!d->running)
        return;
    d->http->stop();
    if (d->listener.joinable())
        d->listener.join();
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

} // namespace dieta::server
