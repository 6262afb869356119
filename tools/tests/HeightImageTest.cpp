#include "HeightImage.h"
#include "HeightNoise.h"
#include "ImageLoaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

TEST(HeightImage, IsTheTerrainAtTimeZeroAsA256SquareGreyBmpWithItsBottomRowFirst) {
    const std::vector<unsigned char> file = encodeHeightImage();
    Texture image;
    int bits = 0;
    long width = 0, height = 0;
    ASSERT_EQ(decodeBmp(file.data(), file.size(), image, bits, width, height), BmpStatus::Loaded);
    EXPECT_EQ(bits, 24);
    ASSERT_EQ(image.width, 256);
    ASSERT_EQ(image.height, 256);
    int lowest = 255, highest = 0;
    for (int row = 0; row < 256; ++row)
        for (int column = 0; column < 256; ++column) {
            const unsigned char* p = image.data + (row * 256 + column) * 4;
            const float h = terrainHeight((column + 0.5f) / 256, (row + 0.5f) / 256, 0.0f);
            ASSERT_EQ(p[0], std::lround(h * 255.0f)) << "row " << row << " column " << column;
            ASSERT_TRUE(p[1] == p[0] && p[2] == p[0]);
            lowest = std::min<int>(lowest, p[0]);
            highest = std::max<int>(highest, p[0]);
        }
    // Valleys and ridges, kept below the camera's path.
    EXPECT_LT(lowest, 40);
    EXPECT_GT(highest, 150);
    EXPECT_LT(highest, 240);
    std::free(image.data);
}
