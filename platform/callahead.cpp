#include "platform/callahead.h"

namespace dieta {

CallAhead::~CallAhead() {
    drop();
}

void CallAhead::drop() {
    if (answer_.valid())
        answer_.wait();
    answer_ = {};
    method_.clear();
    args_.clear();
}

void CallAhead::start(const TNetConnection& like, const QString& method, const QVariantList& args) {
    drop();
    if (!like.Connected())
        return;
    // A kept connection stays open between loads; a new twin follows a changed address,
    // operator or session.
    std::unique_ptr<TNetConnection> twin = like.twin();
    if (!connection_ || connection_->Host() != twin->Host() ||
        connection_->Port() != twin->Port() || connection_->ServerName() != twin->ServerName() ||
        connection_->Operator() != twin->Operator() ||
        connection_->SessionToken() != twin->SessionToken() || connection_->Tls() != twin->Tls())
        connection_ = std::move(twin);
    method_ = method;
    args_ = args;
    answer_ =
        std::async(std::launch::async, [connection = connection_.get(), method, args]() mutable {
            return connection->call(method, args);
        });
}

std::optional<QVariant> CallAhead::take(const QString& method, const QVariantList& args) {
    if (!answer_.valid() || method != method_ || args != args_) {
        drop();
        return std::nullopt;
    }
    QVariant answer = answer_.get();
    drop();
    return answer;
}

QVariant CallAhead::takeOrCall(TNetConnection& connection, const QString& method,
                               QVariantList& args) {
    if (std::optional<QVariant> answer = take(method, args))
        return *std::move(answer);
    return connection.call(method, args);
}

} // namespace dieta
