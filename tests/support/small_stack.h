#pragma once

#include <pthread.h>

#include <cstddef>
#include <functional>
#include <stdexcept>

namespace qm::test {

// Runs `work` to its end on a thread whose stack holds only `stackBytes`, so that a test can show that deep
// input is handled without recursion: a walk that recursed once per nesting level would overflow it.
inline void RunOnSmallStack(const std::function<void()>& work, std::size_t stackBytes = 512 * 1024) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stackBytes);
    pthread_t thread;
    auto run = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    const int error = pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&work));
    pthread_attr_destroy(&attr);
    if (error != 0) {
        throw std::runtime_error("cannot start a thread with a small stack");
    }
    pthread_join(thread, nullptr);
}

} // namespace qm::test
