#include "KeyLight.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(KeyLight, IsAWhiteDiscTiltedByTwelveDegreesAndComesBackAfter1440Frames) {
    setKeyLightJitterSource([] { return 16384; }); // mid-stratum samples
    keyLightAzimuth = 0.0;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(CalcKeyLight());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Calculating Keylight Information ...\nDone!\n\n");
    setKeyLightJitterSource(nullptr);

    // 2pi (1 - cos 60deg) * Y(0, 0) = pi / sqrt(4pi), before and after turning.
    EXPECT_NEAR(keyLightBase[0], 0.886227, 1e-3);
    EXPECT_EQ(redLightKey[0], static_cast<float>(keyLightBase[0]));
    // The disc's axis from band 1 (y, z, x carry the signs -, +, -).
    const double x = -redLightKey[3], y = -redLightKey[1], z = redLightKey[2];
    EXPECT_NEAR(std::atan2(std::hypot(x, y), z) * 180.0 / 3.141592653589793, 12.0, 0.2);
    EXPECT_NEAR(y, 0.0, 2e-3);
    EXPECT_GT(x, 0.0);

    const std::vector<float> start(redLightKey, redLightKey + SH_COEFFICIENTS);
    for (int frame = 1; frame <= 1440; ++frame) {
        keyLightAzimuth -= 0.25;
        UpdateKeyLight();
        if (frame == 720) { // half a turn: the axis' x has flipped, its z is kept
            EXPECT_NEAR(redLightKey[3], -start[3], 1e-5);
            EXPECT_NEAR(redLightKey[2], start[2], 1e-5);
        }
    }
    for (int j = 0; j < SH_COEFFICIENTS; ++j) {
        EXPECT_NEAR(redLightKey[j], start[j], 1e-5) << j;
        EXPECT_EQ(greenLightKey[j], redLightKey[j]);
        EXPECT_EQ(blueLightKey[j], redLightKey[j]);
    }
}
