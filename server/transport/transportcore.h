#pragma once
// What the listener and every connection share: the options, the dispatch, the I/O context,
// the worker pool, the connection count and the one door every refusal goes through.

#include "server/transport/asio.h"
#include "server/transport/connectiontable.h"
#include "server/transport/dispatcher.h"
#include "server/transport/httpserver.h"
#include "server/transport/workerpool.h"

#include <atomic>
#include <memory>

namespace dieta::server {

struct TransportCore {
    TransportCore(const MethodRegistry& registry, SqlDatabase* database, HttpServerOptions opts,
                  int maxConnections);

    // Logs the refusal and hands it to options.onRefusal on a worker.
    void refuse(const RefusalEvent& event);
    // Runs a call on a worker; done runs back on the I/O thread with the answer.
    void runCall(std::function<HttpAnswer()> call, std::function<void(HttpAnswer)> done);

    HttpServerOptions options;
    Dispatcher dispatcher;
    SqlDatabase* db;
    // Before io: the connections that io's pending handlers hold leave the table when io
    // goes.
    ConnectionTable table;
    boost::asio::io_context io{1};
    std::unique_ptr<WorkerPool> pool;
    bool stopping = false; // I/O thread only
    std::atomic<int> pendingRefusals = 0;
};

} // namespace dieta::server
