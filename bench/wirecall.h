#pragma once
// One remote call as raw HTTP, the way the client sends it, for load runs that must not
// count the client's decoding. The headers of every call are made here only, so that a header
// the server comes to require is added once for every run. Calls carry a session's token
// (TestServer::sessionOf), as the client's do.

#include "contracts/rdmdietaoral.h"
#include "platform/wirebytes.h"

#include <QString>
#include <QVariantList>
#include <httplib.h>
#include <string>

namespace dieta::bench {

inline httplib::Headers callHeaders(const QString& operatorCode, const QString& session) {
    return {{"X-Operador", operatorCode.toStdString()},
            {"Authorization", "Bearer " + session.toStdString()}};
}

inline std::string callPath(const QString& method) {
    return "/" + std::string(contracts::rdm::kServerObject) + "/" + method.toStdString();
}

inline std::string callBody(const QVariantList& args) {
    QByteArray body = "{\"args\":[";
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (i > 0)
            body += ',';
        body += toWireBytes(args.at(i));
    }
    body += "]}";
    return body.toStdString();
}

// A prepared call: path, headers and body built once, posted any number of times on one
// kept-alive connection. post() returns the answer's body, empty on a transport failure.
class RawCall {
public:
    RawCall(int port, const QString& method, const QVariantList& args, const QString& session,
            const QString& operatorCode = QStringLiteral("NUTRI01"))
        : client_("127.0.0.1", port), path_(callPath(method)),
          headers_(callHeaders(operatorCode, session)), body_(callBody(args)) {
        client_.set_keep_alive(true);
        client_.set_tcp_nodelay(true);
        client_.set_read_timeout(60, 0);
    }

    std::string post() {
        const httplib::Result res =
            client_.Post(path_.c_str(), headers_, body_.data(), body_.size(), "application/json");
        return res && res->status == 200 ? res->body : std::string();
    }

private:
    httplib::Client client_;
    std::string path_;
    httplib::Headers headers_;
    std::string body_;
};

} // namespace dieta::bench
