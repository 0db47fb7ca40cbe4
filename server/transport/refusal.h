#pragma once
// A request or connection the transport turned away before any method ran. Each one is a line
// in the server's log and one call of HttpServerOptions::onRefusal, so that the security audit
// sees every refusal through a single door.

#include <QString>

namespace dieta::server {

enum class RefusalReason {
    Oversized,         // declared or sent body over the limit
    HeadersTooLarge,   // too many header lines, or one too long
    Deadline,          // the request (or the TLS handshake, or the answer) took too long
    TooManyFromClient, // the client address holds its whole share of connections
    ServerFull,        // every connection slot busy with a request
    Malformed,         // not HTTP/1.1, or ambiguous headers
    LengthRequired,    // a POST with neither a length nor chunks
    UnsupportedType,   // a POST that is not application/json
    TlsHandshake,      // plain text or a failed handshake on the TLS port
};

// A short fixed word for logs and the audit ("oversized", "deadline", ...).
QString refusalReasonName(RefusalReason reason);

struct RefusalEvent {
    QString clientAddress; // as the socket tells it
    RefusalReason reason = RefusalReason::Malformed;
    QString path;   // the request's target when it got that far, else empty
    int status = 0; // the HTTP status answered; 0 when the connection was closed without one
};

} // namespace dieta::server
