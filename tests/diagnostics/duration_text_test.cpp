#include "diagnostics/duration_text.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using std::chrono::milliseconds;

TEST(SecondsText, NamesWholeAndTenthSecondsWithTheRightNumber) {
    const std::pair<milliseconds, const char*> cases[] = {
        {milliseconds(1000), "1 second"},   {milliseconds(1040), "1 second"},    {milliseconds(4000), "4 seconds"},
        {milliseconds(500), "0.5 seconds"}, {milliseconds(1500), "1.5 seconds"}, {milliseconds(60000), "60 seconds"},
    };
    for (const auto& [limit, text] : cases)
        EXPECT_EQ(SecondsText(limit), text) << limit.count() << " ms";
}

} // namespace
} // namespace qm
