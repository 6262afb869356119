#include "ImageBytes.h"
#include "TextureManager.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Each cross pixel names its own row and column: red = column % 256, green = row % 256,
// blue = 4 x (row / 256) + column / 256, all exact integers with exponent 136.
Bytes crossPixels(int width, int height) {
    Bytes rgbe((size_t)width * height * 4);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            unsigned char* p = &rgbe[((size_t)r * width + c) * 4];
            p[0] = c % 256;
            p[1] = r % 256;
            p[2] = 4 * (r / 256) + c / 256;
            p[3] = 136;
        }
    return rgbe;
}

void expectPixelFrom(const Texture* face, int y, int x, int row, int column) {
    const float* p = reinterpret_cast<const float*>(face->data) + ((size_t)y * face->width + x) * 3;
    ASSERT_EQ(p[0], (float)(column % 256)) << "face pixel " << y << "," << x;
    ASSERT_EQ(p[1], (float)(row % 256)) << "face pixel " << y << "," << x;
    ASSERT_EQ(p[2], (float)(4 * (row / 256) + column / 256)) << "face pixel " << y << "," << x;
}

class TextureManagerTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/texman-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = std::string(pattern) + "/";
    }
    void TearDown() override {
        for (const std::string& name : written)
            std::remove((dir + name).c_str());
        rmdir(dir.c_str());
    }
    void write(const std::string& name, const Bytes& bytes) {
        ASSERT_TRUE(writeFile(dir + name, bytes));
        written.push_back(name);
    }
    void writeCross(const std::string& name, int width, int height) {
        write(name, rgbeFile(width, height, crossPixels(width, height), true));
    }
    std::string dir;
    std::vector<std::string> written;
};

} // namespace

TEST_F(TextureManagerTest, LoadsEachNameOnceAndRefusesUnknownNames) {
    write("h4.bmp", bmpFile(2, 2, Bytes(12, 9)));
    TextureManager manager(dir);
    Texture* first = manager.getTexture("h4.bmp");
    ASSERT_NE(first->data, nullptr);
    EXPECT_EQ(first->width, 2);
    std::remove((dir + "h4.bmp").c_str());
    EXPECT_EQ(manager.getTexture("h4.bmp"), first) << "a cached name must not be read again";

    EXPECT_EXIT(manager.getTexture("h4.BMP"), testing::ExitedWithCode(1),
                "TextureManager::getTexture : Filetype is not supported : h4.BMP");
    EXPECT_EXIT(manager.getTexture("my.stone.bmp"), testing::ExitedWithCode(1),
                "Filetype is not supported : my.stone.bmp");
    EXPECT_EXIT(manager.getTexture("sky"), testing::ExitedWithCode(1),
                "TextureManager::getTexture : Bad filename : sky");
    EXPECT_EXIT(manager.getTexture("missing.hdr"), testing::ExitedWithCode(1),
                "Error opening HDR file: " + dir + "missing.hdr");
}

TEST_F(TextureManagerTest, CrossIsCutIntoSixFacesWithTheBackFaceTurned) {
    writeCross("cross.hdr", 768, 1024);
    TextureManager manager(dir);
    EXPECT_EQ(manager.getCubeMapFace("cross.hdr", 0), nullptr);
    testing::internal::CaptureStderr();
    manager.getCubeMapFaces("cross.hdr");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("Not a valid cubemap"), std::string::npos);

    // Band and block of each face in the cross: X_POS, X_NEG, Y_POS, Y_NEG, Z_POS, Z_NEG.
    const int band[6] = {1, 1, 0, 2, 1, 3};
    const int block[6] = {2, 0, 1, 1, 1, 1};
    const int n = 256;
    for (int f = 0; f < 6; ++f) {
        const Texture* face = manager.getCubeMapFace("cross.hdr", f);
        ASSERT_NE(face, nullptr) << f;
        EXPECT_EQ(face, manager.getTexture(manager.getFaceId(f) + "cross.hdr"));
        ASSERT_EQ(face->width, n);
        ASSERT_EQ(face->height, n);
        EXPECT_EQ(face->format, (GLenum)GL_RGB);
        EXPECT_EQ(face->type, (GLenum)GL_FLOAT);
        for (int y = 0; y < n; y += 15)
            for (int x = 0; x < n; x += 17) {
                if (f == 5) // turned by 180 degrees
                    expectPixelFrom(face, y, x, band[f] * n + (n - 1 - y),
                                    block[f] * n + (n - 1 - x));
                else
                    expectPixelFrom(face, y, x, band[f] * n + y, block[f] * n + x);
            }
    }
    // The first pixel of the bottom band's middle block is the back face's very last pixel.
    expectPixelFrom(manager.getCubeMapFace("cross.hdr", 5), n - 1, n - 1, 3 * n, n);

    // A second call changes nothing.
    const Texture* back = manager.getCubeMapFace("cross.hdr", 5);
    std::vector<unsigned char> before(back->data, back->data + n * n * 12);
    manager.getCubeMapFaces("cross.hdr");
    EXPECT_EQ(manager.getCubeMapFace("cross.hdr", 5), back);
    EXPECT_EQ(std::vector<unsigned char>(back->data, back->data + n * n * 12), before);
}

TEST_F(TextureManagerTest, OddCrossSizesAreCutFromTheTopLeft) {
    writeCross("odd.hdr", 770, 1027);
    writeCross("square.hdr", 1200, 1200);
    TextureManager manager(dir);
    testing::internal::CaptureStderr();
    manager.getCubeMapFaces("odd.hdr");
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("Not a valid cubemap"),
              std::string::npos);
    const Texture* right = manager.getCubeMapFace("odd.hdr", 0);
    ASSERT_EQ(right->width, 256);
    ASSERT_EQ(right->height, 256);
    expectPixelFrom(right, 255, 255, 511, 767);
    expectPixelFrom(manager.getCubeMapFace("odd.hdr", 5), 0, 0, 1023, 511);

    testing::internal::CaptureStderr();
    manager.getCubeMapFaces("square.hdr");
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "TextureManager::getCubeMapFaces : Not a valid cubemap !"),
              std::string::npos);
    const Texture* top = manager.getCubeMapFace("square.hdr", 2);
    ASSERT_EQ(top->width, 400);
    ASSERT_EQ(top->height, 300);
    expectPixelFrom(top, 299, 0, 299, 400);
}

TEST_F(TextureManagerTest, OnlyFloatRgbCrossesAreCut) {
    write("cross.bmp", bmpFile(6, 8, Bytes(6 * 8 * 3, 1)));
    Bytes broken = rgbeFile(768, 1024, Bytes(), false);
    broken[0] = '!';
    write("broken.hdr", broken);
    TextureManager manager(dir);
    for (const char* name : {"cross.bmp", "broken.hdr"}) {
        testing::internal::CaptureStderr();
        manager.getCubeMapFaces(name);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Not a float RGB image"),
                  std::string::npos)
            << name;
        for (int f = 0; f < 6; ++f)
            EXPECT_EQ(manager.getCubeMapFace(name, f), nullptr) << name;
    }
    // A rejected header leaves an empty record, not one with undefined sizes.
    const Texture* broke = manager.getTexture("broken.hdr");
    EXPECT_EQ(broke->data, nullptr);
    EXPECT_EQ(broke->width, 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(manager.getFaceId(6), "");
    EXPECT_EQ(manager.getCubeMapFace("cross.bmp", -1), nullptr) << "never the cross itself";
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "TextureManager::getFaceId : Bad cube map face id!"),
              std::string::npos);
}

TEST(TextureRecord, MirrorsWholePixelsAndKeepsOddMiddles) {
    // 3 x 3 float RGB: every pixel holds its own index in all three floats.
    float pixels[27];
    for (int i = 0; i < 27; ++i)
        pixels[i] = (float)(i / 3);
    Texture texture;
    texture.data = reinterpret_cast<unsigned char*>(pixels);
    texture.width = 3;
    texture.height = 3;
    texture.type = GL_FLOAT;
    texture.format = GL_RGB;
    EXPECT_EQ(texture.getNumberPixelComponents(), 12);
    texture.flipHorizontally();
    const float mirrored[9] = {2, 1, 0, 5, 4, 3, 8, 7, 6};
    for (int i = 0; i < 27; ++i)
        ASSERT_EQ(pixels[i], mirrored[i / 3]) << i;
    texture.flipVertically();
    const float turned[9] = {8, 7, 6, 5, 4, 3, 2, 1, 0};
    for (int i = 0; i < 27; ++i)
        ASSERT_EQ(pixels[i], turned[i / 3]) << i;

    texture.format = GL_BGRA;
    EXPECT_EXIT(texture.getNumberPixelComponents(), testing::ExitedWithCode(1),
                "Texture::getNumberPixelComponents\\(\\) : wrong texture format!");
    texture.format = GL_RGBA;
    texture.type = GL_SHORT;
    EXPECT_EXIT(texture.flipVertically(), testing::ExitedWithCode(1),
                "Texture::getNumberPixelComponents\\(\\) : wrong texture type!");
}
