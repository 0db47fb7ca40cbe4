#pragma once
// A real server for one test over a database seeded for a given day with the hospital of the
// suite's area (the dialogs', the main screen's, the calculation's). The seed runs before the
// first client connects; a seed that fails leaves the server not ok(), its error() saying why.
//
//   auto server = startSeeded(engine, seedDialogHospital, today);
//   QVERIFY2(server->ok(), qPrintable(server->error()));

#include "tests/support/testserver.h"

#include <QDate>
#include <functional>
#include <memory>

namespace dieta::test {

using DaySeed = std::function<void(SqlDatabase&, QDate)>;

// `options` for whatever else the test needs (extra methods, sessions); its engine and seed
// are the ones given here.
std::unique_ptr<TestServer> startSeeded(TestEngine engine, DaySeed seed, QDate day,
                                        TestServerOptions options = {});

} // namespace dieta::test
