#include "KeyLight.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(KeyLight, IsAWhiteDiscTiltedByTwelveDegreesTowardsItsAzimuth) {
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
    for (double azimuth : {0.0, 90.0, -135.0}) {
        keyLightAzimuth = azimuth;
        UpdateKeyLight();
        // The disc's axis from band 1 (y, z, x carry the signs -, +, -).
        const double x = -redLightKey[3], y = -redLightKey[1], z = redLightKey[2];
        EXPECT_NEAR(std::atan2(std::hypot(x, y), z) * 180.0 / 3.141592653589793, 12.0, 0.2);
        EXPECT_NEAR(std::atan2(y, x) * 180.0 / 3.141592653589793, azimuth, 0.5);
        for (int j = 0; j < SH_COEFFICIENTS; ++j) {
            EXPECT_EQ(greenLightKey[j], redLightKey[j]);
            EXPECT_EQ(blueLightKey[j], redLightKey[j]);
        }
    }
}
