#include "HeightFieldPasses.h"
#include "KeyLight.h"
#include "KeyLightPass.h"
#include "LightingGLHarness.h"
#include "SceneConventions.h"
#include "WedgeTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <sstream>

using namespace lighting_test;

namespace {

double clockMs = 0.0;
double testClock() {
    return clockMs;
}

std::vector<float> field(double (*f)(double x, double y)) {
    std::vector<float> h(static_cast<size_t>(N) * N);
    for (int row = 0; row < N; ++row)
        for (int column = 0; column < N; ++column)
            h[static_cast<size_t>(row) * N + column] =
                static_cast<float>(f(column + 0.5, row + 0.5));
    return h;
}

void reduceAll() {
    for (int i = 0; i <= pyramidLevelCount - 2; ++i)
        ReducePass(i);
}

float red(const std::vector<float>& texels, int row, int column) {
    return texels[(static_cast<size_t>(row) * N + column) * 4];
}
float green(const std::vector<float>& texels, int row, int column) {
    return texels[(static_cast<size_t>(row) * N + column) * 4 + 1];
}

// The tables the key-light pass reads, made without their console lines.
bool makeKeyLightTables() {
    std::ostringstream swallowed;
    std::streambuf* const console = std::cout.rdbuf(swallowed.rdbuf());
    const bool made = CalcWedge1D() && CalcWedge2D() && CalcKeyLight();
    std::cout.rdbuf(console);
    return made;
}

void expectNothingBound(const char* after) {
    GLint value = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &value);
    EXPECT_EQ(value, 0) << after;
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(value, 0) << after;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &value);
    EXPECT_EQ(value, 0) << after;
    for (int unit = 0; unit <= 10; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        for (GLenum binding :
             {GL_TEXTURE_BINDING_1D, GL_TEXTURE_BINDING_2D, GL_TEXTURE_BINDING_2D_ARRAY}) {
            glGetIntegerv(binding, &value);
            EXPECT_EQ(value, 0) << after << ", unit " << unit;
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << after;
}

} // namespace

TEST(HeightFieldPasses, NoiseRewritesLayerZeroAsTheBaseImageAtTimeZeroAndMovesWithTime) {
    LightingScene scene; // base image: the terrain at time 0
    ASSERT_TRUE(scene.ok());
    heightFieldClockMs = testClock;

    uploadHeights(std::vector<float>(static_cast<size_t>(N) * N, -1.0f));
    clockMs = 0.0;
    NoisePass();
    expectNothingBound("the noise pass");
    const std::vector<float> first = readLayer(0);
    const std::vector<float> base = readTexture(baseHeightTexture);
    for (int row = 0; row < N; ++row)
        for (int column = 0; column < N; ++column) {
            const float h = red(first, row, column);
            const float cpu = terrainHeight((column + 0.5f) / N, (row + 0.5f) / N, 0.0f);
            ASSERT_NEAR(h, cpu, 1e-4) << "row " << row << " column " << column;
            ASSERT_NEAR(h, red(base, row, column), 0.5f / 255.0f + 1e-4f);
            ASSERT_EQ(green(first, row, column), h);
        }

    clockMs = 20000.0; // "time" 0.002
    NoisePass();
    const std::vector<float> later = readLayer(0);
    double moved = 0.0;
    for (size_t t = 0; t < later.size(); t += 4) {
        ASSERT_NEAR(
            later[t],
            terrainHeight(((t / 4) % N + 0.5f) / N, ((t / 4) / N + 0.5f) / N, noiseTime(clockMs)),
            1e-4);
        moved += std::fabs(later[t] - first[t]) / (N * N);
    }
    EXPECT_GT(moved, 0.01) << "mean change after 20 s";

    clockMs = 0.0;
    NoisePass();
    EXPECT_EQ(readLayer(0), first);
    heightFieldClockMs = nullptr;
}

TEST(HeightFieldPasses, EachReductionFillsItsCornerFromTheWholeFinerLevel) {
    LightingScene scene;
    ASSERT_TRUE(scene.ok());

    // A constant stays constant to each level's edge; outside the corner the layer stays zero.
    uploadHeights(field([](double, double) { return 0.7; }));
    reduceAll();
    expectNothingBound("the reductions");
    for (int level = 1; level < pyramidLevelCount; ++level) {
        const int size = reductionSize(level - 1);
        const std::vector<float> texels = readLayer(2 * level);
        for (int row = 0; row < N; ++row)
            for (int column = 0; column < N; ++column) {
                const bool inside = row < size && column < size;
                ASSERT_NEAR(red(texels, row, column), inside ? 0.7f : 0.0f, 1e-4)
                    << "level " << level << " row " << row << " column " << column;
                ASSERT_NEAR(green(texels, row, column), inside ? 0.7f : 0.0f, 1e-6);
            }
    }

    // A ramp keeps its values at the levels' edges, within one level texel: every level spans the
    // whole field.
    uploadHeights(field([](double x, double) { return x / N; }));
    reduceAll();
    for (int level = 1; level < pyramidLevelCount; ++level) {
        const int size = reductionSize(level - 1);
        const std::vector<float> texels = readLayer(2 * level);
        EXPECT_NEAR(red(texels, 0, size - 1), 1.0 - 0.5 / size, 1.0 / size) << "level " << level;
        EXPECT_NEAR(red(texels, size - 1, 0), 0.5 / size, 1.0 / size) << "level " << level;
        EXPECT_NEAR(green(texels, 0, size - 1), 1.0 - 0.5 / N, 1e-5) << "level " << level;
    }

    // A one-texel spike keeps its mass in the mean, centred within half a texel of where the
    // level's scale puts it, and its height in the highest value, within two texels of there.
    uploadHeights(field([](double x, double y) { return x == 200.5 && y == 37.5 ? 1.0 : 0.0; }));
    reduceAll();
    for (int level = 1; level < pyramidLevelCount; ++level) {
        const int size = reductionSize(level - 1);
        const double texelArea = (double(N) / size) * (double(N) / size);
        const double expectedX = 200.5 * size / N, expectedY = 37.5 * size / N;
        const std::vector<float> texels = readLayer(2 * level);
        double mass = 0.0, x = 0.0, y = 0.0, highest = 0.0;
        for (int row = 0; row < size; ++row)
            for (int column = 0; column < size; ++column) {
                const double m = red(texels, row, column) * texelArea;
                mass += m;
                x += m * (column + 0.5);
                y += m * (row + 0.5);
                highest = std::max(highest, double(green(texels, row, column)));
                if (green(texels, row, column) > 0.0f) {
                    EXPECT_TRUE(std::fabs(column + 0.5 - expectedX) <= 2.0 &&
                                std::fabs(row + 0.5 - expectedY) <= 2.0)
                        << "level " << level << ": spike at row " << row << " column " << column;
                }
            }
        EXPECT_NEAR(mass, 1.0, 1e-3) << "level " << level;
        EXPECT_NEAR(x / mass, expectedX, 0.5) << "level " << level;
        EXPECT_NEAR(y / mass, expectedY, 0.5) << "level " << level;
        EXPECT_EQ(highest, 1.0) << "level " << level;
    }
}

TEST(HeightFieldPasses, SynthesisBringsEveryLevelBackToTheFullGrid) {
    LightingScene scene;
    ASSERT_TRUE(scene.ok());
    const auto smooth = [](double x, double y) {
        const double pi = 3.141592653589793;
        return 0.5 + 0.25 * std::sin(2 * pi * x / N) * std::cos(2 * pi * y / N);
    };
    const std::vector<float> h = field(smooth);
    uploadHeights(h);
    reduceAll();
    for (int i = pyramidLevelCount - 1; i >= 0; --i)
        SynthesizePass(i);
    expectNothingBound("the syntheses");

    GLint layer = -1;
    glBindFramebuffer(GL_FRAMEBUFFER, pyramidFbo);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LAYER, &layer);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(layer, 1) << "level 0 is synthesized last";

    EXPECT_EQ(readLayer(1), readLayer(0)) << "level 0 is the height field itself";
    for (int level = 1; level <= 7; ++level) { // up to the coarsest level the key light reads
        const std::vector<float> texels = readLayer(2 * level + 1);
        // Within half a level texel of the border the level's edge value is held.
        const int border = N / reductionSize(level - 1);
        double worst = 0.0;
        for (int row = border; row < N - border; ++row)
            for (int column = border; column < N - border; ++column) {
                worst = std::max(worst,
                                 double(std::fabs(red(texels, row, column) - h[row * N + column])));
                ASSERT_GE(green(texels, row, column), red(texels, row, column) - 1e-6);
            }
        EXPECT_LT(worst, level < 7 ? 0.01 : 0.02) << "synthesized level " << level;
    }
    // The coarsest reduction is one texel: the field's mean and its highest value.
    const std::vector<float> coarsest = readLayer(32);
    const double mean = std::accumulate(h.begin(), h.end(), 0.0) / h.size();
    EXPECT_NEAR(red(coarsest, 0, 0), mean, 1e-4);
    EXPECT_NEAR(green(coarsest, 0, 0), *std::max_element(h.begin(), h.end()), 1e-6);
    // Levels coarser than any the key light reads are not synthesized: they keep their zeros.
    for (int level = 8; level < pyramidLevelCount; ++level)
        EXPECT_EQ(red(readLayer(2 * level + 1), N / 2, N / 2), 0.0f) << "level " << level;
}

// Drivers without a texture barrier draw each pyramid pass into the scratch target and copy it
// into its layer; the layers must come out bit for bit as with a barrier.
TEST(HeightFieldPasses, ThePyramidIsTheSameThroughTheScratchTargetAsWithATextureBarrier) {
    LightingScene scene;
    ASSERT_TRUE(scene.ok());
    pyramidLayerSeparation = LayerSeparation::textureBarrier;
    ReducePass(0);
    if (pyramidLayerSeparation != LayerSeparation::textureBarrier)
        GTEST_SKIP() << "this GL has no texture barrier to compare with";
    const std::vector<float> h = field([](double x, double y) {
        return std::fmod(x * 0.37 + y * y * 0.011, 1.0) + (x == 90.5 && y == 200.5 ? 3.0 : 0.0);
    });
    std::vector<std::vector<float>> layers[2];
    for (LayerSeparation separation :
         {LayerSeparation::textureBarrier, LayerSeparation::scratchTarget}) {
        pyramidLayerSeparation = separation;
        // Whatever a pass leaves unwritten shows as this.
        const GLfloat junk[4] = {-7.0f, -7.0f, -7.0f, -7.0f};
        glBindFramebuffer(GL_FRAMEBUFFER, pyramidFbo);
        for (int layer = 1; layer < 2 * pyramidLevelCount; ++layer) {
            glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, hfPyramidArray, 0,
                                      layer);
            glClearBufferfv(GL_COLOR, 0, junk);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        uploadHeights(h);
        reduceAll();
        for (int i = pyramidLevelCount - 1; i >= 0; --i)
            SynthesizePass(i);
        expectNothingBound("the pyramid passes");
        for (int layer = 0; layer < 2 * pyramidLevelCount; ++layer)
            layers[separation == LayerSeparation::scratchTarget].push_back(readLayer(layer));
    }
    pyramidLayerSeparation = LayerSeparation::undecided;
    for (int layer = 0; layer < 2 * pyramidLevelCount; ++layer)
        EXPECT_TRUE(layers[0][layer] == layers[1][layer]) << "layer " << layer;
}

TEST(HeightFieldPasses, NormalsComeFromTheBaseImageAndUpdateLightingLeavesNothingBound) {
    // Base image: red rises by one step per column, so the normal leans toward -x.
    LightingScene scene([](int column, int) {
        return Rgb{static_cast<unsigned char>(column), 0, 0};
    });
    ASSERT_TRUE(scene.ok());
    NormalPass(); // without a clear: its quad writes every texel, as the reads below show
    expectNothingBound("the normal pass");
    const std::vector<float> normals = readTexture(normalTexture);
    const double slope = scene::heightScale / 255.0 / (scene::terrainSize / N);
    const double length = std::sqrt(1.0 + slope * slope);
    for (int row = 0; row < N; row += 17)
        for (int column = 1; column < N - 1; column += 17) {
            const float* n = &normals[(static_cast<size_t>(row) * N + column) * 4];
            EXPECT_NEAR(n[0], -slope / length, 1e-5);
            EXPECT_NEAR(n[1], 1.0 / length, 1e-5);
            EXPECT_NEAR(n[2], 0.0, 1e-5);
        }

    ASSERT_TRUE(makeKeyLightTables());
    UpdateLighting();
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE10);
    expectNothingBound("UpdateLighting");
    // The key light is written everywhere, positive and finite, with its mipmaps.
    const std::vector<float> key = readTexture(keyLightTarget);
    for (size_t t = 0; t < key.size(); t += 4)
        ASSERT_TRUE(key[t] > 0.0f && std::isfinite(key[t])) << "texel " << t / 4 << ": " << key[t];
    GLint smallest = 0;
    glBindTexture(GL_TEXTURE_2D, keyLightTarget);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &smallest);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(smallest, 1);
}

TEST(HeightFieldPasses, AWallHidesPartOfTheSkyNearItInTheKeyLightsAlpha) {
    LightingScene scene;
    ASSERT_TRUE(scene.ok());
    ASSERT_TRUE(makeKeyLightTables());
    // Level ground at 0 with a wall 1.8 world units high over columns 128 to 135.
    std::vector<float> h(N * N, 0.0f);
    for (int row = 0; row < N; ++row)
        for (int column = 128; column <= 135; ++column)
            h[row * N + column] = 1.8f / scene::heightScale;
    uploadHeights(h);
    for (int i = 0; i <= pyramidLevelCount - 2; ++i)
        ReducePass(i);
    for (int i = pyramidLevelCount - 1; i >= 0; --i)
        SynthesizePass(i);
    KeyLightPass();
    const std::vector<float> texels = readTexture(keyLightTarget);
    auto open = [&](int column) { return texels[(128 * N + column) * 4 + 3]; };
    EXPECT_LT(open(124), 0.8f);
    EXPECT_LT(open(124), open(110));
    EXPECT_LT(open(110), 1.0f);
    EXPECT_NEAR(open(5), 1.0f, 1e-4) << "beyond the reach of the search";
}

// Each frame updates one band of the rows of every lighting layer, the bands in turn: frames of
// band updates at one time end where a full update at that time does, the key light included.
TEST(HeightFieldPasses, FramesOfBandUpdatesCatchUpWithAFullUpdate) {
    LightingScene scene;
    ASSERT_TRUE(scene.ok());
    ASSERT_TRUE(makeKeyLightTables());
    heightFieldClockMs = testClock;
    clockMs = 0.0;
    RequestFullLightingUpdate();
    UpdateLighting();

    clockMs = 3.0e6; // the field has moved on
    const auto maxDifference = [](const std::vector<float>& a, const std::vector<float>& b) {
        float most = 0.0f;
        for (std::size_t t = 0; t < a.size(); ++t)
            most = std::max(most, std::fabs(a[t] - b[t]));
        return most;
    };
    // The mean of a target: its 1 x 1 mipmap.
    const auto mean = [](GLuint texture) {
        std::vector<float> texel(4);
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexImage(GL_TEXTURE_2D, 8, GL_RGBA, GL_FLOAT, texel.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texel;
    };
    const std::vector<float> meanBefore = mean(keyLightTarget);
    UpdateLighting(); // one band only
    const std::vector<float> partway = readTexture(keyLightTarget);
    EXPECT_EQ(mean(keyLightTarget), meanBefore) << "mipmaps are made at the end of a round";
    // A band's coarser levels read a few rows of the next band's finer ones, updated in another
    // frame: a change reaches the coarsest level after a round of the bands or two per level.
    for (int frame = 1; frame < 2 * lightingParts * pyramidLevelCount; ++frame)
        UpdateLighting();
    std::vector<std::vector<float>> fromBands;
    for (int layer = 0; layer < 2 * pyramidLevelCount; ++layer)
        fromBands.push_back(readLayer(layer));
    const std::vector<float> keyFromBands = readTexture(keyLightTarget);
    const std::vector<float> envFromBands = readTexture(envLightTarget);
    const std::vector<float> keyMeanFromBands = mean(keyLightTarget);
    const std::vector<float> envMeanFromBands = mean(envLightTarget);

    RequestFullLightingUpdate();
    UpdateLighting();
    for (int layer = 0; layer < 2 * pyramidLevelCount; ++layer)
        EXPECT_LE(maxDifference(fromBands[layer], readLayer(layer)), 1e-6f) << "layer " << layer;
    const std::vector<float> key = readTexture(keyLightTarget);
    EXPECT_LE(maxDifference(keyFromBands, key), 1e-5f);
    EXPECT_LE(maxDifference(envFromBands, readTexture(envLightTarget)), 1e-5f);
    EXPECT_LE(maxDifference(keyMeanFromBands, mean(keyLightTarget)), 1e-5f);
    EXPECT_LE(maxDifference(envMeanFromBands, mean(envLightTarget)), 1e-5f);
    EXPECT_GT(maxDifference(partway, key), 1e-4f) << "one frame updates only one band of rows";
    heightFieldClockMs = nullptr;
}
