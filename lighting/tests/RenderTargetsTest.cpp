#include "LightingGLHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

using namespace lighting_test;

namespace {

// A pattern that tells colour channels and rows apart.
Rgb patternPixel(int column, int row) {
    return {static_cast<unsigned char>(column), static_cast<unsigned char>(row),
            static_cast<unsigned char>((column * 7 + row * 13) & 255)};
}

void expectPattern(const std::vector<float>& texels, const char* what) {
    for (int row = 0; row < N; ++row)
        for (int column = 0; column < N; ++column) {
            const Rgb p = patternPixel(column, row);
            const float* t = &texels[(static_cast<size_t>(row) * N + column) * 4];
            // Each byte b reads back as b / 255 (within a float's rounding).
            ASSERT_TRUE(std::fabs(t[0] - p.r / 255.0f) < 1e-6f &&
                        std::fabs(t[1] - p.g / 255.0f) < 1e-6f &&
                        std::fabs(t[2] - p.b / 255.0f) < 1e-6f && t[3] == 1.0f)
                << what << " at row " << row << " column " << column << ": " << t[0] << " " << t[1]
                << " " << t[2] << " " << t[3];
        }
}

std::string captured(const std::function<void()>& steps) {
    std::ostringstream out;
    std::streambuf* const console = std::cout.rdbuf(out.rdbuf());
    steps();
    std::cout.rdbuf(console);
    return out.str();
}

} // namespace

TEST(RenderTargets, SetUpUploadsTheBaseImageAndTheNoiseTableAndChecksEveryFramebuffer) {
    RunTree tree;
    writeBmp(tree.image(), N, N, patternPixel);
    GLTestContext context;
    ASSERT_TRUE(context.ok());
    ASSERT_TRUE(LoadShaders());
    const std::string out = captured([] {
        SetupRenderTargets();
        InitRenderTargetVaos();
    });
    EXPECT_EQ(out, "Setting Up Texture and Rendertarget Information ...\nDone!\n\n"
                   "Checking Frambuffer Completness: Framebuffer complete!\n\n"
                   "Creating VertexArrays for RenderTargets ...\nDone!\n\n");

    // Red, green, blue as in the file, its bottom row as texel row 0, in both copies.
    expectPattern(readTexture(baseHeightTexture), "base texture");
    expectPattern(readLayer(0), "height layer 0");

    // Every other layer starts at zero; the sky's light starts black, with its mipmaps.
    for (int layer : {1, 2, 33})
        for (float v : readLayer(layer))
            ASSERT_EQ(v, 0.0f) << "layer " << layer;
    for (float v : readTexture(envLightTarget))
        ASSERT_EQ(v, 0.0f);
    GLint smallest = 0;
    glBindTexture(GL_TEXTURE_2D, envLightTarget);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &smallest);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(smallest, 1);

    // The noise table: P is the improved-noise permutation; texel (i, j) holds
    // v = P[(P[i] + j) mod 256] and the bytes of gradient v mod 16.
    std::vector<int> sorted(noisePermutation, noisePermutation + 256);
    std::sort(sorted.begin(), sorted.end());
    for (int k = 0; k < 256; ++k)
        ASSERT_EQ(sorted[k], k) << "not a permutation";
    const int start[10] = {151, 160, 137, 91, 90, 15, 131, 13, 201, 95};
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(noisePermutation[k], start[k]);
    std::vector<unsigned char> table(N * N * 4);
    glBindTexture(GL_TEXTURE_2D, permutationTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, table.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j) {
            const unsigned char* t = &table[(i * 256 + j) * 4];
            const int v = noisePermutation[(noisePermutation[i] + j) % 256];
            const signed char* g = noiseGradients[v % 16];
            ASSERT_TRUE(t[3] == v && t[0] == (g[0] + 1) * 64 && t[1] == (g[1] + 1) * 64 &&
                        t[2] == (g[2] + 1) * 64)
                << "texel " << i << ", " << j;
        }

    for (GLuint fbo : {normalFbo, noiseFbo, pyramidFbo, envLightFbo, keyLightFbo}) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER),
                  static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    // A framebuffer that is not complete fails the check and is named.
    glBindFramebuffer(GL_FRAMEBUFFER, keyLightFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    bool complete = true;
    EXPECT_EQ(captured([&] { complete = checkFramebufferStatus(); }),
              "Checking Frambuffer Completness: framebuffer "
              "FRAMEBUFFER_MISSING_ATTACHMENT_EXT (keyLightFbo)\n");
    EXPECT_FALSE(complete);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    DeleteRenderTargetArrays();
    ReleaseShaders();
}

TEST(RenderTargets, EachTargetQuadCoversEveryTexel) {
    LightingScene scene;
    ASSERT_TRUE(scene.ok());
    std::ofstream(scene.tree.root / "one.vert")
        << "#version 150\nin vec4 Position;\nvoid main() { gl_Position = Position; }\n";
    std::ofstream(scene.tree.root / "one.frag")
        << "#version 150\nout vec4 color;\nvoid main() { color = vec4(1.0); }\n";
    ShaderProgram one((scene.tree.root / "one").string());
    ASSERT_NE(one.program, 0u);

    const GLfloat zero[4] = {0, 0, 0, 0};
    for (int q = 0; q < 3; ++q) {
        glBindFramebuffer(GL_FRAMEBUFFER, keyLightFbo);
        glViewport(0, 0, N, N);
        glClearBufferfv(GL_COLOR, 0, zero);
        glUseProgram(one.program);
        glBindVertexArray(targetQuadVao[q]);
        glDrawArrays(GL_TRIANGLES, 0, 6);
        glBindVertexArray(0);
        glUseProgram(0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        const std::vector<float> texels = readTexture(keyLightTarget);
        for (size_t t = 0; t < texels.size(); ++t)
            ASSERT_EQ(texels[t], 1.0f) << "quad " << q << " misses texel " << t / 4;
    }
}

TEST(RenderTargets, BaseImagesThatDoNotFitEndTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The image is checked before any GL call, so no context is needed.
    const struct {
        int width, height;
        const char* message;
    } cases[] = {{128, 128, "is 128 x 128 pixels; it must be 256 x 256."},
                 {256, 255, "is 256 x 255 pixels; it must be 256 x 256."},
                 {300, 256, "is 300 x 256 pixels; it must be 256 x 256."}};
    for (const auto& c : cases) {
        RunTree tree;
        writeBmp(tree.image(), c.width, c.height, [](int, int) { return Rgb{9, 9, 9}; });
        EXPECT_EXIT(SetupRenderTargets(), testing::ExitedWithCode(1), c.message);
    }
    RunTree tree; // no image at all
    EXPECT_EXIT(SetupRenderTargets(), testing::ExitedWithCode(1),
                "Error opening BMP file: ../Images/h4.bmp");
}
