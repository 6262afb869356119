#include "MsTimer.h"
#include "Tick.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

std::uint32_t fakeNow = 0;
std::uint32_t fakeTick() {
    return fakeNow;
}

} // namespace

TEST(Clock, TimersCountTheTickAsUnsignedMilliseconds) {
    platform::setTickSource(&fakeTick);
    fakeNow = 0x80000000u; // past 2^31: must not turn negative
    MsTimer timer;
    fakeNow += 1500;
    EXPECT_DOUBLE_EQ(timer.elapsedMs(), 1500.0);
    timer.restart();
    EXPECT_DOUBLE_EQ(timer.elapsedMs(), 0.0);
    platform::setTickSource(nullptr);
}

TEST(Clock, FrameNFallsAtExactlyNThousandthsOverTheRateWithoutDrift) {
    platform::useFrameClock(60);
    MsTimer timer; // started at frame 0, as the demo clock is
    EXPECT_EQ(timer.elapsedMs(), 0.0);
    platform::advanceFrameClock();
    EXPECT_DOUBLE_EQ(timer.elapsedMs(), 1000.0 / 60.0); // the fraction reaches the timers
    EXPECT_EQ(platform::tickMs(), 16u);                 // the whole tick rounds down
    platform::advanceFrameClock();
    platform::advanceFrameClock();
    EXPECT_EQ(timer.elapsedMs(), 50.0);
    EXPECT_EQ(platform::tickMs(), 50u);
    // An hour of frames: a clock that adds 1000/60 each frame would be off by now.
    for (int frame = 3; frame < 60 * 3600; ++frame)
        platform::advanceFrameClock();
    EXPECT_EQ(timer.elapsedMs(), 3600000.0);
    EXPECT_EQ(platform::tickMs(), 3600000u);

    platform::useFrameClock(0); // back to the running clock, which moves without being told
    const std::uint32_t before = platform::tickMs();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (platform::tickMs() == before && std::chrono::steady_clock::now() < deadline) {
    }
    EXPECT_NE(platform::tickMs(), before);
}
