#pragma once
// The threads that run the methods (they block on the database) while the transport's I/O
// thread goes on serving. A hook runs as each worker ends, so that the worker's database
// connection is closed in the thread that opened it (QtSql connections belong to their thread).

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dieta::server {

class WorkerPool {
public:
    WorkerPool(int workers, std::function<void()> atThreadExit);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void enqueue(std::function<void()> job);
    // Runs the queued jobs to the end, then joins every worker.
    void shutdown();

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
