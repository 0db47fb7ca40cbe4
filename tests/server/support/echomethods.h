#pragma once
// A small registry of test methods that exercise the transport without any real method:
//   Echo(variant)                      -> the value as it arrived
//   Swap(string, var string, number, var string)  arg 2 := arg 1 + "!", arg 4 unchanged
//   ClearRef(var string)               sets its argument to null (must come back as "")
//   Fail(string)                       an error result with that text
//   Operator()                         the X-Operador header as the server saw it
//   Peer()                             the client's address as the server saw it
//   Kinds(string, date, number, boolean, packet) -> the type names the handler received
//   Sleep(number ms)                   answers "done" after that long
//   Throw()                            throws an exception whose text must not leak

#include "server/methodregistry.h"

namespace dieta::test {

inline constexpr const char* secretDetail = "segredo interno 42";

void addEchoMethods(server::MethodRegistry& registry);

} // namespace dieta::test
