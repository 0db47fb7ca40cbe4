#pragma once
// A second application server for screen tests whose every method counts its calls and may be
// replaced by a test's own answer. A test points the screen's connection at it to see what the
// screen sends (or that it sends nothing).

#include "framework/vantor.h"
#include "platform/tnetconnection.h"
#include "tests/support/testserver.h"

#include <atomic>
#include <memory>
#include <optional>

namespace dieta::test {

class CountingServer {
public:
    // `replace` may register answers of its own after the counting wrappers.
    explicit CountingServer(std::function<void(server::MethodRegistry&)> replace = {})
        : calls_(std::make_shared<std::atomic<int>>(0)), server_(options(calls_, replace)) {}
    ~CountingServer() {
        if (previousSession_)
            TNetConnection::setProcessSession(*previousSession_);
    }

    bool ok() const { return server_.ok(); }
    QString error() const { return server_.error(); }
    int calls() const { return calls_->load(); }

    // Makes the connection reach this server from its next call on.
    void redirect(TNetConnection* connection) {
        HostValues values = Vantor::host();
        values.webPort = server_.port();
        Vantor::setHost(values);
        connection->setConnected(false);
        // As the host logging in to the other server; the old session comes back at the end.
        if (!previousSession_)
            previousSession_ = TNetConnection::processSession();
        TNetConnection::setProcessSession(server_.sessionOf(Vantor::Operador()));
    }

private:
    static TestServerOptions options(std::shared_ptr<std::atomic<int>> calls,
                                     std::function<void(server::MethodRegistry&)> replace) {
        TestServerOptions o;
        o.extraMethods = [calls, replace](server::MethodRegistry& registry) {
            if (replace)
                replace(registry);
            for (const QString& name : registry.names()) {
                server::MethodEntry entry = *registry.find(name);
                server::MethodHandler inner = entry.handler;
                entry.handler = [calls, inner](server::CallContext& c, QVariantList& args) {
                    ++*calls;
                    return inner(c, args);
                };
                registry.add(entry);
            }
        };
        return o;
    }

    std::shared_ptr<std::atomic<int>> calls_;
    TestServer server_;
    std::optional<QString> previousSession_;
};

} // namespace dieta::test
