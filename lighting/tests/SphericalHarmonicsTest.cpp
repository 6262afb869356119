#include "SphericalHarmonics.h"
#include "ShTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

constexpr double FOUR_PI_SAMPLES = 12.566370010375977;
constexpr double FOUR_PI_KEY = 12.566370614359172;
constexpr double DEG = 0.017453293005625408;

// Real spherical harmonics written out in Cartesian form, Condon-Shortley phase on odd |m|.
void closedForm(double theta, double phi, double fourPi, double out[16]) {
    const double x = std::sin(theta) * std::cos(phi), y = std::sin(theta) * std::sin(phi),
                 z = std::cos(theta);
    const double F = fourPi;
    out[0] = std::sqrt(1 / F);
    out[1] = -std::sqrt(3 / F) * y;
    out[2] = std::sqrt(3 / F) * z;
    out[3] = -std::sqrt(3 / F) * x;
    out[4] = std::sqrt(15 / F) * x * y;
    out[5] = -std::sqrt(15 / F) * y * z;
    out[6] = std::sqrt(5 / (4 * F)) * (3 * z * z - 1);
    out[7] = -std::sqrt(15 / F) * x * z;
    out[8] = std::sqrt(15 / (4 * F)) * (x * x - y * y);
    out[9] = -std::sqrt(35 / (8 * F)) * y * (3 * x * x - y * y);
    out[10] = std::sqrt(105 / F) * x * y * z;
    out[11] = -std::sqrt(21 / (8 * F)) * y * (5 * z * z - 1);
    out[12] = std::sqrt(7 / (4 * F)) * (5 * z * z * z - 3 * z);
    out[13] = -std::sqrt(21 / (8 * F)) * x * (5 * z * z - 1);
    out[14] = std::sqrt(105 / (4 * F)) * (x * x - y * y) * z;
    out[15] = -std::sqrt(35 / (8 * F)) * x * (x * x - 3 * y * y);
}

double bandEnergy(const double* v, int l) {
    double e = 0;
    for (int i = l * l; i < (l + 1) * (l + 1); ++i)
        e += v[i] * v[i];
    return e;
}

double cone(double phi, double theta, double axisTheta, double axisPhi, double halfAngle, double) {
    const double d = std::sin(theta) * std::sin(axisTheta) * std::cos(phi - axisPhi) +
                     std::cos(theta) * std::cos(axisTheta);
    return d > std::cos(halfAngle) ? 1.0 : 0.0;
}

double basisFunction(double phi, double theta, double l, double m, double, double) {
    return evalSH(static_cast<int>(l), static_cast<int>(m), theta, phi);
}

} // namespace

TEST(SphericalHarmonics, BasisMatchesClosedFormsInBothBuilds) {
    const struct {
        ShBuild build;
        double fourPi;
    } builds[] = {{ShBuild::SampleSet, FOUR_PI_SAMPLES}, {ShBuild::KeyLight, FOUR_PI_KEY}};
    for (const auto& b : builds) {
        for (double theta = 0.0; theta < 3.1; theta += 0.1309) {
            for (double phi = 0.0; phi < 6.3; phi += 0.2618) {
                double expected[16], block[16];
                closedForm(theta, phi, b.fourPi, expected);
                evalSHBlock(theta, phi, b.build, block);
                for (int l = 0; l <= 3; ++l) {
                    for (int m = -l; m <= l; ++m) {
                        const int j = l * (l + 1) + m;
                        SCOPED_TRACE(testing::Message() << "l=" << l << " m=" << m
                                                        << " theta=" << theta << " phi=" << phi);
                        EXPECT_NEAR(evalSH(l, m, theta, phi, b.build), expected[j], 1e-12);
                        EXPECT_NEAR(block[j], expected[j], 1e-12);
                    }
                }
            }
        }
    }
}

TEST(SphericalHarmonics, OrdersOutsideTheBandAreZeroNotARunawayRecursion) {
    EXPECT_EQ(legendreP(1, 2, 0.3), 0.0);
    EXPECT_EQ(legendreP(0, -1, 0.3), 0.0);
    EXPECT_EQ(shNormalization(2, 3), 0.0);
    EXPECT_EQ(evalSH(1, -2, 0.5, 0.5), 0.0);
    EXPECT_EQ(evalSH(2, 5, 0.5, 0.5), 0.0);
    EXPECT_EQ(evalSH(-1, 0, 0.5, 0.5), 0.0);
    // Higher bands still follow the recurrence: P(4, 0, x) = (35x^4 - 30x^2 + 3) / 8.
    EXPECT_NEAR(legendreP(4, 0, 0.6), (35 * 0.1296 - 30 * 0.36 + 3) / 8, 1e-14);
}

TEST(SampleSet, IsStratifiedSeededAndRepeatable) {
    const OwnedSampleSet first(5489), again(5489), other(5490);

    // The twister's first two outputs for seed 5489 are fixed by the standard.
    const double u1 = 3499211612.0 / 4294967296.0, u2 = 581869302.0 / 4294967296.0;
    EXPECT_DOUBLE_EQ(first.samples[0].theta, 2.0 * std::acos(std::sqrt(1.0 - u1 * 0.005)));
    EXPECT_DOUBLE_EQ(first.samples[0].phi, u2 * 0.005 * 6.283185005187988);

    EXPECT_EQ(0, std::memcmp(first.basis.data(), again.basis.data(),
                             first.basis.size() * sizeof(double)));
    EXPECT_NE(first.samples[123].theta, other.samples[123].theta);

    for (int a = 0; a < SAMPLE_STRATA; ++a) {
        for (int b = 0; b < SAMPLE_STRATA; ++b) {
            const ShSample& s = first.samples[a * SAMPLE_STRATA + b];
            const double x = (1.0 - std::cos(s.theta)) / 2.0; // stratified variable
            ASSERT_GE(x, a * 0.005 - 1e-12);
            ASSERT_LE(x, (a + 1) * 0.005 + 1e-12);
            ASSERT_GE(s.phi, b * 0.005 * 6.283185005187988);
            ASSERT_LT(s.phi, (b + 1) * 0.005 * 6.283185005187988);
            ASSERT_EQ(s.radius, 1.0);
            ASSERT_NEAR(s.x, std::sin(s.theta) * std::cos(s.phi), 1e-15);
            ASSERT_NEAR(s.y, std::sin(s.theta) * std::sin(s.phi), 1e-15);
            ASSERT_NEAR(s.z, std::cos(s.theta), 1e-15);
            if ((a * SAMPLE_STRATA + b) % 97 != 0)
                continue;
            for (int l = 0; l <= 3; ++l)
                for (int m = -l; m <= l; ++m)
                    ASSERT_NEAR(s.basis[l * (l + 1) + m], evalSH(l, m, s.theta, s.phi), 1e-13);
        }
    }
}

TEST(SampleSet, KeyLightSamplesUseTheirJitterAndTheirBuild) {
    std::vector<KeyLightSample> samples(SAMPLE_COUNT);
    setKeyLightJitterSource([] { return 32767; }); // every sample at the far end of its stratum
    ASSERT_TRUE(generateKeyLightSamples(samples.data()));
    setKeyLightJitterSource(nullptr);

    const KeyLightSample& s = samples[3 * SAMPLE_STRATA + 7];
    EXPECT_DOUBLE_EQ(s.theta, 2.0 * std::acos(std::sqrt(1.0 - 4.0 / 200.0)));
    EXPECT_DOUBLE_EQ(s.phi, (8.0 / 200.0) * 6.283185307179586);
    EXPECT_EQ(s.z, static_cast<float>(std::cos(s.theta)));
    // The last stratum reaches the south pole exactly.
    EXPECT_DOUBLE_EQ(samples[SAMPLE_COUNT - 1].theta, 3.141592653589793);
    EXPECT_DOUBLE_EQ(s.basis[0], 1.0 / std::sqrt(FOUR_PI_KEY));
    EXPECT_NEAR(s.basis[7], evalSH(2, 1, s.theta, s.phi, ShBuild::KeyLight), 1e-14);
    delete[] samples[0].basis;
}

TEST(Projection, BasisFunctionsComeBackAsUnitVectors) {
    const OwnedSampleSet set(77);
    for (int l = 0; l <= 3; ++l) {
        for (int m = -l; m <= l; ++m) {
            double out[16];
            projectToSH(set.samples.data(), SAMPLE_COUNT, basisFunction, l, m, 0, 0, out);
            for (int j = 0; j < 16; ++j)
                EXPECT_NEAR(out[j], j == l * (l + 1) + m ? 1.0 : 0.0, 2e-3)
                    << "l=" << l << " m=" << m << " j=" << j;
        }
    }
}

TEST(Rotation, KeepsBandEnergyAndIsTheIdentityAtZero) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> value(-1.0, 1.0), angle(-400.0, 400.0);
    for (int trial = 0; trial < 50; ++trial) {
        double v[16], out[16];
        for (double& c : v)
            c = value(rng);
        rotateSH(v, 0.0, 0.0, out);
        for (int j = 0; j < 16; ++j)
            EXPECT_NEAR(out[j], v[j], 1e-15);

        rotateSH(v, angle(rng), angle(rng), out);
        EXPECT_EQ(out[0], v[0]);
        for (int l = 1; l <= 3; ++l)
            EXPECT_NEAR(bandEnergy(out, l), bandEnergy(v, l), 1e-12);

        double inPlace[16];
        std::memcpy(inPlace, v, sizeof v);
        rotateSH(inPlace, 25.0, 70.0, inPlace);
        rotateSH(v, 25.0, 70.0, out);
        EXPECT_EQ(0, std::memcmp(inPlace, out, sizeof out));
    }
}

// A cone around +z turned by tilt beta then azimuth alpha points along
// (sin beta cos alpha, sin beta sin alpha, cos beta).
TEST(Rotation, TurnsAConeByTiltThenAzimuth) {
    const OwnedSampleSet set(11);
    const double halfAngle = 0.9;
    double base[16];
    projectToSH(set.samples.data(), SAMPLE_COUNT, cone, 0.0, 0.0, halfAngle, 0.0, base);

    const double turns[][2] = {{35.0, 130.0}, {12.0, -90.25}, {80.0, 10.0}, {150.0, 250.0}};
    for (const auto& turn : turns) {
        const double beta = turn[0], alpha = turn[1];
        SCOPED_TRACE(testing::Message() << "beta=" << beta << " alpha=" << alpha);
        const double axisTheta = beta * DEG, axisPhi = alpha * DEG;

        // Monte-Carlo: the turned projection against the projection of the turned cone.
        double rotated[16], turnedCone[16];
        rotateSH(base, beta, alpha, rotated);
        projectToSH(set.samples.data(), SAMPLE_COUNT, cone, axisTheta, axisPhi, halfAngle, 0.0,
                    turnedCone);
        for (int j = 0; j < 16; ++j)
            EXPECT_NEAR(rotated[j], turnedCone[j], 3e-3) << "j=" << j;

        // Exact: a zonal vector turns into z_l * Y(l, m, axis) * sqrt(4pi / (2l + 1)).
        double zonal[16] = {}, turnedZonal[16];
        for (int l = 0; l <= 3; ++l)
            zonal[l * (l + 1)] = base[l * (l + 1)];
        rotateSH(zonal, beta, alpha, turnedZonal);
        for (int l = 0; l <= 3; ++l)
            for (int m = -l; m <= l; ++m)
                EXPECT_NEAR(turnedZonal[l * (l + 1) + m],
                            zonal[l * (l + 1)] * evalSH(l, m, axisTheta, axisPhi) *
                                std::sqrt(FOUR_PI_SAMPLES / (2 * l + 1)),
                            1e-12)
                    << "l=" << l << " m=" << m;
    }
}
