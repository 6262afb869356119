#include "BrastelConfiguration.h"
#include "Demo.h"
#include "KeyLight.h"
#include "RenderableModelOBJ.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::uint32_t fakeNow = 0;
std::uint32_t fakeTick() {
    return fakeNow;
}

struct FakeClock {
    FakeClock() { platform::setTickSource(&fakeTick); }
    ~FakeClock() { platform::setTickSource(nullptr); }
};

// Frame updates without their console lines (the test has no settings file to read).
void updateFrames(int count) {
    testing::internal::CaptureStdout();
    for (int frame = 0; frame < count; ++frame)
        UpdateFrame();
    testing::internal::GetCapturedStdout();
}

// The demo clock starts at 1 s, the model scene half a second later.
void startShow() {
    fakeNow = 1000;
    demoTimer.restart();
    fakeNow = 1500;
    StartDemo();
}

} // namespace

TEST(Frame, ModelSceneEndsWhenItsOwnClockPassesItsDuration) {
    FakeClock clock;
    scene1Duration = 2.5;
    startShow();
    fakeNow = 1500 + 2500; // the demo clock is past 2.5 s, the scene clock just reaches it
    updateFrames(1);
    EXPECT_EQ(sceneIndex, 1);
    fakeNow += 1;
    updateFrames(1);
    EXPECT_EQ(sceneIndex, 2);
}

TEST(Frame, LightRunsItsPathAtTheDemoTimeAndFiveTimesTheDemoSpeed) {
    FakeClock clock;
    // A closed loop through (2,0,0), (0,0,2), (-2,0,0), (0,0,-2); a quarter of it ends at (0,0,2).
    lightSourcePath = Spline(ReadPathPoints("1 0 0\n0 0 1\n-1 0 0\n0 0 -1\n"), 0, 0, 0);
    demoSpeed = lightSourcePath.length() / 4.0f / 5.0f / 2000.0f;
    startShow();
    fakeNow = 1000 + 2000;
    updateFrames(1);
    EXPECT_NEAR(lightSourcePosition.x, 0.0f, 1e-4f);
    EXPECT_NEAR(lightSourcePosition.z, 2.0f, 1e-4f);
}

TEST(Frame, KeyLightTurnsAQuarterDegreeBackEachFrame) {
    FakeClock clock;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(CalcKeyLight());
    testing::internal::GetCapturedStdout();
    // The light's axis in the xy plane, from band 1 (y, z, x carry the signs -, +, -).
    auto axis = [] { return std::pair{-redLightKey[3], -redLightKey[1]}; };
    const auto [x0, y0] = axis();
    const float z0 = redLightKey[2];
    ASSERT_GT(std::hypot(x0, y0), 0.05f); // tilted: the turn shows
    updateFrames(360);
    const auto [x1, y1] = axis(); // 90 degrees clockwise seen from +z
    EXPECT_NEAR(x1, y0, 1e-5f);
    EXPECT_NEAR(y1, -x0, 1e-5f);
    EXPECT_NEAR(redLightKey[2], z0, 1e-5f);
    EXPECT_EQ(blueLightKey[3], redLightKey[3]); // white
}

TEST(Frame, FrameRateIsTheFramesOfTheSecondJustPast) {
    FakeClock clock;
    fakeNow = 1000000;
    const float before = UpdateFps(); // a second past any earlier refresh: counting restarts
    for (int frame = 1; frame < 100; ++frame) {
        fakeNow += 10;
        EXPECT_EQ(UpdateFps(), before) << frame; // refreshed only after a full second
    }
    fakeNow += 20;
    EXPECT_NEAR(UpdateFps(), 100.0f / 1.01f, 0.01f);
}
