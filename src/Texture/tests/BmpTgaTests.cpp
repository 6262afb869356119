#include "ImageBytes.h"
#include "ImageLoaders.h"
#include "TestFolders.h"

#include <algorithm>
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

// stb_image's RGBA, top row first; empty if it refuses the file.
Bytes stbRgba(const Bytes& file) {
    int w = 0, h = 0, n = 0;
    unsigned char* p = stbi_load_from_memory(file.data(), (int)file.size(), &w, &h, &n, 4);
    Bytes out(p, p + (p ? (size_t)w * h * 4 : 0));
    stbi_image_free(p);
    return out;
}

Bytes pictureBytes(const DibPicture& picture) {
    return Bytes(picture.bits, picture.bits + (size_t)picture.pitch * picture.height);
}

// An 8x8 grey baseline JPEG with the DC step +32767 and no AC terms: white with quantisation
// table 0 all ones, or naming table 0 without defining it.
Bytes dcStepJpeg(bool defineTable) {
    Bytes out = {0xFF, 0xD8};
    auto segment = [&](unsigned char marker, Bytes body) {
        out.insert(out.end(), {0xFF, marker, 0, (unsigned char)(body.size() + 2)});
        out.insert(out.end(), body.begin(), body.end());
    };
    if (defineTable) {
        Bytes table(65, 1);
        table[0] = 0; // 8-bit values, table 0
        segment(0xDB, table);
    }
    segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    // One code each, "0": DC category 15, AC end of block.
    Bytes dc(17), ac(17);
    dc[1] = ac[1] = 1;
    ac[0] = 0x10;
    dc.push_back(15), ac.push_back(0);
    segment(0xC4, dc);
    segment(0xC4, ac);
    segment(0xDA, {1, 1, 0x00, 0, 63, 0});
    // "0", fifteen ones, "0", then ones to the byte's end.
    out.insert(out.end(), {0x7F, 0xFF, 0x00, 0x7F, 0xFF, 0xD9});
    return out;
}

} // namespace

TEST(BmpReader, PixelsAgreeWithStbImageWhateverPaddingOrRowOrder) {
    const int widths[] = {1, 2, 3, 4, 17}; // each with 0 to 3 bytes of row padding
    for (int k = 0; k < 20; ++k) {
        const int width = widths[k / 4], height = 3, gap = k & 2 ? 10 : 0;
        const bool topDown = k & 1;
        const Bytes bgr = patternBytes((size_t)width * height * 3, k);
        Bmp ours(bmpFile(width, height, bgr, topDown, gap));
        ASSERT_EQ(ours.status, BmpStatus::Loaded);
        ASSERT_EQ(ours.texture.width * 10 + ours.texture.height, width * 10 + height);
        // This stb_image refuses a gap before the pixels; the same picture without one is its
        // reference, turned to keep the bottom row first as ours does.
        stbi_set_flip_vertically_on_load(true);
        const Bytes reference = stbRgba(bmpFile(width, height, bgr, topDown));
        stbi_set_flip_vertically_on_load(false);
        EXPECT_EQ(Bytes(ours.texture.data, ours.texture.data + width * height * 4), reference)
            << width << " case " << k;
    }
}

TEST(BmpReader, RefusesWrongHeadersSizesAndTruncation) {
    const Bytes bgr = patternBytes(5 * 3 * 3, 1);
    Bytes deep = bmpFile(5, 3, bgr), planes = deep;
    deep[28] = 32, planes[26] = 2;
    EXPECT_EQ(Bmp(deep).status, BmpStatus::BadBitsPerPixel);
    EXPECT_EQ(Bmp(planes).status, BmpStatus::BadPlanes);

    // Zero or negative sizes are refused; sizes needing more pixels than the file holds,
    // however large, are a truncated file.
    const std::vector<std::pair<std::pair<uint32_t, uint32_t>, BmpStatus>> sizes = {
        {{0u, 3u}, BmpStatus::BadSize},          {{-5u, 3u}, BmpStatus::BadSize},
        {{5u, 0x80000000u}, BmpStatus::BadSize}, {{0x7fffffffu, 0x7fffffffu}, BmpStatus::Truncated},
        {{6u, 3u}, BmpStatus::Truncated},        {{65536u, 65536u}, BmpStatus::Truncated},
    };
    for (const auto& c : sizes) {
        Bytes file = bmpFile(5, 3, bgr);
        for (int i = 0; i < 8; ++i) // width and height fields
            file[18 + i] = (i < 4 ? c.first.first : c.first.second) >> (8 * (i % 4));
        Bmp bad(file);
        EXPECT_EQ(bad.status, c.second) << c.first.first << " x " << c.first.second;
        EXPECT_EQ(bad.texture.data, nullptr);
    }

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

    const ScratchFolder folder;
    const std::string path = folder.file("short.bmp");
    ASSERT_TRUE(writeFile(path, Bytes(29, 0)));
    Texture texture;
    EXPECT_EXIT(loadBmp(path, texture), testing::ExitedWithCode(1), "Truncated BMP file: " + path);
}

TEST(TgaReader, PixelsAgreeWithStbImage) {
    // Type, bits a pixel, top-left origin, bits a map entry: true colour, grey, colour-mapped.
    const int cases[][4] = {{2, 24, 0, 0}, {2, 24, 1, 0}, {2, 32, 0, 0},
                            {2, 8, 0, 0},  {1, 8, 1, 24}, {1, 8, 0, 32}};
    for (const auto& c : cases) {
        const int width = 13, height = 7;
        const Bytes pixels = patternBytes((size_t)width * height * c[1] / 8, c[0] + c[1]);
        const Bytes map = patternBytes(256 * c[3] / 8, 77);
        const Bytes file = tgaFile(c[0], c[1], width, height, pixels, c[2], map, c[3], 5);
        DibPicture ours;
        ASSERT_TRUE(decodeTga(file.data(), file.size(), ours));
        Bytes rgba = pictureBytes(ours); // BGRA to stb's channel order
        for (size_t i = 0; i < rgba.size(); i += 4)
            std::swap(rgba[i], rgba[i + 2]);
        EXPECT_EQ(rgba, stbRgba(file)) << c[0] << " " << c[1] << " " << c[3];
    }
    // A colour map in a true-colour file is skipped, not read as pixels.
    const Bytes mapped = tgaFile(2, 24, 1, 1, {10, 20, 30}, false, Bytes(6, 99), 24);
    DibPicture picture;
    ASSERT_TRUE(decodeTga(mapped.data(), mapped.size(), picture));
    EXPECT_EQ(pictureBytes(picture), Bytes({10, 20, 30, 255}));
}

TEST(TgaReader, RefusesBadMapsOtherTypesDepthsAndShortFiles) {
    const Bytes file = tgaFile(2, 24, 4, 3, patternBytes(4 * 3 * 3, 8), false);
    DibPicture picture;
    ASSERT_TRUE(decodeTga(file.data(), file.size(), picture));
    std::vector<Bytes> refused = {
        // An index outside the map, a missing map, 16-bit map entries, a map with 24-bit pixels.
        tgaFile(1, 8, 3, 1, {2, 0, 3}, false, Bytes(9, 1), 24),
        tgaFile(1, 8, 3, 1, {2, 0, 1}, false),
        tgaFile(1, 8, 3, 1, {2, 0, 1}, false, Bytes(6, 1), 16),
        tgaFile(1, 24, 1, 1, {0, 0, 0}, false, Bytes(9, 1), 24),
        tgaFile(2, 16, 4, 3, patternBytes(24, 1), false),
    };
    // Grey and run-length types, zero width.
    for (const auto& patch : {std::pair<int, int>{2, 3}, {2, 10}, {12, 0}}) {
        refused.push_back(file);
        refused.back()[patch.first] = patch.second;
    }
    for (size_t cut = 0; cut < file.size(); ++cut)
        refused.push_back(Bytes(file.begin(), file.begin() + cut));
    for (const Bytes& bad : refused) {
        EXPECT_FALSE(decodeTga(bad.data(), bad.size(), picture)) << bad.size();
        EXPECT_EQ(picture.bits, nullptr);
        EXPECT_EQ(picture.width, 0);
    }
}

TEST(PictureLoader, NameDecidesTheRouteAndStbDecodesTheRest) {
    // Only ".TGA" or ".tga" takes the TGA route: this BMP goes to stb_image and comes out top
    // row first in BGRA, like a TGA; bytes stb_image cannot read are refused.
    const Bytes bgr = patternBytes(3 * 2 * 3, 12); // top row first
    Bytes bottomFirst = bgr;
    std::rotate(bottomFirst.begin(), bottomFirst.begin() + 9, bottomFirst.end());
    const ScratchFolder folder;
    const std::string path = folder.file("a.Tga");
    ASSERT_TRUE(writeFile(path, bmpFile(3, 2, bottomFirst)));
    DibPicture picture;
    ASSERT_TRUE(loadPicture(path, picture));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Bytes(picture.bits + 4 * i, picture.bits + 4 * i + 3),
                  Bytes(bgr.begin() + 3 * i, bgr.begin() + 3 * i + 3))
            << "pixel " << i;
    ASSERT_TRUE(writeFile(path, Bytes(100, 0x42)));
    DibPicture refused;
    EXPECT_FALSE(loadPicture(path, refused));
    EXPECT_EQ(refused.bits, nullptr);
}

TEST(PictureLoader, JpegTableNeverDefinedReadsAsZeros) {
    // A flat mid-grey, whatever the decoder's previous file left in the heap: there, a table of
    // ones, which would make the picture white.
    const Bytes white = dcStepJpeg(true), undefined = dcStepJpeg(false);
    DibPicture picture;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(decodePicture(white.data(), white.size(), picture));
        EXPECT_EQ(picture.bits[0], 255);
        ASSERT_TRUE(decodePicture(undefined.data(), undefined.size(), picture));
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(Bytes(picture.bits + 4 * i, picture.bits + 4 * i + 4),
                      Bytes({128, 128, 128, 255}))
                << "pixel " << i;
    }
}
