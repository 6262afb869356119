#include "Sky.h"
#include "HdrLight.h"
#include "TextureManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

// The generated files, made once for all tests in a private run tree.
class SkyData : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        stage = testing::TempDir() + "datagen_sky_" + std::to_string(getpid());
        std::filesystem::create_directories(stage + "/images");
        ASSERT_TRUE(writeSky(stage));
        manager = new TextureManager(stage + "/images/");
        testing::internal::CaptureStderr();
        manager->getCubeMapFaces("uffizi_cross.hdr");
        testing::internal::GetCapturedStderr();
        for (int f = 0; f < 6; ++f)
            faces[f] = manager->getCubeMapFace("uffizi_cross.hdr", f);

        // The same sky before it is encoded, cut by the cross layout: +Y, -X, +Z, +X, -Y, and -Z
        // turned by 180 degrees.
        const int n = 256, band[6] = {1, 1, 0, 2, 1, 3}, block[6] = {2, 0, 1, 1, 1, 1};
        const std::vector<float> cross = renderSkyCross(n);
        for (int f = 0; f < 6; ++f) {
            exactPixels[f].resize(n * n * 3);
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x) {
                    const int row = band[f] * n + (f == 5 ? n - 1 - y : y);
                    const int column = block[f] * n + (f == 5 ? n - 1 - x : x);
                    std::copy_n(&cross[((size_t)row * 3 * n + column) * 3], 3,
                                &exactPixels[f][((size_t)y * n + x) * 3]);
                }
            exactFaces[f].data = reinterpret_cast<unsigned char*>(exactPixels[f].data());
            exactFaces[f].width = exactFaces[f].height = n;
            exact[f] = &exactFaces[f];
        }
    }
    static void TearDownTestSuite() {
        delete manager;
        std::filesystem::remove_all(stage);
    }

    static std::string stage;
    static TextureManager* manager;
    static const Texture* faces[6]; // as the program reads them
    static const Texture* exact[6]; // as rendered, before the file's 8-bit mantissas
    static Texture exactFaces[6];
    static std::vector<float> exactPixels[6];
};

std::string SkyData::stage;
TextureManager* SkyData::manager = nullptr;
const Texture* SkyData::faces[6] = {};
const Texture* SkyData::exact[6] = {};
Texture SkyData::exactFaces[6];
std::vector<float> SkyData::exactPixels[6];

// GL's cube-map faces: the direction through face coordinates sc, tc in [-1, 1] (row 0 of a face
// record is tc = -1), and back from a direction to the face and its nearest texel.
struct Dir {
    double x, y, z;
};
Dir faceDirection(int face, double sc, double tc) {
    switch (face) {
    case 0:
        return {1, -tc, -sc};
    case 1:
        return {-1, -tc, sc};
    case 2:
        return {sc, 1, tc};
    case 3:
        return {sc, -1, -tc};
    case 4:
        return {sc, -tc, 1};
    default:
        return {-sc, -tc, -1};
    }
}

const float* cubeTexel(const Texture* const faces[6], const Dir& d) {
    const double ax = std::abs(d.x), ay = std::abs(d.y), az = std::abs(d.z);
    int face;
    double sc, tc, ma;
    if (ax >= ay && ax >= az)
        face = d.x > 0 ? 0 : 1, ma = ax, sc = d.x > 0 ? -d.z : d.z, tc = -d.y;
    else if (ay >= az)
        face = d.y > 0 ? 2 : 3, ma = ay, sc = d.x, tc = d.y > 0 ? d.z : -d.z;
    else
        face = d.z > 0 ? 4 : 5, ma = az, sc = d.z > 0 ? d.x : -d.x, tc = -d.y;
    const int n = faces[face]->width;
    const int column = std::clamp((int)((sc / ma + 1) / 2 * n), 0, n - 1);
    const int row = std::clamp((int)((tc / ma + 1) / 2 * n), 0, n - 1);
    return reinterpret_cast<const float*>(faces[face]->data) + ((size_t)row * n + column) * 3;
}

// Projects the cross over a sample set as the start-up projects the probe.
void projectCross(const Texture* const faces[6], const ShSample* samples, float out[48]) {
    std::vector<double> sum(48, 0.0);
    for (int i = 0; i < SAMPLE_COUNT; ++i) {
        const ShSample& s = samples[i];
        const float* rgb = cubeTexel(faces, {s.x, s.z, -s.y}); // SH frame to world
        for (int j = 0; j < SH_COEFFICIENTS; ++j)
            for (int c = 0; c < 3; ++c)
                sum[3 * j + c] += hdrProbeLookupScale * rgb[c] * s.basis[j];
    }
    for (int i = 0; i < 48; ++i)
        out[i] = (float)(sum[i] * SAMPLE_WEIGHT);
}

struct SampleSet {
    std::vector<ShSample> samples = std::vector<ShSample>(SAMPLE_COUNT);
    std::vector<double> basis = std::vector<double>(SAMPLE_COUNT * SH_COEFFICIENTS);
    explicit SampleSet(std::uint32_t seed) {
        for (int i = 0; i < SAMPLE_COUNT; ++i)
            samples[i].basis = &basis[i * SH_COEFFICIENTS];
        static std::uint32_t current;
        current = seed;
        setSampleSeedSource([] { return current; });
        generateSampleSet(samples.data());
        setSampleSeedSource(nullptr);
    }
};

// The largest difference of two coefficient vectors, per channel, relative to that channel's
// length.
double relativeDifference(const float a[48], const float b[48]) {
    double worst = 0;
    for (int c = 0; c < 3; ++c) {
        double norm = 0, diff = 0;
        for (int j = 0; j < SH_COEFFICIENTS; ++j) {
            norm += (double)a[3 * j + c] * a[3 * j + c];
            diff = std::max(diff, (double)std::abs(a[3 * j + c] - b[3 * j + c]));
        }
        worst = std::max(worst, diff / std::sqrt(norm));
    }
    return worst;
}

} // namespace

TEST_F(SkyData, CrossFacesMeetWithoutSeamsAndTheFileKeepsThem) {
    // Every texel along a face's border against the texel across the edge, found by reflecting
    // its direction over the edge in the face's plane.
    const int n = 256;
    double worst = 0;
    for (int f = 0; f < 6; ++f)
        for (int i = 0; i < n; ++i) {
            const double along = 2.0 * (i + 0.5) / n - 1.0, inside = 1.0 - 1.0 / n;
            const double border[4][2] = {
                {-inside, along}, {inside, along}, {along, -inside}, {along, inside}};
            for (const auto& p : border) {
                const float* here = cubeTexel(exact, faceDirection(f, p[0], p[1]));
                const double sc =
                    std::abs(p[0]) == inside ? 2 * std::copysign(1, p[0]) - p[0] : p[0];
                const double tc =
                    std::abs(p[1]) == inside ? 2 * std::copysign(1, p[1]) - p[1] : p[1];
                const float* there = cubeTexel(exact, faceDirection(f, sc, tc));
                ASSERT_NE(here, there);
                const double scale =
                    std::max({here[0], here[1], here[2], there[0], there[1], there[2]});
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(here[c] - there[c]) / scale);
            }
        }
    EXPECT_LE(worst, 0.01);

    // The faces the program reads are those texels, to the file's precision: half a step of an
    // 8-bit mantissa under the pixel's largest channel.
    for (int f = 0; f < 6; ++f) {
        ASSERT_NE(faces[f], nullptr);
        ASSERT_EQ(faces[f]->width * 1000 + faces[f]->height, n * 1000 + n);
        const float* read = reinterpret_cast<const float*>(faces[f]->data);
        const float* rendered = exactPixels[f].data();
        for (int i = 0; i < n * n; ++i, read += 3, rendered += 3) {
            const float bound = std::max({rendered[0], rendered[1], rendered[2]}) / 256 + 1e-6f;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(read[c], rendered[c], bound) << "face " << f << " texel " << i;
        }
    }
}

TEST_F(SkyData, ProbeAndCrossCarryTheSameLightWhateverTheSamples) {
    int width = 0, height = 0;
    testing::internal::CaptureStdout();
    LoadHdrProbe(stage + "/images/uffizi_probe_512x512.hdr", width, height);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(width * 1000 + height, 512512);

    const SampleSet first(1), second(2);
    float probe1[48], probe2[48], cross[48];
    projectProbe(first.samples.data(), SAMPLE_COUNT, hdrProbePixels, width, height, probe1);
    projectProbe(second.samples.data(), SAMPLE_COUNT, hdrProbePixels, width, height, probe2);
    projectCross(faces, first.samples.data(), cross);
    EXPECT_LE(relativeDifference(probe1, probe2), 0.02);
    EXPECT_LE(relativeDifference(probe1, cross), 0.02);

    // The sky outshines the ground (band 1 leans up), and leans toward the sun's azimuth: with
    // the basis' signs, the lean is (-L[3], -L[1], L[2]) in the SH frame.
    double sx, sy, sz;
    sunDirection(sx, sy, sz);
    for (int c = 0; c < 3; ++c) {
        const double x = -probe1[3 * 3 + c], y = -probe1[3 * 1 + c], z = probe1[3 * 2 + c];
        EXPECT_GT(z, 0.3 * probe1[c]) << c;
        const double lean = std::atan2(y, x), sun = std::atan2(-sz, sx);
        EXPECT_NEAR(std::remainder(lean - sun, 2 * M_PI), 0.0, 0.05) << c;
    }
}

TEST(SkyModel, BlueSkyWarmSunDarkGround) {
    double sx, sy, sz;
    sunDirection(sx, sy, sz);
    const SkyColor sun = skyRadiance(sx, sy, sz);
    const SkyColor zenith = skyRadiance(0, 1, 0);
    const SkyColor horizon = skyRadiance(-sx, 0, -sz); // away from the sun
    const SkyColor ground = skyRadiance(0.3, -1, 0.2);
    EXPECT_GT(zenith.b, 1.5 * zenith.r) << "blue";
    EXPECT_GT(horizon.r + horizon.g + horizon.b, zenith.r + zenith.g + zenith.b) << "haze";
    EXPECT_GT(sun.r, sun.b) << "warm";
    EXPECT_GT(sun.g, 50 * zenith.g) << "the brightest spot";
    EXPECT_GT(ground.r, ground.b) << "earth, not a mirrored sky";
    EXPECT_LT(ground.r + ground.g + ground.b, 0.5 * (horizon.r + horizon.g + horizon.b));
    // The glow is at least 5 degrees across: 2.5 degrees out it keeps half its height over the
    // sky 8 degrees out.
    auto offSun = [&](double degrees) {
        const double e = std::asin(sy) + degrees * M_PI / 180, h = std::hypot(sx, sz);
        return skyRadiance(std::cos(e) * sx / h, std::sin(e), std::cos(e) * sz / h).g;
    };
    EXPECT_GT(offSun(2.5) - offSun(8), 0.5 * (offSun(1.0) - offSun(8)));
}
