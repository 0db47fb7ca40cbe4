#include "server/transport/requestcheck.h"

#include <QString>
#include <string_view>

namespace dieta::server {

namespace http = boost::beast::http;

namespace {

// Headers the dispatch reads as one value: two of them would let a proxy and the server
// disagree on which one counts.
constexpr std::string_view singleValued[] = {"X-Operador", "Authorization", "Content-Type", "Host"};

bool headersTooLarge(const http::fields& fields, const HttpServerOptions& options) {
    int count = 0;
    for (const auto& field : fields) {
        if (++count > options.maxHeaderCount)
            return true;
        if (field.name_string().size() + field.value().size() > size_t(options.maxHeaderBytes))
            return true;
    }
    return false;
}

bool ambiguous(const http::fields& fields) {
    for (std::string_view name : singleValued) {
        const auto range = fields.equal_range(boost::beast::string_view(name.data(), name.size()));
        if (range.first != range.second && std::next(range.first) != range.second)
            return true;
    }
    return false;
}

bool isJson(const http::fields& fields) {
    const auto type = fields[http::field::content_type];
    const std::string media(type.substr(0, type.find(';')));
    return QString::fromStdString(media).trimmed().toLower() == QLatin1String("application/json");
}

} // namespace

std::optional<HeaderRefusal> checkRequestHeader(const RequestParser& parser,
                                                const HttpServerOptions& options) {
    const auto& request = parser.get();
    if (headersTooLarge(request, options))
        return HeaderRefusal{431, RefusalReason::HeadersTooLarge};
    if (ambiguous(request))
        return HeaderRefusal{400, RefusalReason::Malformed};
    const auto length = parser.content_length(); // boost::optional
    if (length && *length > std::uint64_t(options.maxBodyBytes))
        return HeaderRefusal{413, RefusalReason::Oversized};
    if (request.method() != http::verb::post)
        return std::nullopt;
    if (!isJson(request))
        return HeaderRefusal{415, RefusalReason::UnsupportedType};
    // Without either, a POST's body would have no end but the connection's.
    if (!length && !parser.chunked())
        return HeaderRefusal{411, RefusalReason::LengthRequired};
    return std::nullopt;
}

QString transportStatusText(int status) {
    switch (status) {
    case 400:
        return QStringLiteral("Requisição inválida.");
    case 404:
        return QStringLiteral("Recurso desconhecido.");
    case 408:
        return QStringLiteral("A requisição não chegou a tempo.");
    case 411:
        return QStringLiteral("Requisição sem tamanho declarado.");
    case 413:
        return QStringLiteral("Requisição grande demais.");
    case 415:
        return QStringLiteral("Tipo de conteúdo não suportado: envie application/json.");
    case 431:
        return QStringLiteral("Cabeçalhos grandes demais.");
    case 503:
        return QStringLiteral("Servidor de aplicação ocupado: conexões demais.");
    default:
        return status >= 500 ? QStringLiteral("Erro interno do servidor de aplicação.")
                             : QStringLiteral("Requisição recusada.");
    }
}

} // namespace dieta::server
