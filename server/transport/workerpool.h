#pragma once
// The HTTP server's worker threads. Unlike the library's own pool, it runs a hook as each
// worker ends, so that the worker's database connection is closed in the thread that opened
// it (QtSql connections belong to their thread).

#include <condition_variable>
#include <deque>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <thread>
#include <vector>

namespace dieta::server {

class WorkerPool : public httplib::TaskQueue {
public:
    WorkerPool(int workers, std::function<void()> atThreadExit);
    ~WorkerPool() override;

    void enqueue(std::function<void()> job) override;
    // Runs the queued jobs to the end, then joins every worker.
    void shutdown() override;

private:
    void work();

    std::function<void()> atThreadExit_;
    std::vector<std::thread> threads_;
    std::deque<std::function<void()>> jobs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

} // namespace dieta::server
