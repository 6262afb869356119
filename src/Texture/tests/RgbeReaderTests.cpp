#include "ImageBytes.h"
#include "RgbeReader.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <utility>

namespace {

// Reads a header from text; the sizes start at -7 and must stay so on failure.
struct Header {
    int result, height = -7, width = -7;
    size_t consumed;
    std::string err;
    explicit Header(const std::string& text) {
        ByteCursor in(reinterpret_cast<const unsigned char*>(text.data()), text.size());
        testing::internal::CaptureStderr();
        result = readRgbeHeader(in, height, width);
        err = testing::internal::GetCapturedStderr();
        consumed = in.position();
    }
};

struct Decoded {
    Texture texture;
    HdrStatus status;
    std::string err;
    explicit Decoded(const Bytes& file) {
        testing::internal::CaptureStderr();
        status = decodeHdr(file.data(), file.size(), texture);
        err = testing::internal::GetCapturedStderr();
    }
    ~Decoded() { std::free(texture.data); }
};

} // namespace

TEST(RgbeReader, HeaderIsReadUpToTheEmptyLineAndRefusesBadOnes) {
    // The header ends at its empty line, however many settings lines it has: a fixed count of
    // lines would take a settings line for the sizes. No line after the format line, several;
    // junk after the sizes.
    for (const std::string text :
         {"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 512 +X 1024\n",
          "#?RGBE\nFORMAT=32-bit_rle_rgbe\nGAMMA=1\nEXPOSURE=2\nA=0 0\n\n-Y 512 +X 1024\n",
          "#?RADIANCE\nSOFTWARE=x\nFORMAT=32-bit_rle_rgbe\n\n-Y   512+X 1024 j\n"}) {
        const Header h(text + "PIXELS");
        EXPECT_EQ(h.result, 0) << text << h.err;
        EXPECT_EQ(h.height * 10000 + h.width, 512 * 10000 + 1024) << text;
        EXPECT_EQ(h.consumed, text.size()) << "stream must stop at the first pixel byte";
    }

    const std::string start = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n";
    std::vector<std::pair<std::string, std::string>> cases = {
        {"P6\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n", "RGBE bad file format: bad initial token"},
        {"#?RADIANCE\n\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n", "no FORMAT specifier found"},
        {std::string("#?RADIANCE\nX\n\0abc\n", 17), "no FORMAT specifier found"},
        {start + "+Y 4 +X 4\n", "missing image size specifier"},
        {start + "-Y 0 +X 4\n", "RGBE bad file format: invalid image size"},
        {start + "-Y 2147483647 +X 2147483647\n", "RGBE bad file format: invalid image size"},
        {start + "-Y 99999999999999999999 +X 4\n", "RGBE bad file format: invalid image size"},
    };
    // A header cut anywhere before its resolution line is a read error, never a size (a lone
    // "#" is a bad token).
    for (size_t cut = 0; cut <= start.size(); cut += cut ? 1 : 2)
        cases.push_back({start.substr(0, cut), "RGBE read error"});
    for (const auto& c : cases) {
        const Header h(c.first);
        EXPECT_EQ(h.result, -1) << c.first;
        EXPECT_NE(h.err.find(c.second), std::string::npos) << c.first << " gave " << h.err;
        EXPECT_EQ(h.height + h.width, -14) << "sizes must stay untouched on failure";
    }
}

TEST(RgbeReader, BadScanlinesAreRefusedWithoutWritingPastTheOutput) {
    const int width = 8;
    const std::vector<std::pair<Bytes, const char*>> bad = {
        {{2, 2, 0, width, 0, 7}, "bad scanline data"},       // count 0
        {{2, 2, 0, width, 128 + 9, 7}, "bad scanline data"}, // run crosses the plane
        {{2, 2, 0, width, 128 + 4, 1, 5, 1, 2, 3, 4, 5}, "bad scanline data"}, // literal too
        {{2, 2, 0, 9, 128 + 8, 1}, "wrong scanline width"},
        {{2, 2, 0, width, 8, 1, 2, 3}, "RGBE read error"}, // literal cut short
        {{2, 2, 0, width, 128 + 8}, "RGBE read error"},    // pair cut short
        {{2, 2, 0}, "RGBE read error"},                    // scanline header cut
        {{2, 2, 0x80, 1, 4}, "RGBE read error"},           // no scanline header: flat, cut short
    };
    for (const auto& c : bad) {
        std::vector<float> out(width * 2 * 3 + 64, -1.0f); // two rows and a guard region
        ByteCursor in(c.first.data(), c.first.size());
        testing::internal::CaptureStderr();
        EXPECT_EQ(readRgbePixelsRle(in, out.data(), width, 2), -1) << c.second;
        EXPECT_NE(testing::internal::GetCapturedStderr().find(c.second), std::string::npos);
        for (size_t i = width * 2 * 3; i < out.size(); ++i)
            EXPECT_EQ(out[i], -1.0f) << "wrote past the pixels at " << i;
    }
}

TEST(RgbeReader, WholeFilesAgreeWithStbImage) {
    // Width, height, run-length encoded: widths under 8 or from 32768 up never are.
    const int shapes[][3] = {{300, 5, 1}, {37, 4, 1}, {7, 6, 0}, {40000, 1, 0}};
    for (const auto& s : shapes) {
        Bytes rgbe = patternBytes((size_t)s[0] * s[1] * 4, s[0] * 31 + s[1]);
        for (size_t i = 3; i < rgbe.size(); i += 4 * 13)
            rgbe[i] = 0; // black whatever the mantissas
        const Bytes file = rgbeFile(s[0], s[1], rgbe, s[2]);
        Decoded ours(file);
        ASSERT_EQ(ours.status, HdrStatus::Loaded) << ours.err;
        int w = 0, h = 0, n = 0;
        float* reference = stbi_loadf_from_memory(file.data(), (int)file.size(), &w, &h, &n, 3);
        ASSERT_NE(reference, nullptr);
        ASSERT_EQ(std::make_pair(ours.texture.width, ours.texture.height), std::make_pair(w, h));
        EXPECT_EQ(std::memcmp(ours.texture.data, reference, (size_t)w * h * 12), 0) << w;
        stbi_image_free(reference);
    }
}

TEST(RgbeReader, DamagedFilesNeverLeaveUndefinedPixels) {
    const int width = 64, height = 8;
    const Bytes file = rgbeFile(width, height, patternBytes(width * height * 4, 5), true);

    // A rejected header, or a tiny file claiming a huge image, leaves the record empty.
    Bytes badHeader = file;
    badHeader[0] = 'X';
    for (const Bytes& bad : {badHeader, rgbeFile(30000, 30000, Bytes(16, 1), false)}) {
        Decoded refused(bad);
        EXPECT_EQ(refused.status, HdrStatus::Refused);
        EXPECT_EQ(refused.texture.data, nullptr);
        EXPECT_EQ(refused.texture.width + refused.texture.height, 0);
        EXPECT_NE(refused.err.find("RGBE"), std::string::npos);
    }

    // Cut in the last scanline: what was read is kept and the rest is black.
    Decoded whole(file);
    ASSERT_EQ(whole.status, HdrStatus::Loaded);
    Decoded cut(Bytes(file.begin(), file.end() - 40));
    ASSERT_EQ(cut.status, HdrStatus::Damaged);
    EXPECT_NE(cut.err.find("RGBE read error"), std::string::npos);
    const float* b = reinterpret_cast<const float*>(cut.texture.data);
    const size_t kept = (height - 1) * width * 3;
    EXPECT_EQ(std::memcmp(whole.texture.data, b, kept * 4), 0);
    for (size_t i = kept; i < kept + width * 3; ++i)
        ASSERT_EQ(b[i], 0.0f) << i;
}

TEST(RgbeReader, FileInterfaceStopsAtThePixelsAndMissingFilesEndTheProgram) {
    Bytes file = rgbeFile(40, 6, patternBytes(40 * 6 * 4, 9), true);
    std::FILE* f = fmemopen(file.data(), file.size(), "rb");
    int h = 0, w = 0;
    ASSERT_EQ(readRgbeHeader(f, h, w), 0);
    std::vector<float> pixels((size_t)w * h * 3);
    EXPECT_EQ(readRgbePixelsRle(f, pixels.data(), w, h), 0);
    EXPECT_EQ(std::fgetc(f), EOF);
    std::fclose(f);
    Texture missing;
    EXPECT_EXIT(loadHdr("/nonexistent/sky.hdr", missing), testing::ExitedWithCode(1),
                "Error opening HDR file: /nonexistent/sky.hdr");
}
