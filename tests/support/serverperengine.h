#pragma once
// One server per engine for a benchmark process: started and seeded at first use, kept until
// clear() so that every iteration runs on the same data; a server that cannot start ends the
// process with its reason (a benchmark has no test to fail).

#include "tests/support/testserver.h"

#include <map>
#include <memory>
#include <mutex>

namespace dieta::test {

class ServerPerEngine {
public:
    // options.engine is replaced by the engine asked for.
    explicit ServerPerEngine(TestServerOptions options) : options_(std::move(options)) {}

    TestServer& get(TestEngine engine);
    void clear();

private:
    TestServerOptions options_;
    std::mutex lock_;
    std::map<TestEngine, std::unique_ptr<TestServer>> servers_;
};

} // namespace dieta::test
