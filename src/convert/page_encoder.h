#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace qm {

// Runs tasks one after the other, in the order they were posted, on a thread of its own: the pages of a
// conversion are encoded there while the view goes on to the next chapter. A task must not throw.
class PageEncoder {
public:
    // Post waits while this many tasks are waiting, so that the frames the tasks hold stay few.
    static constexpr std::size_t kMostWaiting = 2;

    PageEncoder();
    // Runs what was posted, then ends the thread.
    ~PageEncoder();
    PageEncoder(const PageEncoder&) = delete;
    PageEncoder& operator=(const PageEncoder&) = delete;

    void Post(std::function<void()> task);

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    bool ending_ = false;
    std::thread thread_;
};

} // namespace qm
