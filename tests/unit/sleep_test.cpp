// Sleep: every pause is in the UI log.
#include <hostwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(Sleep, EveryPauseIsLoggedWithItsLength) {
    hostwin::ResetMachine();
    Sleep(500);
    Sleep(0);
    Sleep(1000);
    std::vector<hostwin::UiRecord> pauses = hostwin::UiLogOf("Sleep");
    ASSERT_EQ(pauses.size(), 3u);
    EXPECT_EQ(pauses[0].json, "{\"event\":\"Sleep\",\"ms\":500}");
    EXPECT_EQ(pauses[1].Number("ms"), 0);
    EXPECT_EQ(pauses[2].Number("ms"), 1000);
    EXPECT_EQ(hostwin::CallCount("Sleep"), 3u);
}

} // namespace
