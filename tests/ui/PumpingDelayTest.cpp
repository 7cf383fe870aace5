#include <gtest/gtest.h>

#include <chrono>

#include "support/fake/FakeWindowSystem.h"
#include "ui/PumpingDelay.h"

using namespace qx;

TEST(PumpingDelay, KeepsHandlingEventsUntilTheTimeIsUp) {
    test::FakeWindowSystem windows;
    auto start = std::chrono::steady_clock::now();
    ui::pumpingDelay(windows, 40, 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
    EXPECT_GE(windows.pendingEventCalls(), 2);  // at the start and again while waiting
}

TEST(PumpingDelay, NothingToWaitForReturnsAtOnce) {
    test::FakeWindowSystem windows;
    ui::pumpingDelay(windows, 0, 1);
    ui::pumpingDelay(windows, -5, 3);
    EXPECT_EQ(windows.pendingEventCalls(), 0);
}
