#include "HdrLight.h"
#include "ImageBytes.h"
#include "ShTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "hdrlight_" + std::to_string(getpid()) + "_" + name;
}

// A size x size probe, 1.0 (mantissa 128, exponent 129) where bright, else black.
template <typename Bright>
std::string writeProbe(const std::string& name, int size, Bright bright) {
    Bytes rgbe((size_t)size * size * 4, 0);
    for (int i = 0; i < size * size; ++i)
        if (bright(i / size))
            rgbe[i * 4] = rgbe[i * 4 + 1] = rgbe[i * 4 + 2] = 128, rgbe[i * 4 + 3] = 129;
    const std::string path = tempPath(name);
    EXPECT_TRUE(writeFile(path, rgbeFile(size, size, rgbe, true)));
    return path;
}

// Start-up messages on standard output, sent where a death test can match them.
void stdoutToStderr() {
    dup2(2, 1);
}

void loadUnderMemoryLimit(const std::string& path) {
    stdoutToStderr();
    unsigned long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit limit = {(rlim_t)pages * sysconf(_SC_PAGESIZE) + (256u << 20), RLIM_INFINITY};
    setrlimit(RLIMIT_AS, &limit);
    int width = 0, height = 0;
    LoadHdrProbe(path, width, height);
}

} // namespace

TEST(HdrLight, ProjectsConstantAndLowerRowSkiesAsTheFramePredictsAndPrintsTheLines) {
    const std::string constant = writeProbe("constant.hdr", 512, [](int) { return true; });
    testSeed = 7;
    setSampleSeedSource([] { return testSeed; });
    testing::internal::CaptureStdout();
    EXPECT_TRUE(CalcHdrLight(constant));
    const std::string out = testing::internal::GetCapturedStdout();
    std::remove(constant.c_str());

    // Half a constant 1 over the sphere: 0.5 sqrt(4 pi) in band 0, nothing above it.
    EXPECT_NEAR(envRed[0], 1.7725, 2e-3);
    std::ostringstream expected;
    expected << "Calculating Hdr Information ...\n\n Loading HDR Image: " << constant
             << "\n HDR Image size: 512 x 512\n HDR Image loaded successfully\n";
    for (int j = 0; j < SH_COEFFICIENTS; ++j) {
        EXPECT_NEAR(envRed[j], j == 0 ? envRed[0] : 0.0, 0.01) << j;
        EXPECT_TRUE(envGreen[j] == envRed[j] && envBlue[j] == envRed[j]);
        expected << "envRed[" << j << "]=" << envRed[j] << "\n";
    }
    EXPECT_EQ(out, expected.str() + "Done!\n\n");

    // Rows grow with v = y r: light in the lower rows comes from the probe frame's +y.
    const std::string lower = writeProbe("lower.hdr", 256, [](int row) { return row >= 192; });
    testing::internal::CaptureStdout();
    CalcHdrLight(lower);
    testing::internal::GetCapturedStdout();
    setSampleSeedSource(nullptr);
    std::remove(lower.c_str());
    EXPECT_GT(std::abs(envRed[1]), 0.1);
    EXPECT_EQ(envRed[1] > 0, evalSH(1, -1, M_PI / 2, M_PI / 2) > 0) << envRed[1];
    EXPECT_NEAR(envRed[3], 0.0, 0.02) << "symmetric in x";
}

TEST(HdrLight, LookupAlwaysLandsInsideTheImage) {
    // A 7 x 5 image whose pixels hold their own index, between guard values of -1.
    const int width = 7, height = 5, guard = 64;
    std::vector<float> buffer((width * height + 2 * guard) * 3, -1.0f);
    float* pixels = buffer.data() + guard * 3;
    for (int i = 0; i < width * height * 3; ++i)
        pixels[i] = (float)(i / 3);
    auto pixelToward = [&](double x, double y, double z) {
        float rgb[3];
        probeLookup(pixels, width, height, 1.0f, x, y, z, rgb);
        return (int)rgb[0];
    };
    EXPECT_EQ(pixelToward(0, 0, 1), 2 * 7 + 3) << "the centre";
    EXPECT_EQ(pixelToward(1e-30, 0, 1), 2 * 7 + 3);
    EXPECT_EQ(pixelToward(0, 0, -1), 4 * 7 + 3) << "a rim pixel";
    EXPECT_EQ(pixelToward(1, 0, 0), 2 * 7 + 5) << "u = 0.5";
    // Beyond the rim, unnormalised and undefined directions still read a pixel of the image.
    const double odd[][3] = {{-1e-9, 1e-9, -1}, {1e-9, -1e-9, -1.5}, {3, 4, 0}, {NAN, 0, 1}};
    for (const auto& d : odd)
        EXPECT_GE(pixelToward(d[0], d[1], d[2]), 0) << d[0] << " " << d[1] << " " << d[2];
    const OwnedSampleSet set(3);
    for (const ShSample& s : set.samples)
        ASSERT_GE(pixelToward(s.x, s.y, s.z), 0) << s.theta << " " << s.phi;
}

TEST(HdrLight, UnreadableProbesEndStartUpWithExitCodeOne) {
    int width = 0, height = 0;
    const std::string missing = tempPath("missing.hdr");
    EXPECT_EXIT((stdoutToStderr(), LoadHdrProbe(missing, width, height)),
                testing::ExitedWithCode(1), " Error opening HDR file: " + missing);

    const std::string header = tempPath("header.hdr");
    ASSERT_TRUE(writeFile(header, Bytes{'#', '?', 'R', '\n', '\n', '-', 'Y', ' ', '4'}));
    EXPECT_EXIT(LoadHdrProbe(header, width, height), testing::ExitedWithCode(1),
                "no FORMAT specifier found\n Bad header in HDR file: " + header);

    // A header claiming 30000 x 30000 pixels over a few bytes is refused before allocating.
    const std::string claim = tempPath("claim.hdr");
    Bytes huge = rgbeFile(30000, 30000, {}, false);
    huge.resize(huge.size() + 4096, 1);
    ASSERT_TRUE(writeFile(claim, huge));
    EXPECT_EXIT(LoadHdrProbe(claim, width, height), testing::ExitedWithCode(1),
                "HDR file too short for 30000 x 30000 pixels");

    // 8192 x 8192 run-length scanlines (4.3 MB) whose 805 MB of floats do not fit under a limit.
    // Exit code 1 like every other unreadable probe: a start-up that failed never reports success.
    const std::string big = tempPath("big.hdr");
    {
        Bytes line = {2, 2, 8192 >> 8, 0};
        for (int plane = 0; plane < 4; ++plane)
            for (int left = 8192; left > 0; left -= 127)
                line.insert(line.end(), {(unsigned char)(128 + std::min(left, 127)), 9});
        std::ofstream out(big, std::ios::binary);
        out << "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n-Y 8192 +X 8192\n";
        for (int row = 0; row < 8192; ++row)
            out.write(reinterpret_cast<const char*>(line.data()), line.size());
    }
    EXPECT_EXIT(loadUnderMemoryLimit(big), testing::ExitedWithCode(1),
                " Not enough memory to load hdr file!");
    for (const std::string& path : {header, claim, big})
        std::remove(path.c_str());
}

TEST(HdrLight, DamagedPixelsAreReportedAndStayBlack) {
    // 16 x 2 pixels: scanline 0 whole and white, scanline 1 announcing the wrong width.
    Bytes rgbe(16 * 2 * 4, 0);
    for (int x = 0; x < 16; ++x)
        rgbe[x * 4] = 128, rgbe[x * 4 + 3] = 129;
    Bytes file = rgbeFile(16, 2, rgbe, true);
    file[file.size() - 12 + 3] = 17; // its 4 header bytes and a run pair per plane
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
    EXPECT_NE(
        err.find("wrong scanline width\n HDR Image damaged, its unread pixels are black: " + path),
        std::string::npos)
        << err;
    ASSERT_EQ(width * 100 + height, 1602);
    EXPECT_EQ(hdrProbePixels[0], 1.0f);
    EXPECT_EQ(std::vector<float>(hdrProbePixels + 48, hdrProbePixels + 96), std::vector<float>(48));
}
