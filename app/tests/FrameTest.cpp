#include "Demo.h"
#include "MsTimer.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t fakeNow = 0;
std::uint32_t fakeTick() {
    return fakeNow;
}

struct FakeClock {
    FakeClock() { platform::setTickSource(&fakeTick); }
    ~FakeClock() { platform::setTickSource(nullptr); }
};

} // namespace

TEST(Frame, TitleShowsTheFrameRateWithAtMostFourSignificantDigits) {
    EXPECT_EQ(FormatFps(60.0f), "60");
    EXPECT_EQ(FormatFps(59.98f), "59.98");
    EXPECT_EQ(FormatFps(1234.567f), "1235");
    EXPECT_EQ(FormatFps(1.2e-05f), "1.2e-05");
    EXPECT_EQ(FormatFps(0.0f), "0");
}

TEST(Frame, TimersCountTheTickAsUnsignedMilliseconds) {
    FakeClock clock;
    fakeNow = 0x80000000u; // past 2^31: must not turn negative
    MsTimer timer;
    fakeNow += 1500;
    EXPECT_DOUBLE_EQ(timer.elapsedMs(), 1500.0);
    timer.restart();
    EXPECT_DOUBLE_EQ(timer.elapsedMs(), 0.0);
}
