#include "convert/page_encoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace qm {
namespace {

TEST(PageEncoder, RunsTasksInOrderAndFinishesThemBeforeItEnds) {
    std::vector<int> ran;
    std::atomic<std::size_t> mostWaiting = 0;
    std::atomic<int> posted = 0;
    {
        PageEncoder encoder;
        for (int i = 0; i < 40; ++i) {
            encoder.Post([&, i] {
                // Slow tasks: the poster gets ahead and has to wait for room.
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                mostWaiting = std::max<std::size_t>(mostWaiting, static_cast<std::size_t>(posted - i - 1));
                ran.push_back(i);
            });
            ++posted;
        }
    }
    std::vector<int> expected(40);
    for (int i = 0; i < 40; ++i) {
        expected[static_cast<std::size_t>(i)] = i;
    }
    EXPECT_EQ(ran, expected);
    EXPECT_LE(mostWaiting.load(), PageEncoder::kMostWaiting);
}

} // namespace
} // namespace qm
