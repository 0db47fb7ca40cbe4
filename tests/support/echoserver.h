#pragma once
// A real transport serving the echo methods on loopback, the gate its Hold waits on, and
// clients connected to it.

#include "platform/tnetconnection.h"
#include "server/transport/httpserver.h"
#include "tests/support/echomethods.h"

#include <memory>

namespace dieta::test {

class EchoServer {
public:
    EchoServer() {
        addEchoMethods(registry_, &gate_);
        server_ = std::make_unique<server::HttpServer>(registry_, nullptr);
        server_->start();
    }
    // A call still held ends first; the server goes before the gate it waits on.
    ~EchoServer() {
        gate_.open();
        server_.reset();
    }
    EchoServer(const EchoServer&) = delete;
    EchoServer& operator=(const EchoServer&) = delete;

    int port() const { return server_ ? server_->port() : 0; }
    Gate& gate() { return gate_; }
    // The server goes away, as one that stops or crashes under its clients.
    void stop() {
        gate_.open();
        server_.reset();
    }

    std::unique_ptr<TNetConnection> connectedClient(const QString& op = "NUTRI01") const {
        auto client = std::make_unique<TNetConnection>();
        client->setHost("127.0.0.1");
        client->setPort(port());
        client->setOperator(op);
        client->setConnected(true);
        return client;
    }

private:
    Gate gate_;
    server::MethodRegistry registry_;
    std::unique_ptr<server::HttpServer> server_;
};

} // namespace dieta::test
