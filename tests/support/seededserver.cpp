#include "tests/support/seededserver.h"

namespace dieta::test {

std::unique_ptr<TestServer> startSeeded(TestEngine engine, DaySeed seed, QDate day,
                                        TestServerOptions options) {
    options.engine = engine;
    options.seed = [seed = std::move(seed), day](SqlDatabase& db) { seed(db, day); };
    return std::make_unique<TestServer>(std::move(options));
}

} // namespace dieta::test
