#include "HdrLight.h"
#include "ImageBytes.h"
#include "ShTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "hdrlight_" + std::to_string(getpid()) + "_" + name;
}

// A size x size probe, flat RGBE: value 1 (mantissa 128, exponent 129) where bright, else 0.
template <typename Bright>
std::string writeProbe(const std::string& name, int size, Bright bright) {
    Bytes rgbe((size_t)size * size * 4, 0);
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column)
            if (bright(row, column)) {
                unsigned char* p = &rgbe[((size_t)row * size + column) * 4];
                p[0] = p[1] = p[2] = 128, p[3] = 129;
            }
    const std::string path = tempPath(name);
    EXPECT_TRUE(writeFile(path, rgbeFile(size, size, rgbe, true)));
    return path;
}

std::string calcHdrLight(const std::string& path, std::uint32_t seed) {
    testSeed = seed;
    setSampleSeedSource([] { return testSeed; });
    testing::internal::CaptureStdout();
    EXPECT_TRUE(CalcHdrLight(path));
    setSampleSeedSource(nullptr);
    return testing::internal::GetCapturedStdout();
}

rlim_t addressSpaceInUse() {
    unsigned long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return (rlim_t)pages * sysconf(_SC_PAGESIZE);
}

// Start-up messages that go to standard output, sent to standard error where a death test can
// match them.
void stdoutToStderr() {
    dup2(2, 1);
}

void loadUnderMemoryLimit(const std::string& path) {
    stdoutToStderr();
    rlimit limit = {addressSpaceInUse() + (256u << 20), RLIM_INFINITY};
    setrlimit(RLIMIT_AS, &limit);
    int width = 0, height = 0;
    LoadHdrProbe(path, width, height);
}

} // namespace

TEST(HdrLight, ConstantSkyProjectsOntoBandZeroOnlyAndPrintsItsLines) {
    const std::string path = writeProbe("constant.hdr", 512, [](int, int) { return true; });
    const std::string out = calcHdrLight(path, 7);
    std::remove(path.c_str());

    // Half the lookup scale of a constant 1 over the sphere: 0.5 sqrt(4 pi).
    EXPECT_NEAR(envRed[0], 1.7725, 2e-3);
    std::ostringstream expected;
    expected << "Calculating Hdr Information ...\n\n Loading HDR Image: " << path
             << "\n HDR Image size: 512 x 512\n HDR Image loaded successfully\n";
    for (int j = 0; j < SH_COEFFICIENTS; ++j) {
        if (j > 0) {
            EXPECT_NEAR(envRed[j], 0.0, 0.01) << j;
        }
        EXPECT_EQ(envGreen[j], envRed[j]);
        EXPECT_EQ(envBlue[j], envRed[j]);
        expected << "envRed[" << j << "]=" << envRed[j] << "\n";
    }
    expected << "Done!\n\n";
    EXPECT_EQ(out, expected.str());
    EXPECT_EQ(hdrProbeWidth * 1000 + hdrProbeHeight, 512512);
}

TEST(HdrLight, ProbeBrightInItsLowerRowsLeansTowardItsPlusY) {
    // Rows grow with v = y r: the lower rows look toward the probe frame's +y.
    const std::string path = writeProbe("lower.hdr", 256, [](int row, int) { return row >= 192; });
    calcHdrLight(path, 11);
    std::remove(path.c_str());
    const double towardPlusY = evalSH(1, -1, M_PI / 2, M_PI / 2);
    EXPECT_GT(std::abs(envRed[1]), 0.1);
    EXPECT_EQ(envRed[1] > 0, towardPlusY > 0) << envRed[1];
    EXPECT_NEAR(envRed[3], 0.0, 0.02) << "symmetric in x";
}

TEST(HdrLight, LookupAlwaysLandsInsideTheImage) {
    // A 7 x 5 image whose pixels hold their own index, between guard values of -1.
    const int width = 7, height = 5, guard = 64;
    std::vector<float> buffer((width * height + 2 * guard) * 3, -1.0f);
    float* pixels = buffer.data() + guard * 3;
    for (int i = 0; i < width * height; ++i)
        pixels[i * 3] = pixels[i * 3 + 1] = pixels[i * 3 + 2] = (float)i;
    auto pixelToward = [&](double x, double y, double z) {
        float rgb[3];
        probeLookup(pixels, width, height, 1.0f, x, y, z, rgb);
        return (int)rgb[0];
    };
    const int centre = (height / 2) * width + width / 2;
    EXPECT_EQ(pixelToward(0, 0, 1), centre);
    EXPECT_EQ(pixelToward(1e-30, 0, 1), centre);
    EXPECT_EQ(pixelToward(0, 0, -1), (height - 1) * width + width / 2) << "a rim pixel";
    EXPECT_EQ(pixelToward(1, 0, 0), (height / 2) * width + (int)(0.5f * width + width) / 2);
    // Beyond the rim, unnormalised and undefined directions still read a pixel of the image.
    const double odd[][3] = {{-1e-9, 1e-9, -1}, {1e-9, -1e-9, -1.5}, {3, 4, 0}, {NAN, 0, 1}};
    for (const auto& d : odd) {
        const int index = pixelToward(d[0], d[1], d[2]);
        EXPECT_TRUE(index >= 0 && index < width * height) << d[0] << " " << d[1] << " " << d[2];
    }
    const OwnedSampleSet set(3);
    for (const ShSample& s : set.samples)
        ASSERT_GE(pixelToward(s.x, s.y, s.z), 0) << s.theta << " " << s.phi;
}

TEST(HdrLight, UnreadableProbesEndStartUpWithExitCodeOne) {
    int width = 0, height = 0;
    const std::string missing = tempPath("missing.hdr");
    EXPECT_EXIT((stdoutToStderr(), LoadHdrProbe(missing, width, height)),
                testing::ExitedWithCode(1), " Error opening HDR file: " + missing);

    const std::string badHeader = tempPath("header.hdr");
    ASSERT_TRUE(writeFile(badHeader, Bytes{'#', '?', 'R', '\n', '\n', '-', 'Y', ' ', '4'}));
    EXPECT_EXIT(LoadHdrProbe(badHeader, width, height), testing::ExitedWithCode(1),
                "no FORMAT specifier found\n Bad header in HDR file: " + badHeader);
    std::remove(badHeader.c_str());

    // A header claiming 30000 x 30000 pixels over a few bytes is refused before allocating.
    const std::string claim = tempPath("claim.hdr");
    Bytes huge = rgbeFile(30000, 30000, {}, false);
    huge.resize(huge.size() + 4096, 1);
    ASSERT_TRUE(writeFile(claim, huge));
    EXPECT_EXIT(LoadHdrProbe(claim, width, height), testing::ExitedWithCode(1),
                "HDR file too short for 30000 x 30000 pixels");
    std::remove(claim.c_str());

    // 8192 x 8192 run-length scanlines (4.3 MB) whose 805 MB of floats do not fit under a limit.
    const std::string big = tempPath("big.hdr");
    {
        const int w = 8192;
        Bytes line = {2, 2, (unsigned char)(w >> 8), (unsigned char)(w & 0xff)};
        for (int plane = 0; plane < 4; ++plane)
            for (int left = w; left > 0; left -= 127)
                line.insert(line.end(), {(unsigned char)(128 + std::min(left, 127)), 100});
        std::ofstream out(big, std::ios::binary);
        out << "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n-Y 8192 +X 8192\n";
        for (int row = 0; row < w; ++row)
            out.write(reinterpret_cast<const char*>(line.data()), line.size());
    }
    EXPECT_EXIT(loadUnderMemoryLimit(big), testing::ExitedWithCode(1),
                " Not enough memory to load hdr file!");
    std::remove(big.c_str());
}

TEST(HdrLight, DamagedPixelsAreReportedAndStayBlack) {
    // Scanline 0 is whole; scanline 1 announces the wrong width.
    const int w = 16;
    Bytes rgbe(w * 2 * 4, 0);
    for (int x = 0; x < w; ++x)
        rgbe[x * 4] = 128, rgbe[x * 4 + 3] = 129;
    Bytes file = rgbeFile(w, 2, rgbe, true);
    const size_t second = file.size() - 12; // 4 bytes of header and a run pair per plane
    ASSERT_EQ(file[second], 2);
    file[second + 3] = w + 1;
    const std::string path = tempPath("damaged.hdr");
    ASSERT_TRUE(writeFile(path, file));

    int width = 0, height = 0;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    LoadHdrProbe(path, width, height);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    std::remove(path.c_str());
    EXPECT_EQ(out.find("loaded successfully"), std::string::npos) << out;
    EXPECT_NE(err.find("wrong scanline width"), std::string::npos) << err;
    EXPECT_NE(err.find(" HDR Image damaged, its unread pixels are black: " + path),
              std::string::npos)
        << err;
    ASSERT_EQ(width * 100 + height, w * 100 + 2);
    EXPECT_EQ(hdrProbePixels[0], 1.0f);
    for (int i = w * 3; i < w * 2 * 3; ++i)
        ASSERT_EQ(hdrProbePixels[i], 0.0f) << i;
}
