#include "server/transport/workerpool.h"

#include <QtDebug>

namespace dieta::server {

WorkerPool::WorkerPool(int workers, std::function<void()> atThreadExit)
    : atThreadExit_(std::move(atThreadExit)) {
    threads_.reserve(size_t(std::max(1, workers)));
    for (int i = 0; i < std::max(1, workers); ++i)
        threads_.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() {
    shutdown();
}

void WorkerPool::enqueue(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void WorkerPool::shutdown() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
        if (thread.joinable())
            thread.join();
}

void WorkerPool::work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty())
                break;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        // A job is one call; its own faults are answered inside it. Anything escaping here
        // must not end the worker, or the pool would shrink.
        try {
            job();
        } catch (const std::exception& e) {
            qWarning().noquote() << "dieta-server: call failed:" << e.what();
        } catch (...) {
            qWarning().noquote() << "dieta-server: call failed";
        }
    }
    if (atThreadExit_)
        atThreadExit_();
}

} // namespace dieta::server
