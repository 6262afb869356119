#include "GLTestContext.h"
#include "ShTestSupport.h"
#include "WedgeProjection.h"
#include "WedgeTables.h"

#include <gtest/gtest.h>

#include <vector>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::vector<float> readBack(GLenum target, GLuint texture, int texels) {
    std::vector<float> data(texels * 4, -1.0f);
    glBindTexture(target, texture);
    glGetTexImage(target, 0, GL_RGBA, GL_FLOAT, data.data());
    glBindTexture(target, 0);
    return data;
}

void expectWedgeTextureState(GLenum target, GLenum binding, GLuint texture, int width, int height) {
    GLint bound = -1;
    glGetIntegerv(binding, &bound);
    EXPECT_EQ(bound, 0) << "left bound";
    glBindTexture(target, texture);
    GLint format = 0, w = 0, h = 0, minFilter = 0, magFilter = 0, wrapS = 0;
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexParameteriv(target, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(target, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(target, GL_TEXTURE_WRAP_S, &wrapS);
    EXPECT_EQ(format, GL_RGBA32F);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_EQ(minFilter, GL_NEAREST);
    EXPECT_EQ(magFilter, GL_NEAREST);
    EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE);
    if (target == GL_TEXTURE_2D) {
        GLint wrapT = 0;
        glGetTexParameteriv(target, GL_TEXTURE_WRAP_T, &wrapT);
        EXPECT_EQ(wrapT, GL_CLAMP_TO_EDGE);
    }
    glBindTexture(target, 0);
}

// Texture g, channel c of entry e must hold coefficient 4g + c of that entry.
void expectTableInTextures(GLenum target, const GLuint textures[4], const double* table,
                           int entries) {
    for (int g = 0; g < 4; ++g) {
        ASSERT_NE(textures[g], 0u);
        const std::vector<float> texels = readBack(target, textures[g], entries);
        for (int e = 0; e < entries; ++e)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(texels[e * 4 + c], static_cast<float>(table[e * 16 + g * 4 + c]))
                    << "texture " << g << " entry " << e << " channel " << c;
    }
}

std::uint32_t fixedSeed() {
    return 424242u;
}

} // namespace

TEST(WedgeTextures, HoldTheirTexelsAsFloatRgbaWithNearestClampedSampling) {
    GLTestContext ctx;
    ASSERT_TRUE(ctx.ok());

    std::vector<float> row(WEDGE_GRID * 4), grid(WEDGE_GRID * WEDGE_GRID * 4);
    for (std::size_t i = 0; i < row.size(); ++i)
        row[i] = 0.001f * i - 0.05f;
    for (std::size_t i = 0; i < grid.size(); ++i)
        grid[i] = 1e-4f * i - 0.2f;

    const GLuint t1 = createWedgeTexture1D(row.data());
    expectWedgeTextureState(GL_TEXTURE_1D, GL_TEXTURE_BINDING_1D, t1, WEDGE_GRID, 1);
    EXPECT_EQ(readBack(GL_TEXTURE_1D, t1, WEDGE_GRID), row);

    const GLuint t2 = createWedgeTexture2D(grid.data());
    expectWedgeTextureState(GL_TEXTURE_2D, GL_TEXTURE_BINDING_2D, t2, WEDGE_GRID, WEDGE_GRID);
    EXPECT_EQ(readBack(GL_TEXTURE_2D, t2, WEDGE_GRID * WEDGE_GRID), grid);

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteTextures(1, &t1);
    glDeleteTextures(1, &t2);
}

TEST(WedgeTextures, StartUpStepsUploadTheTablesInCoefficientOrder) {
    GLTestContext ctx;
    ASSERT_TRUE(ctx.ok());

    setSampleSeedSource(fixedSeed);
    CaptureStdout();
    EXPECT_TRUE(CalcWedge1D());
    EXPECT_TRUE(CalcWedge2D());
    EXPECT_TRUE(CalcEnvWedge2D());
    EXPECT_EQ(GetCapturedStdout(), "Calculating 1D Wedge Information ...\nDone!\n\n"
                                   "Calculating 2D Wedge Information ...\nDone!\n\n"
                                   "Calculating Environment 2D Wedge Information ...\nDone!\n\n");
    setSampleSeedSource(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const OwnedSampleSet set(fixedSeed());
    std::vector<double> oneD(WEDGE_GRID * 16), twoD(WEDGE_GRID * WEDGE_GRID * 16),
        env(WEDGE_GRID * WEDGE_GRID * 16);
    computeWedgeTable1D(set.samples.data(), oneD.data());
    computeWedgeTable2D(set.samples.data(), WEDGE_EXTENT, twoD.data());
    computeWedgeTable2D(set.samples.data(), ENV_WEDGE_EXTENT, env.data());

    expectTableInTextures(GL_TEXTURE_1D, wedge1DTextures, oneD.data(), WEDGE_GRID);
    expectTableInTextures(GL_TEXTURE_2D, wedge2DTextures, twoD.data(), WEDGE_GRID * WEDGE_GRID);
    expectTableInTextures(GL_TEXTURE_2D, envWedge2DTextures, env.data(), WEDGE_GRID * WEDGE_GRID);
    for (int g = 0; g < 4; ++g)
        expectWedgeTextureState(GL_TEXTURE_2D, GL_TEXTURE_BINDING_2D, wedge2DTextures[g],
                                WEDGE_GRID, WEDGE_GRID);
}
