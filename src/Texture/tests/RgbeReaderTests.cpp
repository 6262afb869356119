#include "ImageBytes.h"
#include "RgbeReader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <stb/stb_image.h>

namespace {

int header(const std::string& text, int& height, int& width, size_t* consumed = nullptr) {
    ByteCursor in(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    int result = readRgbeHeader(in, height, width);
    if (consumed)
        *consumed = in.position();
    return result;
}

std::string headerError(const std::string& text) {
    int height = -7, width = -7;
    testing::internal::CaptureStderr();
    int result = header(text, height, width);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, -1) << text;
    EXPECT_EQ(height, -7) << "sizes must stay untouched on failure";
    EXPECT_EQ(width, -7);
    return err;
}

Bytes randomRgbe(int width, int height, uint32_t seed) {
    Bytes rgbe = patternBytes((size_t)width * height * 4, seed);
    // A few black pixels (exponent 0) whatever their mantissas.
    for (size_t i = 3; i < rgbe.size(); i += 4 * 13)
        rgbe[i] = 0;
    return rgbe;
}

// Decodes with stb_image as an independent reference.
std::vector<float> stbPixels(const Bytes& file, int& width, int& height) {
    int channels = 0;
    float* p = stbi_loadf_from_memory(file.data(), (int)file.size(), &width, &height, &channels, 3);
    std::vector<float> out;
    if (p)
        out.assign(p, p + (size_t)width * height * 3);
    stbi_image_free(p);
    return out;
}

struct Decoded {
    Texture texture;
    HdrStatus status;
    std::string err;
    ~Decoded() { std::free(texture.data); }
};

void decode(const Bytes& file, Decoded& out) {
    testing::internal::CaptureStderr();
    out.status = decodeHdr(file.data(), file.size(), out.texture);
    out.err = testing::internal::GetCapturedStderr();
}

// Runs readRgbePixelsRle over raw scanline bytes into an output with a guard region behind it.
int readScanlines(const Bytes& data, int width, int height, std::vector<float>& out,
                  std::string& err) {
    const size_t floats = (size_t)width * height * 3;
    out.assign(floats + 64, -1.0f);
    ByteCursor in(data.data(), data.size());
    testing::internal::CaptureStderr();
    int result = readRgbePixelsRle(in, out.data(), width, height);
    err = testing::internal::GetCapturedStderr();
    for (size_t i = floats; i < out.size(); ++i)
        EXPECT_EQ(out[i], -1.0f) << "wrote past the pixels at " << i;
    out.resize(floats);
    return result;
}

} // namespace

TEST(RgbeReader, ConvertsSharedExponentWithoutOffset) {
    float rgb[3];
    const unsigned char unit[4] = {1, 2, 3, 136};
    rgbeToFloat(unit, rgb);
    EXPECT_EQ(rgb[0], 1.0f);
    EXPECT_EQ(rgb[1], 2.0f);
    EXPECT_EQ(rgb[2], 3.0f);

    const unsigned char black[4] = {200, 100, 50, 0};
    rgbeToFloat(black, rgb);
    EXPECT_EQ(rgb[0], 0.0f);
    EXPECT_EQ(rgb[1], 0.0f);
    EXPECT_EQ(rgb[2], 0.0f);

    // The extremes: the smallest factor is a denormal, the largest 2^119.
    for (int e = 1; e < 256; ++e) {
        const unsigned char px[4] = {255, 128, 1, (unsigned char)e};
        rgbeToFloat(px, rgb);
        EXPECT_EQ(rgb[0], (float)(255 * std::ldexp(1.0, e - 136))) << e;
        EXPECT_EQ(rgb[2], (float)std::ldexp(1.0, e - 136)) << e;
    }
}

TEST(RgbeReader, HeaderIsReadUpToTheEmptyLine) {
    const std::string tail = "-Y 512 +X 1024\n";
    const std::vector<std::string> accepted = {
        // The shape of the system's own files: one line after the format line.
        "#?RADIANCE\n# comment\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n" + tail,
        // What most writers produce: the empty line right after the format line.
        "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n" + tail,
        // Several lines after it, and the format line as the very first line.
        "#?RGBE\nFORMAT=32-bit_rle_rgbe\nGAMMA=1\nEXPOSURE=2\nPRIMARIES=0 0 0 0 0 0 0 0\n\n" + tail,
        std::string("#?RADIANCE\nSOFTWARE=x\nFORMAT=32-bit_rle_rgbe\n\n-Y   512+X 1024 junk\n"),
    };
    for (const std::string& text : accepted) {
        int height = 0, width = 0;
        size_t consumed = 0;
        EXPECT_EQ(header(text + "PIXELS", height, width, &consumed), 0) << text;
        EXPECT_EQ(height, 512) << text;
        EXPECT_EQ(width, 1024) << text;
        EXPECT_EQ(consumed, text.size()) << "stream must stop at the first pixel byte";
    }
}

TEST(RgbeReader, HeaderRefusesMalformedOrUnaddressableSizes) {
    const std::string start = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n";
    EXPECT_NE(headerError("P6\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n")
                  .find("RGBE bad file format: bad initial token"),
              std::string::npos);
    EXPECT_NE(headerError("#?RADIANCE\n\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n")
                  .find("no FORMAT specifier found"),
              std::string::npos);
    // A carriage return spoils the format line; the scan runs into the empty line.
    EXPECT_NE(headerError("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\r\n\n-Y 1 +X 1\n")
                  .find("no FORMAT specifier found"),
              std::string::npos);
    EXPECT_NE(headerError(std::string("#?RADIANCE\nX\n\0abc\n", 17)).find("no FORMAT"),
              std::string::npos);
    for (const char* size : {"+Y 4 +X 4\n", "-Y 4 -X 4\n", "-Y4\n", " -Y 4 +X 4\n", "-Y x +X 4\n"})
        EXPECT_NE(headerError(start + size).find("missing image size specifier"), std::string::npos)
            << size;
    for (const char* size : {"-Y 0 +X 4\n", "-Y 4 +X 0\n", "-Y -4 +X 4\n", "-Y 4 +X -1\n",
                             "-Y 2147483647 +X 2147483647\n", "-Y 99999999999999999999 +X 4\n"})
        EXPECT_NE(headerError(start + size).find("RGBE bad file format: invalid image size"),
                  std::string::npos)
            << size;
    // A header cut anywhere before its resolution line is a read error, never a size.
    EXPECT_NE(headerError("").find("RGBE read error"), std::string::npos);
    for (size_t cut = 2; cut <= start.size(); ++cut)
        EXPECT_NE(headerError(start.substr(0, cut)).find("RGBE read error"), std::string::npos)
            << cut;
}

TEST(RgbeReader, ScanlineRunsAndLiteralsExpandExactly) {
    // Width 72: red plane one run (200, 5) of 72; green a literal of 72 bytes; blue a run of 8
    // and a literal pair (128, 9) that is too long would cross the plane (checked below).
    const int width = 72;
    Bytes data = {2, 2, 0, width, 200, 5};
    data.push_back(72);
    for (int x = 0; x < width; ++x)
        data.push_back((unsigned char)x);
    data.insert(data.end(), {128 + 64, 1, 8, 2, 2, 2, 2, 2, 2, 2, 2});
    data.insert(data.end(), {128 + 72, 136});
    std::vector<float> out;
    std::string err;
    ASSERT_EQ(readScanlines(data, width, 1, out, err), 0) << err;
    for (int x = 0; x < width; ++x) {
        EXPECT_EQ(out[3 * x + 0], 5.0f);
        EXPECT_EQ(out[3 * x + 1], (float)x);
        EXPECT_EQ(out[3 * x + 2], x < 64 ? 1.0f : 2.0f);
    }

    // (128, 9): a literal run of 128 bytes that starts with 9.
    const int wide = 128;
    Bytes literal = {2, 2, 0, wide, 128, 9};
    for (int x = 1; x < wide; ++x)
        literal.push_back((unsigned char)x);
    literal.insert(literal.end(), {128 + 127, 0, 128 + 1, 0, 128 + 127, 0, 128 + 1, 0});
    literal.insert(literal.end(), {128 + 127, 136, 128 + 1, 136});
    ASSERT_EQ(readScanlines(literal, wide, 1, out, err), 0) << err;
    EXPECT_EQ(out[0], 9.0f);
    EXPECT_EQ(out[3 * 127], 127.0f);
}

TEST(RgbeReader, BadScanlinesAreRefusedWithoutWritingPastTheOutput) {
    const int width = 8;
    struct Case {
        Bytes data;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{2, 2, 0, width, 0, 7}, "bad scanline data"},       // count 0
        {{2, 2, 0, width, 128 + 9, 7}, "bad scanline data"}, // run crosses the plane
        {{2, 2, 0, width, 128 + 4, 1, 5, 1, 2, 3, 4, 5}, "bad scanline data"}, // literal too
        {{2, 2, 0, 9, 128 + 8, 1}, "wrong scanline width"},
        {{2, 2, 0, width, 8, 1, 2, 3}, "RGBE read error"}, // literal cut short
        {{2, 2, 0, width, 128 + 8}, "RGBE read error"},    // pair cut short
        {{2, 2, 0}, "RGBE read error"},                    // scanline header cut
    };
    for (const Case& c : cases) {
        std::vector<float> out;
        std::string err;
        EXPECT_EQ(readScanlines(c.data, width, 2, out, err), -1) << c.message;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}

TEST(RgbeReader, NarrowWideAndUnmarkedScanlinesAreReadFlat) {
    // Width 7 and 40000 are never run-length encoded: bytes that look like a scanline header
    // are a pixel.
    for (int width : {7, 40000}) {
        Bytes data(width * 4, 0);
        data[0] = 2, data[1] = 2, data[2] = 0, data[3] = 136;
        data[4 * (width - 1)] = 3, data[4 * (width - 1) + 3] = 137;
        std::vector<float> out;
        std::string err;
        ASSERT_EQ(readScanlines(data, width, 1, out, err), 0) << width;
        EXPECT_EQ(out[0], 2.0f);
        EXPECT_EQ(out[1], 2.0f);
        EXPECT_EQ(out[3 * (width - 1)], 6.0f);
    }
    // (2, 2, 0x80, x) is no scanline header: from there on the file is flat, and those four
    // bytes are the first pixel of that scanline.
    const int width = 8;
    Bytes data = {2, 2, 0, width, 128 + 8, 1, 128 + 8, 1, 128 + 8, 1, 128 + 8, 136};
    data.insert(data.end(), {2, 2, 0x80, 137});
    for (int i = 1; i < width; ++i)
        data.insert(data.end(), {4, 4, 4, 136});
    std::vector<float> out;
    std::string err;
    ASSERT_EQ(readScanlines(data, width, 2, out, err), 0) << err;
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[3 * width + 0], 4.0f);
    EXPECT_EQ(out[3 * width + 2], 256.0f);
    EXPECT_EQ(out[3 * width + 3], 4.0f);
    // The same switch with too little data left is a read error.
    data.resize(data.size() - 2);
    EXPECT_EQ(readScanlines(data, width, 2, out, err), -1);
    EXPECT_NE(err.find("RGBE read error"), std::string::npos);
}

TEST(RgbeReader, WholeFilesAgreeWithStbImage) {
    struct Shape {
        int width, height;
        bool rle;
        std::vector<std::string> lines;
    };
    const std::vector<Shape> shapes = {
        {8, 3, true, {"EXPOSURE=1.0"}},  {300, 5, true, {}}, {37, 4, true, {"A=1", "B=2", "C=3"}},
        {7, 6, false, {"EXPOSURE=1.0"}}, {20, 2, false, {}},
    };
    for (const Shape& s : shapes) {
        const Bytes rgbe = randomRgbe(s.width, s.height, s.width * 31 + s.height);
        const Bytes file = rgbeFile(s.width, s.height, rgbe, s.rle, s.lines);
        Decoded ours;
        decode(file, ours);
        ASSERT_EQ(ours.status, HdrStatus::Loaded) << ours.err;
        EXPECT_NE(ours.err.find("Texture size: " + std::to_string(s.width) + " x " +
                                std::to_string(s.height)),
                  std::string::npos);
        int w = 0, h = 0;
        const std::vector<float> reference = stbPixels(file, w, h);
        ASSERT_EQ(w, s.width);
        ASSERT_EQ(h, s.height);
        ASSERT_EQ(ours.texture.width, w);
        ASSERT_EQ(ours.texture.height, h);
        EXPECT_EQ(ours.texture.format, (GLenum)GL_RGB);
        EXPECT_EQ(ours.texture.type, (GLenum)GL_FLOAT);
        EXPECT_EQ(std::memcmp(ours.texture.data, reference.data(), reference.size() * 4), 0)
            << s.width << " x " << s.height;
    }
}

TEST(RgbeReader, DamagedFilesNeverLeaveUndefinedPixels) {
    const int width = 64, height = 8;
    const Bytes file = rgbeFile(width, height, randomRgbe(width, height, 5), true);

    // A header the reader rejects leaves the record empty: nothing is allocated.
    Bytes bad = file;
    bad[0] = 'X';
    Decoded refused;
    decode(bad, refused);
    EXPECT_EQ(refused.status, HdrStatus::Refused);
    EXPECT_EQ(refused.texture.data, nullptr);
    EXPECT_EQ(refused.texture.width, 0);
    EXPECT_EQ(refused.texture.height, 0);

    // A tiny file claiming a huge image is refused before the pixel block is allocated.
    Decoded huge;
    decode(rgbeFile(30000, 30000, Bytes(16, 1), false), huge);
    EXPECT_EQ(huge.status, HdrStatus::Refused);
    EXPECT_EQ(huge.texture.data, nullptr);
    EXPECT_NE(huge.err.find("RGBE read error"), std::string::npos);

    // Cut in the last scanline: what was read is kept and the rest is black.
    Decoded whole;
    decode(file, whole);
    ASSERT_EQ(whole.status, HdrStatus::Loaded);
    Decoded cut;
    decode(Bytes(file.begin(), file.end() - 40), cut);
    ASSERT_EQ(cut.status, HdrStatus::Damaged);
    EXPECT_NE(cut.err.find("RGBE read error"), std::string::npos);
    const float* a = reinterpret_cast<const float*>(whole.texture.data);
    const float* b = reinterpret_cast<const float*>(cut.texture.data);
    const size_t rowFloats = width * 3;
    EXPECT_EQ(std::memcmp(a, b, (height - 1) * rowFloats * 4), 0);
    for (size_t i = (height - 1) * rowFloats; i < height * rowFloats; ++i)
        ASSERT_EQ(b[i], 0.0f) << i;
}

TEST(RgbeReader, StreamInterfaceStopsAtThePixelsAndReadsThem) {
    const int width = 40, height = 6;
    const Bytes file = rgbeFile(width, height, randomRgbe(width, height, 9), true);
    const std::string path = testing::TempDir() + "stream.hdr";
    ASSERT_TRUE(writeFile(path, file));

    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    int h = 0, w = 0;
    ASSERT_EQ(readRgbeHeader(f, h, w), 0);
    EXPECT_EQ(h, height);
    EXPECT_EQ(w, width);
    const std::string text(file.begin(), file.end());
    EXPECT_EQ(std::ftell(f), (long)(text.find("+X 40\n") + 6));
    std::vector<float> pixels((size_t)width * height * 3);
    ASSERT_EQ(readRgbePixelsRle(f, pixels.data(), w, h), 0);
    EXPECT_EQ(std::fgetc(f), EOF);
    std::fclose(f);

    Texture loaded;
    testing::internal::CaptureStderr();
    loadHdr(path, loaded);
    testing::internal::GetCapturedStderr();
    ASSERT_NE(loaded.data, nullptr);
    EXPECT_EQ(std::memcmp(loaded.data, pixels.data(), pixels.size() * 4), 0);
    std::free(loaded.data);
    std::remove(path.c_str());

    EXPECT_EXIT(loadHdr("/nonexistent/sky.hdr", loaded), testing::ExitedWithCode(1),
                "Error opening HDR file: /nonexistent/sky.hdr");
}
