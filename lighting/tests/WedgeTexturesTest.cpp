#include "GLTestContext.h"
#include "ShTestSupport.h"
#include "WedgeProjection.h"
#include "WedgeTables.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Texture g, channel c of entry e must hold coefficient 4g + c of that entry; each texture is
// sampled nearest and clamped, and left unbound.
void expectTableInTextures(const GLuint textures[4], const std::vector<double>& table) {
    const bool is1D = table.size() == WEDGE_GRID * 16;
    const GLenum target = is1D ? GL_TEXTURE_1D : GL_TEXTURE_2D;
    const int entries = static_cast<int>(table.size() / 16);
    for (int g = 0; g < 4; ++g) {
        GLint bound = -1, width = 0, height = 0, filter = 0, wrap = 0;
        glGetIntegerv(is1D ? GL_TEXTURE_BINDING_1D : GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0) << "left bound";
        ASSERT_NE(textures[g], 0u);
        glBindTexture(target, textures[g]);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexParameteriv(target, GL_TEXTURE_MIN_FILTER, &filter);
        glGetTexParameteriv(target, GL_TEXTURE_WRAP_S, &wrap);
        ASSERT_TRUE(width == WEDGE_GRID && width * height == entries) << width << "x" << height;
        EXPECT_EQ(filter, GL_NEAREST);
        EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
        std::vector<float> texels(entries * 4, -1.0f);
        glGetTexImage(target, 0, GL_RGBA, GL_FLOAT, texels.data());
        glBindTexture(target, 0);
        for (int e = 0; e < entries; ++e)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(texels[e * 4 + c], static_cast<float>(table[e * 16 + g * 4 + c]))
                    << "texture " << g << " entry " << e << " channel " << c;
    }
}

} // namespace

TEST(WedgeTextures, StartUpStepsUploadTheTablesInCoefficientOrder) {
    GLTestContext ctx;
    ASSERT_TRUE(ctx.ok());

    testSeed = 424242u;
    setSampleSeedSource([] { return testSeed; });
    testing::internal::CaptureStdout();
    EXPECT_TRUE(CalcWedge1D());
    EXPECT_TRUE(CalcWedge2D());
    EXPECT_TRUE(CalcEnvWedge2D());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Calculating 1D Wedge Information ...\nDone!\n\n"
              "Calculating 2D Wedge Information ...\nDone!\n\n"
              "Calculating Environment 2D Wedge Information ...\nDone!\n\n");
    setSampleSeedSource(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const OwnedSampleSet set(424242u);
    std::vector<double> oneD(WEDGE_GRID * 16), twoD(WEDGE_GRID * WEDGE_GRID * 16), env(twoD);
    computeWedgeTable1D(set.samples.data(), oneD.data());
    computeWedgeTable2D(set.samples.data(), WEDGE_EXTENT, twoD.data());
    computeWedgeTable2D(set.samples.data(), ENV_WEDGE_EXTENT, env.data());
    expectTableInTextures(wedge1DTextures, oneD);
    expectTableInTextures(wedge2DTextures, twoD);
    expectTableInTextures(envWedge2DTextures, env);
}
