#include "Texture2D.h"

#include "ImageLoaders.h"

#include <cstring>

namespace Texturing {

namespace {

void setSampling(GLint filter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

} // namespace

GLuint Texture2D::createDefault() {
    width = 2;
    height = 2;
    pixels.assign(16, 255);
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    setSampling(GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 pixels.data());
    return textureId;
}

GLuint Texture2D::loadFromFile(const std::string& fileName) {
    DibPicture picture;
    if (!loadPicture(fileName, picture))
        return 0;

    // The picture is top row first; GL takes the first row in memory as the bottom one.
    const size_t pitch = (size_t)picture.pitch;
    std::vector<unsigned char> copy(picture.bits, picture.bits + pitch * picture.height);
    for (int i = 0; i < picture.height; ++i)
        std::memcpy(picture.bits + i * pitch, copy.data() + (picture.height - 1 - i) * pitch,
                    pitch);

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    setSampling(GL_LINEAR);
    if (maxAnisotropy > 1.0f)
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maxAnisotropy);
    glTexImage2D(GL_TEXTURE_2D, 0, srgb ? GL_SRGB8_ALPHA8 : GL_RGBA8, picture.width,
                 picture.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, picture.width, picture.height, GL_BGRA,
                    GL_UNSIGNED_BYTE, picture.bits);
    return name;
}

} // namespace Texturing
