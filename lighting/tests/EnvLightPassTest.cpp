#include "EnvLightPass.h"
#include "DisplayFramebuffer.h"
#include "GLTestContext.h"
#include "HdrLight.h"
#include "RenderTargets.h"
#include "SceneConventions.h"
#include "ShTestSupport.h"
#include "Shaders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int N = renderTargetSize;
const double pi = 3.14159265358979323846;

// A sky with parts in bands 0, 1 and 2, in the SH frame; its irradiance for a unit normal n is
// pi, 2pi/3 and pi/4 times each band's part at n.
double skyBands(double x, double y, double z, double band0, double band1, double band2) {
    return band0 + band1 * (0.8 * z + 0.5 * x - 0.3 * y) +
           band2 * (0.6 * x * z + 0.5 * y * z + 0.3 * x * y + 0.2 * (x * x - y * y) +
                    0.4 * (z * z - 1.0 / 3.0));
}
double skyIrradiance(double x, double y, double z) {
    return skyBands(x, y, z, pi, 2 * pi / 3, pi / 4);
}

// The start-up's coefficients of that sky: half its projection over a sample set, green and
// blue 2 and 3 times as bright as red.
void setSkyCoefficients() {
    const OwnedSampleSet set(5);
    double sky[SH_COEFFICIENTS];
    projectToSH(
        set.samples.data(), SAMPLE_COUNT,
        [](double phi, double theta, double, double, double, double) {
            const double s = std::sin(theta);
            return skyBands(s * std::cos(phi), s * std::sin(phi), std::cos(theta), 1, 1, 1);
        },
        0, 0, 0, 0, sky);
    for (int j = 0; j < SH_COEFFICIENTS; ++j) {
        const float half = (float)(sky[j] * hdrProbeLookupScale);
        envRed[j] = half, envGreen[j] = 2 * half, envBlue[j] = 3 * half;
    }
}

// Stand-ins for the render targets' set-up: the height array, the target with its framebuffer
// and the quad, as the lighting start-up makes them.
class EnvLightPassTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(context.ok());
        envLightProgram = new ShaderProgram(BRASTEL_SOURCE_DIR "/shader/EnvLightShader");
        ASSERT_NE(envLightProgram->program, 0u);

        glGenTextures(1, &hfPyramidArray);
        glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
        for (GLenum p : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
            glTexParameteri(GL_TEXTURE_2D_ARRAY, p, GL_LINEAR);
        for (GLenum p : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
            glTexParameteri(GL_TEXTURE_2D_ARRAY, p, GL_CLAMP_TO_EDGE);
        glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA32F, N, N, 2, 0, GL_RGBA, GL_FLOAT, nullptr);

        glGenTextures(1, &envLightTarget);
        glBindTexture(GL_TEXTURE_2D, envLightTarget);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, N, N, 0, GL_RGBA, GL_FLOAT, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenFramebuffers(1, &envLightFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, envLightFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, envLightTarget,
                               0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);

        const float quad[18] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, 1, 1, 0, -1, 1, 0, -1, -1, 0};
        glGenVertexArrays(1, &targetQuadVao[2]);
        glGenBuffers(1, &targetQuadBuffer[2]);
        glBindVertexArray(targetQuadVao[2]);
        glBindBuffer(GL_ARRAY_BUFFER, targetQuadBuffer[2]);
        glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
        glVertexAttribPointer(ATTRIB_POSITION, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        glEnableVertexAttribArray(ATTRIB_POSITION);
        glBindVertexArray(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        setSkyCoefficients();
    }
    void TearDown() override {
        glDeleteTextures(1, &hfPyramidArray);
        glDeleteTextures(1, &envLightTarget);
        glDeleteFramebuffers(1, &envLightFbo);
        glDeleteVertexArrays(1, &targetQuadVao[2]);
        glDeleteBuffers(1, &targetQuadBuffer[2]);
        hfPyramidArray = envLightTarget = envLightFbo = targetQuadVao[2] = targetQuadBuffer[2] = 0;
        delete envLightProgram;
        envLightProgram = nullptr;
    }

    // Height layer 0 from h(row, column), in units of the height field (world y / heightScale).
    void setHeights(const std::function<double(int, int)>& h) {
        std::vector<float> texels(N * N * 4, 0.0f);
        for (int row = 0; row < N; ++row)
            for (int column = 0; column < N; ++column)
                texels[(row * N + column) * 4] = (float)h(row, column);
        glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
        glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, 0, N, N, 1, GL_RGBA, GL_FLOAT, texels.data());
        glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    }

    std::vector<float> target(int level = 0) {
        const int size = N >> level;
        std::vector<float> texels(size * size * 4);
        glBindTexture(GL_TEXTURE_2D, envLightTarget);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_FLOAT, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels;
    }

    GLTestContext context;
};

} // namespace

TEST_F(EnvLightPassTest, PlanesGetTheSkysIrradianceForTheirNormal) {
    // Level ground: the normal is the SH frame's z.
    setHeights([](int, int) { return 0.5; });
    glViewport(0, 0, 17, 19);
    EnvLightPass();
    GLint framebuffer = -1, viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(framebuffer, (GLint)displayFramebuffer);
    EXPECT_EQ(viewport[2] * 100 + viewport[3], 1719);

    const double level = skyIrradiance(0, 0, 1);
    std::vector<float> texels = target();
    for (int i = 0; i < N * N; ++i) {
        ASSERT_NEAR(texels[i * 4], level, 0.003 * level) << "texel " << i;
        ASSERT_NEAR(texels[i * 4 + 2], 3 * level, 0.009 * level) << "texel " << i;
        ASSERT_NEAR(texels[i * 4 + 3], 0.0f, 1e-6) << "level ground is not steep";
    }

    // A plane rising 0.8 per unit toward +x and falling 0.5 toward +z: world normal
    // (-0.8, 1, 0.5), SH frame (x, -z, y).
    const double texel = scene::terrainSize / scene::heightTexels;
    setHeights([&](int row, int column) {
        return (0.8 * column - 0.5 * row) * texel / scene::heightScale + 10.0;
    });
    EnvLightPass();
    const double length = std::sqrt(0.64 + 1 + 0.25);
    const double tilted = skyIrradiance(-0.8 / length, -0.5 / length, 1 / length);
    EXPECT_LT(tilted, 0.9 * level);
    texels = target();
    for (int i = 0; i < N * N; ++i) {
        ASSERT_NEAR(texels[i * 4 + 1], 2 * tilted, 0.006 * tilted) << "texel " << i;
        ASSERT_NEAR(texels[i * 4 + 3], 1.0f - 1.0f / length, 1e-4) << "steepness, 1 - n.y";
    }
}
