#include "convert/page_encoder.h"

namespace qm {

PageEncoder::PageEncoder() : thread_([this] { Run(); }) {}

PageEncoder::~PageEncoder() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PageEncoder::Post(std::function<void()> task) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return tasks_.size() < kMostWaiting; });
    tasks_.push_back(std::move(task));
    lock.unlock();
    changed_.notify_all();
}

void PageEncoder::Run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
            if (tasks_.empty()) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        changed_.notify_all();
        task();
    }
}

} // namespace qm
