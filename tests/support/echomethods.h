#pragma once
// A small registry of test methods that exercise the transport without any real method:
//   Echo(variant)                      -> the value as it arrived
//   Swap(string, var string, number, var string)  arg 2 := arg 1 + "!", arg 4 unchanged
//   ClearRef(var string)               sets its argument to null (must come back as "")
//   Fail(string)                       an error result with that text
//   Operator()                         the X-Operador header as the server saw it
//   Peer()                             the client's address as the server saw it
//   Kinds(string, date, number, boolean, packet) -> the type names the handler received
//   Hold()                             answers "released" once the test opens its gate
//   Throw()                            throws an exception whose text must not leak

#include "server/methodregistry.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace dieta::test {

inline constexpr const char* secretDetail = "segredo interno 42";

// Keeps the calls of Hold waiting until the test opens it: a slow server whose answer comes
// exactly when the test says, not after a guessed time.
class Gate {
public:
    void open();
    // false when the gate stayed shut for the whole bound (a test that forgot to open it).
    bool waitOpen(std::chrono::milliseconds bound);

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// Hold is there only when a gate is given; the gate must outlive the server.
void addEchoMethods(server::MethodRegistry& registry, Gate* hold = nullptr);

} // namespace dieta::test
