#include "ImageBytes.h"
#include "TextureManager.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A float RGB cross whose pixels name their own row and column: red = column % 256,
// green = row % 256, blue = 4 x (row / 256) + column / 256, exact integers with exponent 136.
Bytes crossFile(int width, int height) {
    Bytes rgbe((size_t)width * height * 4);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            unsigned char* p = &rgbe[((size_t)r * width + c) * 4];
            p[0] = c % 256, p[1] = r % 256, p[2] = 4 * (r / 256) + c / 256, p[3] = 136;
        }
    return rgbeFile(width, height, rgbe, true);
}

void expectPixelFrom(const Texture* face, int y, int x, int row, int column) {
    const float* p = reinterpret_cast<const float*>(face->data) + ((size_t)y * face->width + x) * 3;
    const float expected[3] = {(float)(column % 256), (float)(row % 256),
                               (float)(4 * (row / 256) + column / 256)};
    ASSERT_EQ(std::vector<float>(p, p + 3), std::vector<float>(expected, expected + 3))
        << "face pixel " << y << "," << x;
}

std::string cutFaces(TextureManager& manager, const std::string& name) {
    testing::internal::CaptureStderr();
    manager.getCubeMapFaces(name);
    return testing::internal::GetCapturedStderr();
}

// Each test gets a fresh texture folder.
class TextureManagerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(&dir[0]), nullptr);
        dir += "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir = "/tmp/texman-XXXXXX";
};

} // namespace

TEST_F(TextureManagerTest, LoadsEachNameOnceAndRefusesUnknownNames) {
    ASSERT_TRUE(writeFile(dir + "h4.bmp", bmpFile(2, 2, Bytes(12, 9))));
    TextureManager manager(dir);
    Texture* first = manager.getTexture("h4.bmp");
    ASSERT_NE(first->data, nullptr);
    std::remove((dir + "h4.bmp").c_str());
    EXPECT_EQ(manager.getTexture("h4.bmp"), first) << "a cached name must not be read again";

    EXPECT_EXIT(manager.getTexture("h4.BMP"), testing::ExitedWithCode(1),
                "TextureManager::getTexture : Filetype is not supported : h4.BMP");
}

TEST_F(TextureManagerTest, CrossIsCutIntoSixFacesWithTheBackFaceTurned) {
    ASSERT_TRUE(writeFile(dir + "cross.hdr", crossFile(768, 1024)));
    TextureManager manager(dir);
    EXPECT_EQ(cutFaces(manager, "cross.hdr").find("Not a valid cubemap"), std::string::npos);

    // Band and block of each face in the cross: X_POS, X_NEG, Y_POS, Y_NEG, Z_POS, Z_NEG.
    const int band[6] = {1, 1, 0, 2, 1, 3};
    const int block[6] = {2, 0, 1, 1, 1, 1};
    const int n = 256;
    for (int f = 0; f < 6; ++f) {
        const Texture* face = manager.getCubeMapFace("cross.hdr", f);
        ASSERT_NE(face, nullptr) << f;
        EXPECT_EQ(face, manager.getTexture(manager.getFaceId(f) + "cross.hdr"));
        ASSERT_EQ(face->width * 1000 + face->height, n * 1000 + n);
        for (int y = 0; y < n; y += 15)
            for (int x = 0; x < n; x += 17) {
                const bool turned = f == 5; // by 180 degrees
                expectPixelFrom(face, y, x, band[f] * n + (turned ? n - 1 - y : y),
                                block[f] * n + (turned ? n - 1 - x : x));
            }
    }
    const Texture* back = manager.getCubeMapFace("cross.hdr", 5);
    const Bytes before(back->data, back->data + n * n * 12);
    cutFaces(manager, "cross.hdr"); // a second call changes nothing
    EXPECT_EQ(manager.getCubeMapFace("cross.hdr", 5), back);
    EXPECT_EQ(Bytes(back->data, back->data + n * n * 12), before);
}

TEST_F(TextureManagerTest, OtherShapesAreCutFromTheTopLeftOtherTypesNotAtAll) {
    ASSERT_TRUE(writeFile(dir + "square.hdr", crossFile(1200, 1200)));
    ASSERT_TRUE(writeFile(dir + "cross.bmp", bmpFile(6, 8, Bytes(6 * 8 * 3, 1))));
    Bytes broken = rgbeFile(768, 1024, Bytes(), false);
    broken[0] = '!'; // a rejected header leaves an empty record
    ASSERT_TRUE(writeFile(dir + "broken.hdr", broken));
    TextureManager manager(dir);
    // A cross of the wrong shape is reported but still cut from the top left.
    EXPECT_NE(cutFaces(manager, "square.hdr").find("Not a valid cubemap !"), std::string::npos);
    expectPixelFrom(manager.getCubeMapFace("square.hdr", 2), 299, 0, 299, 400);

    for (const char* name : {"cross.bmp", "broken.hdr"}) {
        EXPECT_NE(cutFaces(manager, name).find("Not a float RGB image"), std::string::npos);
        for (int f = 0; f < 6; ++f)
            EXPECT_EQ(manager.getCubeMapFace(name, f), nullptr) << name;
    }
    EXPECT_EQ(manager.getCubeMapFace("cross.bmp", -1), nullptr) << "never the cross itself";
}
