#include "HeightImage.h"
#include "ImageLoaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

// That it is the terrain at time zero, row by row, the noise pass's test shows on the GPU.
TEST(HeightImage, IsA256SquareGreyBmpOfSmoothValleysAndRidges) {
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
            ASSERT_TRUE(p[1] == p[0] && p[2] == p[0]);
            // A surface, not noise: neighbours a few grey steps apart at most.
            if (column > 0) {
                ASSERT_LE(std::abs(p[0] - p[-4]), 16) << "row " << row << " column " << column;
            }
            lowest = std::min<int>(lowest, p[0]);
            highest = std::max<int>(highest, p[0]);
        }
    // Valleys and ridges, kept below the camera's path.
    EXPECT_LT(lowest, 40);
    EXPECT_GT(highest, 150);
    EXPECT_LT(highest, 240);
    std::free(image.data);
}
