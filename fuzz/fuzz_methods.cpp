// The real remote methods on a small demo hospital (SQLite in a temporary folder), fed by a
// method name and a request body as the transport hands them over. Handlers meet every shape
// of argument the decoder lets through: code lists, packets of any fields, empty and huge
// texts, dates far away. Properties: only 200, 400 or 404 (a 500 is a handler fault: an
// exception that is no operator error); the sanitizers watch memory and undefined behaviour.
//   input: <method name> '\n' <body bytes>

#include "fuzzsupport.h"
#include "server/serverapp.h"
#include "server/transport/dispatcher.h"

#include <QTemporaryDir>

using namespace dieta;
using namespace dieta::server;

namespace {

ServerApp& demoServer() {
    static QTemporaryDir folder;
    static ServerApp* app = [] {
        ServerOptions options;
        options.database = folder.filePath(QStringLiteral("fuzz.db"));
        options.demo = DemoOptions{};
        options.demo->inpatients = 20;
        options.demo->today = QDate(2026, 12, 7);
        options.workers = 1;
        auto* server = new ServerApp(options);
        server->start();
        server->stop(); // the methods are called directly; the database stays open
        return server;
    }();
    return *app;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ensureApplication();
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype newline = input.indexOf('\n');
    if (newline < 0)
        return 0;
    ServerApp& app = demoServer();
    static const Dispatcher dispatcher(app.registry(),
                                       QString::fromLatin1(contracts::rdm::kServerObject));
    CallContext context;
    // Without sessions the dispatcher takes the operator the header names.
    context.claimedOperator = QStringLiteral("NUTRI01");
    context.db = &app.database();
    context.clientAddress = QStringLiteral("127.0.0.1");
    const HttpAnswer answer =
        dispatcher.dispatch(dispatcher.objectName(), QString::fromUtf8(input.left(newline)),
                            input.mid(newline + 1), context);
    fuzz::require(answer.status == 200 || answer.status == 400 || answer.status == 404,
                  "a method answered other than 200, 400 or 404");
    return 0;
}
