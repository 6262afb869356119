#include "Sky.h"
#include "HdrLight.h"
#include "ShTestSupport.h"
#include "TextureManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

constexpr int n = 256; // the face size writeSky uses

// GL's cube-map faces: the direction through face coordinates sc, tc in [-1, 1] (row 0 of a face
// is tc = -1), and from a direction back to the nearest texel of float RGB faces.
struct Dir {
    double x, y, z;
};
Dir faceDirection(int face, double sc, double tc) {
    const Dir d[6] = {{1, -tc, -sc}, {-1, -tc, sc}, {sc, 1, tc},
                      {sc, -1, -tc}, {sc, -tc, 1},  {-sc, -tc, -1}};
    return d[face];
}

const float* cubeTexel(const float* const faces[6], const Dir& d) {
    const double ax = std::abs(d.x), ay = std::abs(d.y), az = std::abs(d.z);
    int face;
    double sc, tc, ma;
    if (ax >= ay && ax >= az)
        face = d.x > 0 ? 0 : 1, ma = ax, sc = d.x > 0 ? -d.z : d.z, tc = -d.y;
    else if (ay >= az)
        face = d.y > 0 ? 2 : 3, ma = ay, sc = d.x, tc = d.y > 0 ? d.z : -d.z;
    else
        face = d.z > 0 ? 4 : 5, ma = az, sc = d.z > 0 ? d.x : -d.x, tc = -d.y;
    const int column = std::clamp((int)((sc / ma + 1) / 2 * n), 0, n - 1);
    const int row = std::clamp((int)((tc / ma + 1) / 2 * n), 0, n - 1);
    return faces[face] + ((size_t)row * n + column) * 3;
}

// The generated files in a private run tree, the faces the program cuts from the cross, and the
// same faces as rendered, before the file's 8-bit mantissas (cut by the layout: +Y, -X, +Z, +X,
// -Y, and -Z turned by 180 degrees).
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

        const int band[6] = {1, 1, 0, 2, 1, 3}, block[6] = {2, 0, 1, 1, 1, 1};
        const std::vector<float> cross = renderSkyCross(n);
        for (int f = 0; f < 6; ++f) {
            const Texture* face = manager->getCubeMapFace("uffizi_cross.hdr", f);
            ASSERT_TRUE(face && face->width == n && face->height == n);
            read[f] = reinterpret_cast<const float*>(face->data);
            rendered[f].resize(n * n * 3);
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x) {
                    const int row = band[f] * n + (f == 5 ? n - 1 - y : y);
                    const int column = block[f] * n + (f == 5 ? n - 1 - x : x);
                    std::copy_n(&cross[((size_t)row * 3 * n + column) * 3], 3,
                                &rendered[f][((size_t)y * n + x) * 3]);
                }
            exact[f] = rendered[f].data();
        }
    }
    static void TearDownTestSuite() {
        delete manager;
        std::filesystem::remove_all(stage);
    }

    static std::string stage;
    static TextureManager* manager;
    static const float* read[6];
    static const float* exact[6];
    static std::vector<float> rendered[6];
};

std::string SkyData::stage;
TextureManager* SkyData::manager = nullptr;
const float* SkyData::read[6] = {};
const float* SkyData::exact[6] = {};
std::vector<float> SkyData::rendered[6];

// The largest coefficient difference of two projections, per channel, relative to the length of
// that channel's coefficients.
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
    // Each texel along a face's border against the texel across the edge, found by reflecting
    // its direction over the edge in the face's plane.
    double worst = 0;
    const double inside = 1.0 - 1.0 / n;
    for (int f = 0; f < 6; ++f)
        for (int i = 0; i < n; ++i) {
            const double along = 2.0 * (i + 0.5) / n - 1.0;
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

    // The program's faces are those texels to the file's precision: half a mantissa step.
    for (int f = 0; f < 6; ++f)
        for (int i = 0; i < n * n * 3; i += 3) {
            const float* e = exact[f] + i;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(read[f][i + c], e[c], std::max({e[0], e[1], e[2]}) / 250 + 1e-6f)
                    << "face " << f << " texel " << i / 3;
        }
}

TEST_F(SkyData, ProbeAndCrossCarryTheSameLightWhateverTheSamples) {
    int width = 0, height = 0;
    testing::internal::CaptureStdout();
    LoadHdrProbe(stage + "/images/uffizi_probe_512x512.hdr", width, height);
    testing::internal::GetCapturedStdout();

    const OwnedSampleSet first(1), second(2);
    float probe1[48], probe2[48], cross[48] = {};
    projectProbe(first.samples.data(), SAMPLE_COUNT, hdrProbePixels, width, height, probe1);
    projectProbe(second.samples.data(), SAMPLE_COUNT, hdrProbePixels, width, height, probe2);
    for (const ShSample& s : first.samples) {
        const float* rgb = cubeTexel(read, {s.x, s.z, -s.y}); // SH frame to world
        for (int i = 0; i < 48; ++i)
            cross[i] += (float)(hdrProbeLookupScale * rgb[i % 3] * s.basis[i / 3] * SAMPLE_WEIGHT);
    }
    EXPECT_LE(relativeDifference(probe1, probe2), 0.02);
    EXPECT_LE(relativeDifference(probe1, cross), 0.02);

    // Band 1 leans up (the sky outshines the ground) and toward the sun's azimuth: with the
    // basis' signs, the lean is (-L[3], -L[1], L[2]) in the SH frame.
    double sx, sy, sz;
    sunDirection(sx, sy, sz);
    for (int c = 0; c < 3; ++c) {
        EXPECT_GT(probe1[3 * 2 + c], 0.3 * probe1[c]) << c;
        const double lean = std::atan2(-probe1[3 * 1 + c], -probe1[3 * 3 + c]);
        EXPECT_NEAR(std::remainder(lean - std::atan2(-sz, sx), 2 * M_PI), 0.0, 0.05) << c;
    }
}

TEST(SkyModel, BlueSkyWarmSunWithAWideGlowOverDarkGround) {
    double sx, sy, sz;
    sunDirection(sx, sy, sz);
    const SkyColor sun = skyRadiance(sx, sy, sz), zenith = skyRadiance(0, 1, 0);
    const SkyColor horizon = skyRadiance(-sx, 0, -sz), ground = skyRadiance(0.3, -1, 0.2);
    const SkyColor high = skyRadiance(-sx, 2.0, -sz); // 60 degrees up, away from the sun
    EXPECT_GT(high.b, 1.5 * high.r) << "blue";
    EXPECT_GT(horizon.g, high.g) << "haze";
    EXPECT_GT(zenith.g, high.g) << "brighter toward the sun, high up, where the key light is";
    EXPECT_TRUE(sun.r > sun.b && sun.g > 50 * zenith.g) << "warm, and the brightest spot";
    EXPECT_TRUE(ground.r > ground.b && ground.g < 0.5 * horizon.g) << "earth, not a mirrored sky";
    // 2.5 degrees out the glow keeps half its height over the sky 8 degrees out.
    auto offSun = [&](double degrees) {
        const double e = std::asin(sy) + degrees * M_PI / 180, h = std::hypot(sx, sz);
        return skyRadiance(std::cos(e) * sx / h, std::sin(e), std::cos(e) * sz / h).g;
    };
    EXPECT_GT(offSun(2.5) - offSun(8), 0.5 * (offSun(1.0) - offSun(8)));
}
