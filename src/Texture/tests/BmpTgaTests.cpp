#include "ImageBytes.h"
#include "ImageLoaders.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <stb/stb_image.h>

namespace {

struct Bmp {
    Texture texture;
    BmpStatus status;
    int bits = 0;
    long width = 0, height = 0;
    explicit Bmp(const Bytes& file) {
        status = decodeBmp(file.data(), file.size(), texture, bits, width, height);
    }
    ~Bmp() { std::free(texture.data); }
};

// stb_image's RGBA, top row first.
Bytes stbRgba(const Bytes& file, int& width, int& height) {
    int channels = 0;
    unsigned char* p =
        stbi_load_from_memory(file.data(), (int)file.size(), &width, &height, &channels, 4);
    Bytes out;
    if (p)
        out.assign(p, p + (size_t)width * height * 4);
    stbi_image_free(p);
    return out;
}

Bytes pictureBytes(const DibPicture& picture) {
    return Bytes(picture.bits, picture.bits + (size_t)picture.pitch * picture.height);
}

// A DIB in stb's channel order, to compare with its RGBA output.
Bytes asRgba(const DibPicture& picture) {
    Bytes out = pictureBytes(picture);
    for (size_t i = 0; i < out.size(); i += 4)
        std::swap(out[i], out[i + 2]);
    return out;
}

std::string tempPath(const std::string& name) {
    return testing::TempDir() + name;
}

} // namespace

TEST(BmpReader, PixelsAgreeWithStbImageWhateverPaddingOrRowOrder) {
    for (int width : {1, 2, 3, 4, 5, 17}) {
        for (int height : {1, 3}) {
            for (bool topDown : {false, true}) {
                for (int gap : {0, 10}) {
                    const Bytes bgr = patternBytes((size_t)width * height * 3, width + height);
                    const Bytes file = bmpFile(width, height, bgr, topDown, gap);
                    Bmp ours(file);
                    ASSERT_EQ(ours.status, BmpStatus::Loaded);
                    ASSERT_EQ(ours.texture.width, width);
                    ASSERT_EQ(ours.texture.height, height);
                    EXPECT_EQ(ours.texture.format, (GLenum)GL_RGBA);
                    EXPECT_EQ(ours.texture.type, (GLenum)GL_UNSIGNED_BYTE);
                    // This stb_image refuses a gap before the pixels; the same picture
                    // without one is its reference.
                    int w = 0, h = 0;
                    const Bytes reference = stbRgba(bmpFile(width, height, bgr, topDown), w, h);
                    ASSERT_EQ(w, width);
                    ASSERT_EQ(h, height);
                    // Ours keeps the bottom row first, stb gives the top row first.
                    const size_t row = (size_t)width * 4;
                    for (int y = 0; y < height; ++y)
                        EXPECT_EQ(std::memcmp(ours.texture.data + y * row,
                                              reference.data() + (height - 1 - y) * row, row),
                                  0)
                            << width << " x " << height << " topDown " << topDown << " gap " << gap
                            << " row " << y;
                }
            }
        }
    }
    // The first stored pixel blue 1, green 2, red 3 comes out as 3, 2, 1, 255.
    Bmp small(bmpFile(2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    ASSERT_EQ(small.status, BmpStatus::Loaded);
    EXPECT_EQ(Bytes(small.texture.data, small.texture.data + 8),
              Bytes({3, 2, 1, 255, 6, 5, 4, 255}));
}

TEST(BmpReader, RefusesWrongHeadersSizesAndTruncation) {
    const Bytes bgr = patternBytes(5 * 3 * 3, 1);
    EXPECT_EQ(Bmp(bmpFile(5, 3, bgr, false, 0, 32)).status, BmpStatus::BadBitsPerPixel);
    Bmp sixteen(bmpFile(5, 3, bgr, false, 0, 16));
    EXPECT_EQ(sixteen.bits, 16);

    Bytes planes = bmpFile(5, 3, bgr);
    planes[26] = 2;
    EXPECT_EQ(Bmp(planes).status, BmpStatus::BadPlanes);

    auto withSize = [&](uint32_t width, uint32_t height) {
        Bytes file = bmpFile(5, 3, bgr);
        for (int i = 0; i < 4; ++i) {
            file[18 + i] = (width >> (8 * i)) & 0xff;
            file[22 + i] = (height >> (8 * i)) & 0xff;
        }
        return file;
    };
    for (auto size : {std::make_pair(0u, 3u), std::make_pair(5u, 0u), std::make_pair(-5u, 3u),
                      std::make_pair(5u, 0x80000000u)}) {
        Bmp bad(withSize(size.first, size.second));
        EXPECT_EQ(bad.status, BmpStatus::BadSize) << size.first << " x " << size.second;
        EXPECT_EQ(bad.texture.data, nullptr);
    }
    // Sizes that would need more pixels than the file holds, however large.
    for (auto size : {std::make_pair(0x7fffffffu, 0x7fffffffu), std::make_pair(6u, 3u),
                      std::make_pair(5u, 4u), std::make_pair(65536u, 65536u)})
        EXPECT_EQ(Bmp(withSize(size.first, size.second)).status, BmpStatus::Truncated)
            << size.first << " x " << size.second;

    const Bytes good = bmpFile(5, 3, bgr, false, 4);
    const size_t needed = good.size() - 1; // the last row's padding byte may be absent
    for (size_t cut = 0; cut < needed; ++cut) {
        Bmp cutShort(Bytes(good.begin(), good.begin() + cut));
        EXPECT_EQ(cutShort.status, BmpStatus::Truncated) << cut;
        EXPECT_EQ(cutShort.texture.data, nullptr);
    }
    EXPECT_EQ(Bmp(Bytes(good.begin(), good.begin() + needed)).status, BmpStatus::Loaded);
    Bytes farOffset = good;
    farOffset[11] = 0x40; // pixel data offset beyond the end
    EXPECT_EQ(Bmp(farOffset).status, BmpStatus::Truncated);
}

TEST(BmpReader, LoadEndsTheProgramWithTheMessage) {
    const std::string path = tempPath("deep.bmp");
    ASSERT_TRUE(writeFile(path, bmpFile(2, 2, Bytes(12, 1), false, 0, 32)));
    Texture texture;
    EXPECT_EXIT(loadBmp(path, texture), testing::ExitedWithCode(1),
                "Incorrect BMP file Bits per pixel: 32-" + path);
    ASSERT_TRUE(writeFile(path, Bytes(29, 0)));
    EXPECT_EXIT(loadBmp(path, texture), testing::ExitedWithCode(1), "Truncated BMP file: ");
    EXPECT_EXIT(loadBmp("/nonexistent/h4.bmp", texture), testing::ExitedWithCode(1),
                "Error opening BMP file: /nonexistent/h4.bmp");

    ASSERT_TRUE(writeFile(path, bmpFile(3, 2, patternBytes(18, 4))));
    loadBmp(path, texture);
    EXPECT_EQ(texture.width, 3);
    EXPECT_EQ(texture.height, 2);
    std::free(texture.data);
    std::remove(path.c_str());
}

TEST(TgaReader, TrueColourAndGreyPixelsLandInBgraTopRowFirst) {
    // The same picture stored bottom-up and top-down gives the same DIB.
    const Bytes bgr = patternBytes(5 * 4 * 3, 3);
    DibPicture up, down;
    const Bytes upFile = tgaFile(2, 24, 5, 4, bgr, false);
    const Bytes downFile = tgaFile(2, 24, 5, 4, bgr, true);
    ASSERT_TRUE(decodeTga(upFile.data(), upFile.size(), up));
    ASSERT_TRUE(decodeTga(downFile.data(), downFile.size(), down));
    EXPECT_EQ(up.width, 5);
    EXPECT_EQ(up.height, 4);
    EXPECT_EQ(up.pitch, 20);
    EXPECT_EQ(pictureBytes(up), pictureBytes(down));
    EXPECT_EQ(Bytes(up.bits, up.bits + 4), Bytes({bgr[0], bgr[1], bgr[2], 255}));

    DibPicture picture;
    const Bytes one = tgaFile(2, 24, 1, 1, {10, 20, 30}, false);
    ASSERT_TRUE(decodeTga(one.data(), one.size(), picture));
    EXPECT_EQ(pictureBytes(picture), Bytes({10, 20, 30, 255}));
    const Bytes grey = tgaFile(2, 8, 2, 1, {77, 5}, false, {}, 0, 3);
    ASSERT_TRUE(decodeTga(grey.data(), grey.size(), picture));
    EXPECT_EQ(pictureBytes(picture), Bytes({77, 77, 77, 255, 5, 5, 5, 255}));
    const Bytes alpha = tgaFile(2, 32, 1, 1, {1, 2, 3, 4}, true);
    ASSERT_TRUE(decodeTga(alpha.data(), alpha.size(), picture));
    EXPECT_EQ(pictureBytes(picture), Bytes({1, 2, 3, 4}));

    // A colour map in a true-colour file is skipped, not read as pixels.
    const Bytes mapped = tgaFile(2, 24, 1, 1, {10, 20, 30}, false, Bytes(6, 99), 24);
    ASSERT_TRUE(decodeTga(mapped.data(), mapped.size(), picture));
    EXPECT_EQ(pictureBytes(picture), Bytes({10, 20, 30, 255}));
}

TEST(TgaReader, ColourMappedImagesAreExpandedThroughTheirMap) {
    const Bytes map24 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const Bytes indices = {2, 0, 1, 1, 2, 0};
    const Bytes file = tgaFile(1, 8, 3, 2, indices, false, map24, 24);
    DibPicture picture;
    ASSERT_TRUE(decodeTga(file.data(), file.size(), picture));
    EXPECT_EQ(pictureBytes(picture), Bytes({7, 8, 9, 255, 1, 2, 3, 255, 4, 5, 6, 255,
                                            4, 5, 6, 255, 7, 8, 9, 255, 1, 2, 3, 255}));
    const Bytes map32 = {1, 2, 3, 40, 5, 6, 7, 80};
    const Bytes file32 = tgaFile(1, 8, 2, 1, {1, 0}, true, map32, 32);
    ASSERT_TRUE(decodeTga(file32.data(), file32.size(), picture));
    EXPECT_EQ(pictureBytes(picture), Bytes({5, 6, 7, 80, 1, 2, 3, 40}));

    // Indices outside the map, a missing map or 16-bit map entries are refused.
    const std::vector<Bytes> refused = {
        tgaFile(1, 8, 3, 2, {2, 0, 1, 1, 3, 0}, false, map24, 24),
        tgaFile(1, 8, 3, 2, indices, false),
        tgaFile(1, 8, 3, 2, indices, false, Bytes(6, 1), 16),
        tgaFile(1, 24, 1, 1, {0, 0, 0}, false, map24, 24),
    };
    for (const Bytes& bad : refused) {
        EXPECT_FALSE(decodeTga(bad.data(), bad.size(), picture));
        EXPECT_EQ(picture.bits, nullptr);
        EXPECT_EQ(picture.width, 0);
    }
}

TEST(TgaReader, RefusesOtherTypesDepthsAndShortFiles) {
    DibPicture picture;
    const Bytes rgb = patternBytes(4 * 3 * 3, 8);
    Bytes file = tgaFile(2, 24, 4, 3, rgb, false);
    ASSERT_TRUE(decodeTga(file.data(), file.size(), picture));
    for (int cut = 0; cut < (int)file.size(); ++cut) {
        EXPECT_FALSE(decodeTga(file.data(), cut, picture)) << cut;
        EXPECT_EQ(picture.bits, nullptr);
    }
    Bytes rle = file;
    rle[2] = 10;
    Bytes grey = file;
    grey[2] = 3;
    Bytes sixteen = tgaFile(2, 16, 4, 3, patternBytes(24, 1), false);
    Bytes empty = file;
    empty[12] = empty[13] = 0;
    for (const Bytes& bad : {rle, grey, sixteen, empty})
        EXPECT_FALSE(decodeTga(bad.data(), bad.size(), picture));
}

TEST(TgaReader, PixelsAgreeWithStbImage) {
    struct Case {
        int type, bits;
        bool topLeft;
        Bytes map;
        int mapBits;
    };
    const Bytes map = patternBytes(256 * 3, 77);
    const std::vector<Case> cases = {
        {2, 24, false, {}, 0}, {2, 24, true, {}, 0},   {2, 32, false, {}, 0},
        {2, 32, true, {}, 0},  {1, 8, false, map, 24}, {1, 8, true, map, 24},
    };
    for (const Case& c : cases) {
        const int width = 13, height = 7;
        const Bytes pixels = patternBytes((size_t)width * height * c.bits / 8, c.bits + c.type);
        const Bytes file =
            tgaFile(c.type, c.bits, width, height, pixels, c.topLeft, c.map, c.mapBits, 5);
        DibPicture ours;
        ASSERT_TRUE(decodeTga(file.data(), file.size(), ours));
        int w = 0, h = 0;
        const Bytes reference = stbRgba(file, w, h);
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
        EXPECT_EQ(asRgba(ours), reference) << c.type << " " << c.bits << " " << c.topLeft;
    }
}

TEST(PictureLoader, NameDecidesTheRouteAndStbDecodesTheRest) {
    const Bytes bgr = patternBytes(3 * 2 * 3, 12); // top row first
    Bytes bottomFirst(bgr.begin() + 9, bgr.end());
    bottomFirst.insert(bottomFirst.end(), bgr.begin(), bgr.begin() + 9);
    const Bytes bmp = bmpFile(3, 2, bottomFirst);
    const Bytes tga = tgaFile(2, 24, 3, 2, bgr, true);
    const Bytes garbage(100, 0x42);
    struct Case {
        const char* name;
        const Bytes& content;
        bool decoded;
    };
    const std::vector<Case> cases = {
        {"a.tga", tga, true},          {"a.TGA", tga, true},
        {"photo.tga.bmp", bmp, false}, // .tga anywhere goes to the TGA reader
        {"a.Tga", bmp, true},          // mixed case goes to the general decoder
        {"a.bmp", bmp, true},          {"a.png", garbage, false},
    };
    for (const Case& c : cases) {
        const std::string path = tempPath(c.name);
        ASSERT_TRUE(writeFile(path, c.content));
        DibPicture picture;
        EXPECT_EQ(loadPicture(path, picture), c.decoded) << c.name;
        if (c.decoded) {
            // Both routes give the same top-row-first BGRA picture.
            EXPECT_EQ(pictureBytes(picture).size(), 24u);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    for (int k = 0; k < 3; ++k)
                        EXPECT_EQ(picture.bits[y * picture.pitch + x * 4 + k],
                                  bgr[(y * 3 + x) * 3 + k])
                            << c.name;
        } else {
            EXPECT_EQ(picture.bits, nullptr);
        }
        std::remove(path.c_str());
    }
    DibPicture missing;
    EXPECT_FALSE(loadPicture("/nonexistent/a.png", missing));
    EXPECT_FALSE(loadPicture("/nonexistent/a.tga", missing));
}
