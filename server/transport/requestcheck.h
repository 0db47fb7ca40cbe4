#pragma once
// Which requests the transport refuses on their header alone, before a byte of the body is
// read or a worker is involved, and the texts of the statuses it answers by itself.

#include "server/transport/asio.h"
#include "server/transport/httpserver.h"
#include "server/transport/refusal.h"

#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <optional>

namespace dieta::server {

using RequestParser = boost::beast::http::request_parser<boost::beast::http::string_body>;

struct HeaderRefusal {
    int status;
    RefusalReason reason;
};

std::optional<HeaderRefusal> checkRequestHeader(const RequestParser& parser,
                                                const HttpServerOptions& options);

// The Portuguese text of an answer the transport gives without running a method.
QString transportStatusText(int status);

} // namespace dieta::server
