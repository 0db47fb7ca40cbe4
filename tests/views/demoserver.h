#pragma once
// A second application server on the same demo hospital as ScreenFixture's (the demo is
// deterministic for its options), whose methods a test may record or replace. Pointing the
// main screen's connection at it shows what a window sends, or makes one call fail while the
// others answer as the real server does.

#include "framework/vantor.h"
#include "platform/tnetconnection.h"
#include "server/methodregistry.h"
#include "tests/screen/screenfixture.h"
#include "tests/support/testserver.h"

#include <QMutex>
#include <memory>
#include <optional>

namespace dieta::test {

// The calls a server received, by method, in order; filled from the server's threads.
class CallRecorder {
public:
    QList<QVariantList> calls(const QString& method) const {
        QMutexLocker lock(&mutex_);
        return calls_.value(method);
    }
    int count(const QString& method) const { return int(calls(method).size()); }

    // Records the method's arguments before its handler runs.
    static void wrap(server::MethodRegistry& registry, const QString& method,
                     const std::shared_ptr<CallRecorder>& recorder) {
        server::MethodEntry entry = *registry.find(method);
        server::MethodHandler inner = entry.handler;
        entry.handler = [recorder, method, inner](server::CallContext& context,
                                                  QVariantList& args) {
            {
                QMutexLocker lock(&recorder->mutex_);
                recorder->calls_[method].append(args);
            }
            return inner(context, args);
        };
        registry.add(entry);
    }

    // Makes the method answer an error for the operator.
    static void fail(server::MethodRegistry& registry, const QString& method, const QString& text) {
        server::MethodEntry entry = *registry.find(method);
        entry.handler = [text](server::CallContext&, QVariantList&) {
            return server::CallResult::fail(text);
        };
        registry.add(entry);
    }

private:
    mutable QMutex mutex_;
    QHash<QString, QList<QVariantList>> calls_;
};

class DemoServer {
public:
    explicit DemoServer(std::function<void(server::MethodRegistry&)> setup)
        : server_(options(std::move(setup))) {}
    ~DemoServer() {
        if (previousSession_)
            TNetConnection::setProcessSession(*previousSession_);
    }

    bool ok() const { return server_.ok(); }
    QString error() const { return server_.error(); }
    TestServer& server() { return server_; }

    // The connection reaches this server from its next call on.
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
    static TestServerOptions options(std::function<void(server::MethodRegistry&)> setup) {
        TestServerOptions o;
        server::DemoOptions demo;
        demo.inpatients = 40;
        demo.today = ScreenFixture::today();
        o.demo = demo;
        o.extraMethods = std::move(setup);
        return o;
    }

    TestServer server_;
    std::optional<QString> previousSession_;
};

} // namespace dieta::test
