#pragma once
// What a module's windows find around them in the hospital system, for tests and benchmarks:
// a real server on loopback over a small demo hospital laid around a fixed day, the host values
// pointing at it (operator NUTRI01 on branch 0001, logged in: the process's session is
// NUTRI01's), the general database of the lookup
// queries, and a scripted dialog service that records every message. The host's main window is
// the caller's (the real host's, or a stand-in); the previous host values, dialog service and
// general database come back when the environment goes.

#include "framework/scripteddialogs.h"
#include "framework/vantor.h"
#include "platform/dtmdbgeral.h"
#include "tests/support/testserver.h"

#include <QDate>
#include <memory>

namespace dieta::test {

class HostEnvironment {
public:
    explicit HostEnvironment(int inpatients = 40);
    ~HostEnvironment();
    HostEnvironment(const HostEnvironment&) = delete;
    HostEnvironment& operator=(const HostEnvironment&) = delete;

    bool ok() const { return server_.ok(); }
    QString error() const { return server_.error(); }

    TestServer& server() { return server_; }
    ScriptedDialogs& dialogs() { return dialogs_; }

    // The demo's reference day, the same for the whole process (a run across midnight sees
    // one day on both sides).
    static const QDate& today();

private:
    TestServer server_;
    ScriptedDialogs dialogs_;
    HostValues previous_;
    QString previousSession_;
    std::unique_ptr<ScopedDialogService> dialogScope_;
    std::unique_ptr<ScopedGeneralDatabase> generalScope_;
};

} // namespace dieta::test
