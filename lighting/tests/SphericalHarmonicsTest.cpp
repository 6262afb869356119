#include "SphericalHarmonics.h"
#include "ShTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr double DEG = 0.017453293005625408;
constexpr double PI = 3.141592653589793;

double cone(double phi, double theta, double axisTheta, double axisPhi, double halfAngle, double) {
    const double d = std::sin(theta) * std::sin(axisTheta) * std::cos(phi - axisPhi) +
                     std::cos(theta) * std::cos(axisTheta);
    return d > std::cos(halfAngle) ? 1.0 : 0.0;
}

double basisFunction(double phi, double theta, double l, double m, double, double) {
    return evalSH(static_cast<int>(l), static_cast<int>(m), theta, phi);
}

// Whether sample i lies in its stratum (boundaries included): equal-area rings a = i / 200 by the
// cap area (1 - cos theta) / 2, sectors b = i % 200 by phi.
bool inStratum(int i, double theta, double phi) {
    const double ring = (1.0 - std::cos(theta)) / 2.0 * SAMPLE_STRATA - i / SAMPLE_STRATA;
    const double sector = phi / (2.0 * PI) * SAMPLE_STRATA - i % SAMPLE_STRATA;
    return ring > -1e-6 && ring < 1.0 + 1e-6 && sector > -1e-6 && sector < 1.0 + 1e-6;
}

} // namespace

// Integrated over the sphere on a fine grid of its own (equal area in cos theta), each basis
// function has unit energy and is orthogonal to the others, in both builds and in both
// evaluations; the signs follow the Condon-Shortley phase the rotation and the key light rely on.
TEST(SphericalHarmonics, BasisIsOrthonormalWithCondonShortleyPhase) {
    constexpr int rings = 180, sectors = 360;
    for (ShBuild build : {ShBuild::SampleSet, ShBuild::KeyLight}) {
        double gram[16][16] = {}, gramBlock[16][16] = {};
        for (int i = 0; i < rings; ++i) {
            const double theta = std::acos(1.0 - 2.0 * (i + 0.5) / rings);
            for (int k = 0; k < sectors; ++k) {
                const double phi = 2.0 * PI * (k + 0.5) / sectors;
                double y[16], block[16];
                for (int j = 0; j < 16; ++j) {
                    const int l = static_cast<int>(std::sqrt(j)), m = j - l * (l + 1);
                    y[j] = evalSH(l, m, theta, phi, build);
                }
                evalSHBlock(theta, phi, build, block);
                for (int a = 0; a < 16; ++a)
                    for (int b = 0; b < 16; ++b) {
                        gram[a][b] += y[a] * y[b] * 4.0 * PI / (rings * sectors);
                        gramBlock[a][b] += block[a] * block[b] * 4.0 * PI / (rings * sectors);
                    }
            }
        }
        for (int a = 0; a < 16; ++a)
            for (int b = 0; b < 16; ++b) {
                EXPECT_NEAR(gram[a][b], a == b ? 1.0 : 0.0, 1e-3) << a << "," << b;
                EXPECT_NEAR(gramBlock[a][b], gram[a][b], 1e-9) << a << "," << b;
            }
    }
    const double band1 = std::sqrt(3.0 / (4.0 * PI));
    EXPECT_NEAR(evalSH(1, 1, PI / 2, 0.0), -band1, 1e-6);     // +x: negative
    EXPECT_NEAR(evalSH(1, -1, PI / 2, PI / 2), -band1, 1e-6); // +y: negative
    EXPECT_NEAR(evalSH(1, 0, 0.0, 0.0), band1, 1e-6);         // +z: positive
    EXPECT_NEAR(evalSH(2, 1, PI / 4, 0.0), -std::sqrt(15.0 / (16.0 * PI)), 1e-6);

    // Orders outside the band are zero, not a runaway recursion; higher bands still recur.
    for (double outside : {legendreP(1, 2, 0.3), legendreP(0, -1, 0.3), shNormalization(2, 3),
                           evalSH(1, -2, 0.5, 0.5), evalSH(-1, 0, 0.5, 0.5)})
        EXPECT_EQ(outside, 0.0);
    EXPECT_NEAR(legendreP(4, 0, 0.6), (35 * 0.1296 - 30 * 0.36 + 3) / 8, 1e-14);
}

// One sample in each of the 200 x 200 equal-area strata, the same set for the same seed; both
// sets, the key light's at either end of its jitter range (the last sample then reaches the pole).
TEST(SampleSet, OneSamplePerEqualAreaStratumAndRepeatable) {
    const OwnedSampleSet first(5489), again(5489), other(5490);
    EXPECT_EQ(first.basis, again.basis);
    EXPECT_NE(first.samples[123].theta, other.samples[123].theta);
    for (int i = 0; i < SAMPLE_COUNT; ++i)
        ASSERT_TRUE(inStratum(i, first.samples[i].theta, first.samples[i].phi)) << i;
    for (int j = 0; j < 16; ++j) { // the basis projects to unit vectors over the set
        const int l = static_cast<int>(std::sqrt(j)), m = j - l * (l + 1);
        double out[16];
        projectToSH(first.samples.data(), SAMPLE_COUNT, basisFunction, l, m, 0, 0, out);
        for (int k = 0; k < 16; ++k)
            EXPECT_NEAR(out[k], k == j ? 1.0 : 0.0, 2e-3) << "j=" << j << " k=" << k;
    }

    std::vector<KeyLightSample> keys(SAMPLE_COUNT);
    for (int jitter : {0, 32767}) {
        static int fixed;
        fixed = jitter;
        setKeyLightJitterSource([] { return fixed; });
        ASSERT_TRUE(generateKeyLightSamples(keys.data()));
        for (int i = 0; i < SAMPLE_COUNT; ++i)
            ASSERT_TRUE(inStratum(i, keys[i].theta, keys[i].phi)) << jitter << " " << i;
        delete[] keys[0].basis;
    }
    EXPECT_DOUBLE_EQ(keys[SAMPLE_COUNT - 1].theta, PI);
    setKeyLightJitterSource(nullptr);
}

// A cone around +z turned by tilt beta then azimuth alpha points along
// (sin beta cos alpha, sin beta sin alpha, cos beta). Any turn keeps each band's energy (the
// sampled cone has some in every coefficient), in place too.
TEST(Rotation, TurnsAConeByTiltThenAzimuthAndKeepsBandEnergy) {
    const OwnedSampleSet set(11);
    double base[16];
    projectToSH(set.samples.data(), SAMPLE_COUNT, cone, 0.0, 0.0, 0.9, 0.0, base);
    for (auto [beta, alpha] :
         {std::pair{0.0, 0.0}, {35.0, 130.0}, {12.0, -90.25}, {150.0, 250.0}, {-400.0, 390.0}}) {
        SCOPED_TRACE(testing::Message() << "beta=" << beta << " alpha=" << alpha);
        double rotated[16], inPlace[16], turnedCone[16];
        rotateSH(base, beta, alpha, rotated);
        std::memcpy(inPlace, base, sizeof base);
        rotateSH(inPlace, beta, alpha, inPlace);
        EXPECT_EQ(0, std::memcmp(inPlace, rotated, sizeof rotated));
        for (int l = 0; l <= 3; ++l) {
            double before = 0, after = 0;
            for (int i = l * l; i < (l + 1) * (l + 1); ++i)
                before += base[i] * base[i], after += rotated[i] * rotated[i];
            EXPECT_NEAR(after, before, 1e-14) << "band " << l;
        }
        projectToSH(set.samples.data(), SAMPLE_COUNT, cone, beta * DEG, alpha * DEG, 0.9, 0.0,
                    turnedCone);
        for (int j = 0; j < 16; ++j) {
            EXPECT_NEAR(rotated[j], turnedCone[j], 3e-3) << "j=" << j;
            EXPECT_TRUE(beta != 0.0 || std::fabs(rotated[j] - base[j]) < 1e-15) << "j=" << j;
        }
    }
}
