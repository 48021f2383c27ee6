// TimeTest.cpp - the tick counter, its test seam and the sleep.
#include "yrapi/platform/Testing.h"
#include "yrapi/platform/Time.h"

#include <gtest/gtest.h>

#include <chrono>

namespace YRAPI::platform {
namespace {

DWORD FixedTick() { return 0xFFFFFFF0u; }

TEST(GetTickCount, FollowsTheInstalledSourceUntilReset) {
    testing::SetTickSource(&FixedTick);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    testing::SetTickSource(nullptr);
    DWORD dwFirst = GetTickCount();
    Sleep(20);
    DWORD dwElapsed = GetTickCount() - dwFirst;  // unsigned difference survives a wrap
    EXPECT_GE(dwElapsed, 19u);
    EXPECT_LT(dwElapsed, 2000u);
}

TEST(Sleep, LastsAtLeastTheAskedTime) {
    auto start = std::chrono::steady_clock::now();
    Sleep(50);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(50));
    EXPECT_LT(elapsed, std::chrono::seconds(2));
}

}  // namespace
}  // namespace YRAPI::platform
