#include "tests/support/serverperengine.h"

namespace dieta::test {

TestServer& ServerPerEngine::get(TestEngine engine) {
    std::lock_guard guard(lock_);
    std::unique_ptr<TestServer>& server = servers_[engine];
    if (!server) {
        TestServerOptions options = options_;
        options.engine = engine;
        server = std::make_unique<TestServer>(options);
        if (!server->ok())
            qFatal("%s", qPrintable(server->error()));
    }
    return *server;
}

void ServerPerEngine::clear() {
    std::lock_guard guard(lock_);
    servers_.clear();
}

} // namespace dieta::test
