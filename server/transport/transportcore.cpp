#include "server/transport/transportcore.h"

#include "platform/sqldatabase.h"

#include <QtDebug>

namespace dieta::server {

namespace {

// Refusal callbacks waiting for a worker; a flood of bad requests must not queue work
// without bound ahead of the real calls.
constexpr int refusalBacklog = 256;

} // namespace

TransportCore::TransportCore(const MethodRegistry& registry, SqlDatabase* database,
                             HttpServerOptions opts, int maxConnections)
    : options(std::move(opts)), dispatcher(registry, options.objectName, options.sessions),
      db(database), table(maxConnections, options.maxConnectionsPerClient) {
    pool = std::make_unique<WorkerPool>(options.workers, [this] {
        if (db)
            db->releaseThreadConnection();
    });
}

void TransportCore::refuse(const RefusalEvent& event) {
    qWarning().noquote() << "dieta-server: refused" << event.clientAddress
                         << refusalReasonName(event.reason) << event.status
                         << (event.path.isEmpty() ? QStringLiteral("-") : event.path);
    if (!options.onRefusal || pendingRefusals >= refusalBacklog)
        return;
    ++pendingRefusals;
    pool->enqueue([this, event] {
        --pendingRefusals;
        options.onRefusal(event);
    });
}

void TransportCore::runCall(std::function<HttpAnswer()> call,
                            std::function<void(HttpAnswer)> done) {
    pool->enqueue([this, call = std::move(call), done = std::move(done)]() mutable {
        HttpAnswer answer;
        try {
            answer = call();
        } catch (...) {
            qWarning().noquote() << "dieta-server: a call failed outside its method";
            answer = internalErrorAnswer(); // made here only: it costs a JSON document
        }
        boost::asio::post(io, [done = std::move(done), answer = std::move(answer)]() mutable {
            done(std::move(answer));
        });
    });
}

QString refusalReasonName(RefusalReason reason) {
    switch (reason) {
    case RefusalReason::Oversized:
        return QStringLiteral("oversized");
    case RefusalReason::HeadersTooLarge:
        return QStringLiteral("headers-too-large");
    case RefusalReason::Deadline:
        return QStringLiteral("deadline");
    case RefusalReason::TooManyFromClient:
        return QStringLiteral("too-many-connections");
    case RefusalReason::ServerFull:
        return QStringLiteral("server-full");
    case RefusalReason::Malformed:
        return QStringLiteral("malformed");
    case RefusalReason::LengthRequired:
        return QStringLiteral("length-required");
    case RefusalReason::UnsupportedType:
        return QStringLiteral("unsupported-type");
    case RefusalReason::TlsHandshake:
        return QStringLiteral("tls-handshake");
    }
    return QStringLiteral("refused");
}

} // namespace dieta::server
