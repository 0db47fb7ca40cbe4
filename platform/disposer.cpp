#include "platform/disposer.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace dieta {

namespace {

class Disposer {
public:
    ~Disposer() {
        {
            std::lock_guard guard(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    void take(std::shared_ptr<void> thing) {
        {
            std::lock_guard guard(mutex_);
            if (!thread_.joinable())
                thread_ = std::thread([this] { run(); });
            queue_.push_back(std::move(thing));
            ++handedOver_;
        }
        wake_.notify_all();
    }

    void waitForAll() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return freed_ == handedOver_; });
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty())
                return; // stopping, and nothing left
            std::shared_ptr<void> thing = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            thing.reset();
            lock.lock();
            ++freed_;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<std::shared_ptr<void>> queue_;
    std::uint64_t handedOver_ = 0, freed_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

Disposer& disposer() {
    static Disposer instance;
    return instance;
}

} // namespace

void disposeOf(std::shared_ptr<void> thing) {
    if (thing)
        disposer().take(std::move(thing));
}

void waitUntilDisposed() {
    disposer().waitForAll();
}

} // namespace dieta
