// The key-light pass against the brute-force reference on five fields and three light azimuths:
// correlation, mean error, shadow-factor correlation and shadow-deficit error on a 32 x 32 grid.

#include "HeightFieldPasses.h"
#include "KeyLight.h"
#include "KeyLightPass.h"
#include "KeyLightReference.h"
#include "LightingGLHarness.h"
#include "Pictures.h"
#include "SceneConventions.h"
#include "WedgeTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <numeric>
#include <sstream>

using namespace lighting_test;

namespace {

constexpr int GRID = 32;

struct Field {
    const char* name;
    std::vector<float> h;
};

// World coordinates of texel centres.
double worldX(int column) {
    return (column + 0.5) * scene::terrainSize / N;
}

std::vector<float> makeField(const std::function<double(double x, double z)>& f) {
    std::vector<float> h(static_cast<size_t>(N) * N);
    for (int row = 0; row < N; ++row)
        for (int column = 0; column < N; ++column)
            h[static_cast<size_t>(row) * N + column] =
                static_cast<float>(f(worldX(column), worldX(row)));
    return h;
}

std::vector<Field> gateFields() {
    std::vector<Field> fields;
    fields.push_back({"flat", makeField([](double, double) { return 0.5; })});
    // A long wall along z, 0.45 world units high.
    fields.push_back({"ridge", makeField([](double x, double) {
                          const double d = (x - 2.5) / 0.3;
                          return 0.1 + 0.75 * std::exp(-d * d);
                      })});
    fields.push_back({"bowl", makeField([](double x, double z) {
                          const double r2 = (x - 2.5) * (x - 2.5) + (z - 2.5) * (z - 2.5);
                          return 0.05 + 0.9 * r2 / (3.6 * 3.6);
                      })});
    fields.push_back({"noise", makeField([](double x, double z) {
                          return double(terrainHeight(float(x / scene::terrainSize),
                                                      float(z / scene::terrainSize), 0.0f));
                      })});
    // Flat-bottomed trenches 0.6 deep (the full height scale), 0.1 to 0.9 wide, in both
    // directions; once along the axes, once turned by 30 degrees about the centre, away from the
    // key light's horizon directions.
    const auto canyons = [](double turn) {
        return makeField([turn](double x0, double z0) {
            const double c = std::cos(turn), s = std::sin(turn);
            const double x = 2.5 + c * (x0 - 2.5) - s * (z0 - 2.5);
            const double z = 2.5 + s * (x0 - 2.5) + c * (z0 - 2.5);
            const double alongZ[5][2] = {
                {0.35, 0.1}, {0.95, 0.3}, {1.85, 0.5}, {2.95, 0.7}, {4.25, 0.9}};
            const double alongX[2][2] = {{1.3, 0.2}, {3.6, 0.6}};
            for (const auto& t : alongZ)
                if (std::fabs(x - t[0]) < 0.5 * t[1])
                    return 0.0;
            for (const auto& t : alongX)
                if (std::fabs(z - t[0]) < 0.5 * t[1])
                    return 0.0;
            return 1.0;
        });
    };
    fields.push_back({"canyons", canyons(0.0)});
    fields.push_back({"canyon30", canyons(30.0 * 3.141592653589793 / 180.0)});
    return fields;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = static_cast<double>(a.size());
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ma += a[i] / n;
        mb += b[i] / n;
    }
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 1.0;
}

struct Figures {
    double r, meanError, rS, deficitError, shadow, spread, flatOffset;
};

Figures measure(const std::vector<double>& gpu, const std::vector<double>& ref,
                const std::vector<double>& e0) {
    Figures f{};
    f.r = correlation(gpu, ref);
    double sumError = 0, sumRef = 0, sumDeficit = 0, sumE0 = 0;
    std::vector<double> sGpu(gpu.size()), sRef(gpu.size());
    for (size_t i = 0; i < gpu.size(); ++i) {
        sumError += std::fabs(gpu[i] - ref[i]);
        sumRef += ref[i];
        sumDeficit += e0[i] - ref[i];
        sumE0 += e0[i];
        sGpu[i] = e0[i] > 0 ? gpu[i] / e0[i] : 1.0;
        sRef[i] = e0[i] > 0 ? ref[i] / e0[i] : 1.0;
    }
    f.meanError = sumError / sumRef;
    f.rS = correlation(sGpu, sRef);
    f.deficitError = sumDeficit > 0 ? sumError / sumDeficit : 0.0;
    f.shadow = sumDeficit / sumE0;
    const auto [lo, hi] = std::minmax_element(gpu.begin(), gpu.end());
    const double mean = std::accumulate(gpu.begin(), gpu.end(), 0.0) / gpu.size();
    f.spread = (*hi - *lo) / mean;
    f.flatOffset = std::fabs(mean / (sumRef / ref.size()) - 1.0);
    return f;
}

// keyLightTarget as an 8-bit grey PNG, row 0 at the bottom: E from 1.5 to 2.4 stretched over
// the grey scale, the same for every picture so that they compare.
void writeShot(const std::string& name, const std::vector<float>& texels) {
    std::vector<unsigned char> grey(static_cast<size_t>(N) * N);
    for (int row = 0; row < N; ++row)
        for (int column = 0; column < N; ++column) {
            const float e = texels[(static_cast<size_t>(row) * N + column) * 4];
            const float mapped = std::pow(std::clamp((e - 1.5f) / 0.9f, 0.0f, 1.0f), 1.0f / 2.2f);
            grey[static_cast<size_t>(row) * N + column] =
                static_cast<unsigned char>(std::clamp(mapped, 0.0f, 1.0f) * 255.0f + 0.5f);
        }
    keepPicture(name, N, N, 1, grey);
}

} // namespace

TEST(KeyLightGate, SoftShadowsMatchTheBruteForceReference) {
    LightingScene scene;
    ASSERT_TRUE(scene.ok());
    std::ostringstream swallowed;
    std::streambuf* const console = std::cout.rdbuf(swallowed.rdbuf());
    ASSERT_TRUE(CalcWedge1D() && CalcWedge2D() && CalcEnvWedge2D());
    setKeyLightJitterSource([] { return 16384; });
    ASSERT_TRUE(CalcKeyLight());
    setKeyLightJitterSource(nullptr);
    std::cout.rdbuf(console);

    // The turned coefficients put the disc's centre 12 degrees from the zenith at the azimuth
    // "phi", measured from SH x toward SH y (world x toward world -z).
    for (double azimuth : {0.0, 90.0, 200.0, -30.0}) {
        keyLightAzimuth = azimuth;
        UpdateKeyLight();
        double best = -1.0, bestTheta = 0.0, bestPhi = 0.0;
        for (int a = 0; a <= 160; ++a)
            for (int b = 0; b < 720; ++b) {
                const double theta = a * 0.25 * 3.141592653589793 / 180,
                             phi = b * 0.5 * 3.141592653589793 / 180;
                double basis[SH_COEFFICIENTS], l = 0.0;
                evalSHBlock(theta, phi, ShBuild::KeyLight, basis);
                for (int j = 0; j < SH_COEFFICIENTS; ++j)
                    l += redLightKey[j] * basis[j];
                if (l > best) {
                    best = l;
                    bestTheta = a * 0.25;
                    bestPhi = b * 0.5;
                }
            }
        EXPECT_NEAR(bestTheta, 12.0, 1.0) << "azimuth " << azimuth;
        EXPECT_NEAR(std::remainder(bestPhi - azimuth, 360.0), 0.0, 1.0) << "azimuth " << azimuth;
    }

    const reference::Directions directions = reference::stratifiedHemisphere(64, 64);
    const double azimuths[3] = {0.0, 90.0, 200.0};

    // shadow: the reference's share of E0 taken by shadows; spread and vs ref: the flat field's
    // uniformity and its mean against the reference's.
    std::printf("\n%-8s %5s | %8s %9s %8s %8s | %7s | %7s %7s\n", "field", "phi", "r", "mean err",
                "r_S", "D", "shadow", "spread", "vs ref");
    for (const Field& field : gateFields()) {
        reference::Terrain terrain{N, scene::terrainSize, scene::heightScale, field.h};
        std::vector<reference::Point> points;
        for (int a = 0; a < GRID; ++a)
            for (int b = 0; b < GRID; ++b)
                points.push_back({4 + 8 * a, 4 + 8 * b, {}, {}});
        reference::traceVisibility(terrain, directions, points);

        uploadHeights(field.h);
        for (int i = 0; i <= pyramidLevelCount - 2; ++i)
            ReducePass(i);
        for (int i = pyramidLevelCount - 1; i >= 0; --i)
            SynthesizePass(i);
        NormalPass();

        const std::string name = field.name;
        for (double azimuth : azimuths) {
            keyLightAzimuth = azimuth;
            UpdateKeyLight();
            KeyLightPass();
            ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
            const std::vector<float> texels = readTexture(keyLightTarget);
            std::vector<double> gpu, ref, e0;
            reference::keyLight(directions, points, redLightKey, ref, e0);
            for (const reference::Point& p : points)
                gpu.push_back(texels[(static_cast<size_t>(p.row) * N + p.column) * 4]);
            const Figures f = measure(gpu, ref, e0);
            if (name == "flat")
                std::printf("%-8s %5.0f | %8s %8.3f%% %8s %8s | %6.3f%% | %6.3f%% %6.3f%%\n",
                            field.name, azimuth, "-", 100 * f.meanError, "-", "-", 100 * f.shadow,
                            100 * f.spread, 100 * f.flatOffset);
            else
                std::printf("%-8s %5.0f | %8.5f %8.3f%% %8.4f %7.2f%% | %6.3f%% | %7s %7s\n",
                            field.name, azimuth, f.r, 100 * f.meanError, f.rS, 100 * f.deficitError,
                            100 * f.shadow, "-", "-");
            if (picturesWanted() && name == "noise" && azimuth != 200.0)
                writeShot("lighting-keylight-" + name + "-phi" + std::to_string(int(azimuth)),
                          texels);

            const std::string where = name + " at " + std::to_string(azimuth);
            if (name == "flat") {
                EXPECT_LE(f.spread, 0.005) << where;
                EXPECT_LE(f.flatOffset, 0.01) << where;
            } else if (name == "canyons" || name == "canyon30") {
                EXPECT_GE(f.r, 0.98) << where;
                EXPECT_LE(f.meanError, 0.03) << where;
                EXPECT_LE(f.deficitError, 0.30) << where;
            } else {
                EXPECT_GE(f.r, 0.99) << where;
                EXPECT_LE(f.meanError, 0.01) << where;
                if (name != "bowl") {
                    EXPECT_GE(f.rS, 0.90) << where;
                    EXPECT_LE(f.deficitError, 0.50) << where;
                }
            }
        }
    }
    std::fflush(stdout);
}
