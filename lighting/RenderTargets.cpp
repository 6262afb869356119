#include "RenderTargets.h"

#include "DisplayFramebuffer.h"
#include "GLError.h"
#include "HeightNoise.h"
#include "ImageLoaders.h"
#include "RunTree.h"
#include "Shaders.h"

#include <cstdlib>
#include <iostream>
#include <vector>

GLuint hfPyramidArray = 0;
GLuint baseHeightTexture = 0;
GLuint normalTexture = 0;
GLuint permutationTexture = 0;
GLuint noiseScratchTexture = 0;
GLuint envLightTarget = 0;
GLuint keyLightTarget = 0;

GLuint normalFbo = 0;
GLuint noiseFbo = 0;
GLuint pyramidFbo = 0;
GLuint envLightFbo = 0;
GLuint keyLightFbo = 0;

GLuint targetQuadVao[3] = {};
GLuint targetQuadBuffer[3] = {};

const char* const baseHeightImagePath = runtree::heightImagePath;

namespace {

// Texels along each side of every square lighting target.
constexpr GLsizei targetSide = renderTargetSize;

// Two triangles over the whole target in clip space.
const float targetQuad[6][3] = {
    {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {1, 1, 0}, {-1, 1, 0}, {-1, -1, 0},
};

void setLinearClamp(GLenum target) {
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

// A 256 x 256 RGBA32F target without data.
GLuint createFloatTarget() {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    setLinearClamp(GL_TEXTURE_2D);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, targetSide, targetSide, 0, GL_RGBA, GL_FLOAT,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

GLuint createFramebuffer(GLuint texture) {
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    return fbo;
}

// The base height image as 256 x 256 RGBA bytes, bottom row first. Anything else would be read
// past its end by the uploads, so it ends the program.
Texture loadBaseHeightImage() {
    Texture image;
    loadBmp(baseHeightImagePath, image); // ends the program itself on unreadable files
    if (image.width != targetSide || image.height != targetSide || image.format != PIXEL_RGBA ||
        image.type != PIXEL_UNSIGNED_BYTE) {
        std::cerr << "\n Base height image " << baseHeightImagePath << " is " << image.width
                  << " x " << image.height << " pixels; it must be " << targetSide << " x "
                  << targetSide << "." << std::endl;
        std::free(image.data);
        std::exit(1);
    }
    return image;
}

void createPermutationTexture() {
    std::vector<unsigned char> texels(noiseTableSize * noiseTableSize * 4);
    buildPermutationTexels(texels.data());
    glGenTextures(1, &permutationTexture);
    glBindTexture(GL_TEXTURE_2D, permutationTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, noiseTableSize, noiseTableSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// The set-up's texts for the incomplete states; nullptr for values without one.
const char* incompleteText(GLenum status) {
    switch (status) {
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
        return "framebuffer INCOMPLETE_ATTACHMENT_EXT";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
        return "framebuffer FRAMEBUFFER_MISSING_ATTACHMENT_EXT";
    case 0x8CD9: // incomplete dimensions
        return "framebuffer FRAMEBUFFER_DIMENSIONS_EXT";
    case 0x8CDA: // incomplete formats
        return "framebuffer INCOMPLETE_FORMATS_EXT";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER:
        return "framebuffer INCOMPLETE_DRAW_BUFFER_EXT";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER:
        return "framebuffer INCOMPLETE_READ_BUFFER_EXT";
    case GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS:
        return "framebuffer INCOMPLETE_LAYER_TARGETS_EXT";
    case 0x8DA9: // incomplete layer count
        return "framebuffer INCOMPLETE_LAYER_COUNT_EXT";
    case 0x8CA6: // the binding query's enum, answered by some drivers
        return "framebuffer BINDING_EXT";
    case GL_FRAMEBUFFER_UNSUPPORTED:
        return "framebuffer GL_FRAMEBUFFER_UNSUPPORTED_EXT";
    default:
        return nullptr;
    }
}

} // namespace

bool SetupRenderTargets() {
    std::cout << "Setting Up Texture and Rendertarget Information ..." << std::endl;
    Texture image = loadBaseHeightImage();

    glGenTextures(1, &baseHeightTexture);
    glBindTexture(GL_TEXTURE_2D, baseHeightTexture);
    setLinearClamp(GL_TEXTURE_2D);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, targetSide, targetSide, 0, GL_RGBA, GL_FLOAT,
                 nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, targetSide, targetSide, GL_RGBA, GL_UNSIGNED_BYTE,
                    image.data);
    glBindTexture(GL_TEXTURE_2D, 0);

    normalTexture = createFloatTarget();
    normalFbo = createFramebuffer(normalTexture);

    createPermutationTexture();

    noiseScratchTexture = createFloatTarget();
    noiseFbo = createFramebuffer(noiseScratchTexture);

    glGenFramebuffers(1, &pyramidFbo);
    glGenTextures(1, &hfPyramidArray);
    glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
    setLinearClamp(GL_TEXTURE_2D_ARRAY);
    glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA32F, targetSide, targetSide, 2 * pyramidLevelCount,
                 0, GL_RGBA, GL_FLOAT, nullptr);
    glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, 0, targetSide, targetSide, 1, GL_RGBA,
                    GL_UNSIGNED_BYTE, image.data);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    std::free(image.data);
    image.data = nullptr;

    // Every layer but the height field starts at zero: the reductions draw only their level's
    // corner and rely on the rest staying zero.
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glBindFramebuffer(GL_FRAMEBUFFER, pyramidFbo);
    for (int layer = 1; layer < 2 * pyramidLevelCount; ++layer) {
        glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, hfPyramidArray, 0, layer);
        glClearBufferfv(GL_COLOR, 0, black);
    }
    glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, hfPyramidArray, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);

    // The terrain samples the sky's light with mipmaps (its minification filter is GL's
    // default): it starts black and complete until a pass fills it.
    glGenTextures(1, &envLightTarget);
    glBindTexture(GL_TEXTURE_2D, envLightTarget);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, targetSide, targetSide, 0, GL_RGBA, GL_FLOAT,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    envLightFbo = createFramebuffer(envLightTarget);

    keyLightTarget = createFloatTarget();
    keyLightFbo = createFramebuffer(keyLightTarget);
    // The key-light pass makes its mipmaps at the end of each round of bands: the terrain reads
    // the key light's mean over the field from the top level (the ground itself reads level 0).
    glBindTexture(GL_TEXTURE_2D, keyLightTarget);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);

    for (GLuint fbo : {envLightFbo, keyLightFbo}) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glClearBufferfv(GL_COLOR, 0, black);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    for (GLuint target : {envLightTarget, keyLightTarget}) {
        glBindTexture(GL_TEXTURE_2D, target);
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glBindTexture(GL_TEXTURE_2D, 0);

    std::cout << "Done!" << std::endl << std::endl;
    CheckGLError("SetupRenderTargets()");

    if (!checkFramebufferStatus()) {
        std::cout << "Bad Fbo status!" << std::endl;
        std::exit(-1);
    }
    return true;
}

bool checkFramebufferStatus() {
    const struct {
        GLuint fbo;
        const char* name;
    } framebuffers[] = {{normalFbo, "normalFbo"},
                        {noiseFbo, "noiseFbo"},
                        {pyramidFbo, "pyramidFbo"},
                        {envLightFbo, "envLightFbo"},
                        {keyLightFbo, "keyLightFbo"}};

    std::cout << "Checking Frambuffer Completness: " << std::flush;
    bool complete = true;
    for (const auto& f : framebuffers) {
        // Name 0 would check the window's own framebuffer: never the one the passes draw into.
        GLenum status = 0;
        if (f.fbo != 0) {
            glBindFramebuffer(GL_FRAMEBUFFER, f.fbo);
            status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        }
        if (status == GL_FRAMEBUFFER_COMPLETE)
            continue;
        const char* text = incompleteText(status);
        if (text)
            std::cout << text << " (" << f.name << ")" << std::endl;
        else
            std::cout << "framebuffer status 0x" << std::hex << status << std::dec << " (" << f.name
                      << ")" << std::endl;
        complete = false;
        break;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    if (complete)
        std::cout << "Framebuffer complete!" << std::endl << std::endl;
    return complete;
}

bool InitRenderTargetVaos() {
    std::cout << "Creating VertexArrays for RenderTargets ..." << std::endl;
    const ShaderProgram* const programs[3] = {reduceProgram, synthesizeProgram, calcNormalsProgram};
    for (int q = 0; q < 3; ++q) {
        glGenVertexArrays(1, &targetQuadVao[q]);
        glBindVertexArray(targetQuadVao[q]);
        glGenBuffers(1, &targetQuadBuffer[q]);
        glBindBuffer(GL_ARRAY_BUFFER, targetQuadBuffer[q]);
        glBufferData(GL_ARRAY_BUFFER, sizeof targetQuad, targetQuad, GL_STATIC_DRAW);
        const GLint position = programs[q] && programs[q]->program
                                   ? glGetAttribLocation(programs[q]->program, "Position")
                                   : -1;
        if (position >= 0) { // -1: the program has no such input, nothing to feed
            glVertexAttribPointer(position, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
            glEnableVertexAttribArray(position);
        }
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    CheckGLError("InitRenderTargetVaos()");
    std::cout << "Done!" << std::endl << std::endl;
    return true;
}

void DeleteRenderTargetArrays() {
    glDeleteBuffers(3, targetQuadBuffer);
    glDeleteVertexArrays(3, targetQuadVao);
    for (int q = 0; q < 3; ++q)
        targetQuadBuffer[q] = targetQuadVao[q] = 0;
}
