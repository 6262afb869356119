#include "GLTestContext.h"
#include "ImageBytes.h"
#include "TestFolders.h"
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

} // namespace

TEST(Texture2D, DefaultIsOpaqueWhiteAndPicturesKeepTheirTopRowOnTop) {
    GLTestContext ctx;
    ASSERT_TRUE(ctx.ok());
    Texturing::Texture2D texture;
    const GLuint white = texture.createDefault();
    ASSERT_NE(white, 0u);
    EXPECT_EQ(texture.textureId, white);
    int width = 0, height = 0;
    EXPECT_EQ(readBack(white, width, height), Bytes(16, 255));
    EXPECT_EQ(width * 10 + height, 22);
    glDeleteTextures(1, &white);

    // 3 x 2 TGA stored top row first: top row all (1, 2, 3), bottom row all (7, 8, 9).
    const Bytes pixels = {1, 2, 3, 1, 2, 3, 1, 2, 3, 7, 8, 9, 7, 8, 9, 7, 8, 9};
    const ScratchFolder folder;
    const std::string path = folder.file("picture.tga");
    ASSERT_TRUE(writeFile(path, tgaFile(2, 24, 3, 2, pixels, true)));
    Texturing::Texture2D loader;
    const GLuint name = loader.loadFromFile(path);
    ASSERT_NE(name, 0u);
    const Bytes texels = readBack(name, width, height);
    ASSERT_EQ(width * 10 + height, 32);
    // The first row GL holds is t = 0, the bottom of the picture.
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 4), Bytes({7, 8, 9, 255}));
    EXPECT_EQ(Bytes(texels.begin() + 12, texels.begin() + 16), Bytes({1, 2, 3, 255}));
    glDeleteTextures(1, &name);
    EXPECT_EQ(loader.loadFromFile(folder.file("missing.png")), 0u);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
