#include "GLTestContext.h"
#include "ImageBytes.h"
#include "Texture2D.h"

#include <gtest/gtest.h>

namespace {

Bytes readBack(GLuint name, int& width, int& height) {
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    Bytes pixels((size_t)width * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

GLint parameter(GLuint name, GLenum which) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

} // namespace

TEST(Texture2D, DefaultIsTwoByTwoOpaqueWhite) {
    GLTestContext ctx;
    ASSERT_TRUE(ctx.ok());
    Texturing::Texture2D texture;
    const GLuint name = texture.createDefault();
    ASSERT_NE(name, 0u);
    EXPECT_EQ(texture.textureId, name);
    int width = 0, height = 0;
    EXPECT_EQ(readBack(name, width, height), Bytes(16, 255));
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(parameter(name, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(name, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glDeleteTextures(1, &name);
}

TEST(Texture2D, PictureTopRowEndsAtTheTopOfTheTexture) {
    GLTestContext ctx;
    ASSERT_TRUE(ctx.ok());
    // 3 x 2 TGA stored top row first: top row all (1, 2, 3), bottom row all (7, 8, 9).
    const Bytes top = {1, 2, 3, 1, 2, 3, 1, 2, 3};
    const Bytes bottom = {7, 8, 9, 7, 8, 9, 7, 8, 9};
    Bytes pixels = top;
    pixels.insert(pixels.end(), bottom.begin(), bottom.end());
    const std::string path = testing::TempDir() + "picture.tga";
    ASSERT_TRUE(writeFile(path, tgaFile(2, 24, 3, 2, pixels, true)));

    Texturing::Texture2D loader;
    const GLuint name = loader.loadFromFile(path);
    ASSERT_NE(name, 0u);
    EXPECT_EQ(loader.textureId, 0u) << "the name is returned only";
    EXPECT_EQ(loader.width, 0);
    int width = 0, height = 0;
    const Bytes texels = readBack(name, width, height);
    ASSERT_EQ(width, 3);
    ASSERT_EQ(height, 2);
    // The first row GL holds is t = 0, the bottom of the picture.
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 4), Bytes({7, 8, 9, 255}));
    EXPECT_EQ(Bytes(texels.begin() + 12, texels.begin() + 16), Bytes({1, 2, 3, 255}));
    EXPECT_EQ(parameter(name, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(name, GL_TEXTURE_WRAP_S), GL_REPEAT);
    glDeleteTextures(1, &name);

    EXPECT_EQ(loader.loadFromFile(testing::TempDir() + "missing.png"), 0u);
    EXPECT_EQ(loader.textureId, 0u);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    std::remove(path.c_str());
}
