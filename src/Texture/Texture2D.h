#pragma once

#include <GL/glew.h>

#include <string>
#include <vector>

namespace Texturing {

// GL 2D texture maker for the model renderer: a white fallback and textures from picture files.
class Texture2D {
  public:
    Texture2D() = default;
    virtual ~Texture2D() = default;

    // A 2x2 opaque white texture; its name is kept in textureId and returned.
    GLuint createDefault();
    // A new texture holding the picture, bottom row first as GL expects, linear filtering and
    // repeat wrap; 0 when the file cannot be decoded. The caller keeps the name.
    GLuint loadFromFile(const std::string& fileName);

    int width = 0;
    int height = 0;
    GLuint textureId = 0;
    std::vector<unsigned char> pixels;
    float maxAnisotropy = 0.0f;
    // Colour pictures are sRGB-encoded: stored as such, the sampler decodes them before it filters
    // and mipmaps average light, not code values. Data pictures (normal maps) stay linear.
    bool srgb = false;
};

} // namespace Texturing
