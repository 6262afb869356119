#include "KeyLight.h"

#include <gtest/gtest.h>

#include <cmath>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::uint32_t jitterState = 0;
int testJitter() {
    jitterState = jitterState * 1664525u + 1013904223u;
    return static_cast<int>(jitterState >> 17);
}

void runCalcKeyLight() {
    jitterState = 99;
    setKeyLightJitterSource(testJitter);
    keyLightAzimuth = 0.0;
    CaptureStdout();
    ASSERT_TRUE(CalcKeyLight());
    EXPECT_EQ(GetCapturedStdout(), "Calculating Keylight Information ...\nDone!\n\n");
    setKeyLightJitterSource(nullptr);
}

} // namespace

TEST(KeyLight, IsTheDiscTiltedByTwelveDegreesInWhiteLight) {
    runCalcKeyLight();
    // 2pi (1 - cos 60deg) * Y(0, 0) = pi / sqrt(4pi), before and after turning.
    EXPECT_NEAR(keyLightBase[0], 0.886227, 1e-3);
    EXPECT_EQ(keyLightRotated[0], keyLightBase[0]);

    // The disc's axis from band 1 (y, z, x carry the signs -, +, -).
    const double x = -keyLightRotated[3], y = -keyLightRotated[1], z = keyLightRotated[2];
    const double tilt = std::atan2(std::hypot(x, y), z) * 180.0 / 3.141592653589793;
    EXPECT_NEAR(tilt, 12.0, 0.2);
    EXPECT_NEAR(y, 0.0, 2e-3);
    EXPECT_GT(x, 0.0);

    for (int j = 0; j < SH_COEFFICIENTS; ++j) {
        EXPECT_EQ(redLightKey[j], static_cast<float>(keyLightRotated[j]));
        EXPECT_EQ(greenLightKey[j], redLightKey[j]);
        EXPECT_EQ(blueLightKey[j], redLightKey[j]);
    }
}

TEST(KeyLight, FourteenHundredFortyFramesComeBackToTheStart) {
    runCalcKeyLight();
    float start[SH_COEFFICIENTS];
    for (int j = 0; j < SH_COEFFICIENTS; ++j)
        start[j] = redLightKey[j];

    double largestChange = 0.0;
    for (int frame = 1; frame <= 1440; ++frame) {
        keyLightAzimuth -= 0.25;
        UpdateKeyLight();
        if (frame == 720) // half a turn: the light is elsewhere
            for (int j = 0; j < SH_COEFFICIENTS; ++j)
                largestChange = std::fmax(largestChange, std::fabs(redLightKey[j] - start[j]));
    }
    EXPECT_GT(largestChange, 0.05);
    EXPECT_DOUBLE_EQ(keyLightAzimuth, -360.0);
    for (int j = 0; j < SH_COEFFICIENTS; ++j) {
        EXPECT_NEAR(redLightKey[j], start[j], 1e-5) << j;
        EXPECT_EQ(blueLightKey[j], redLightKey[j]);
    }
}
