#pragma once

// What the terrain lighting's GL tests and benchmark share: a private run tree (the source
// shaders, a base height image of the test's choice) as the working directory, a GL context with
// the programs loaded, and ways to put fields into height layer 0 and read targets back.

#include "GLTestContext.h"
#include "HeightNoise.h"
#include "ImageBytes.h"
#include "RenderTargets.h"
#include "Shaders.h"
#include "SkyCube.h"
#include "TestFolders.h"
#include "WedgeTables.h"

#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace lighting_test {

namespace fs = std::filesystem;
constexpr int N = renderTargetSize;

// A 24-bit BMP, bottom row first; pixel(column, row) gives {r, g, b}.
struct Rgb {
    unsigned char r, g, b;
};
inline void writeBmp(const fs::path& path, int width, int height,
                     const std::function<Rgb(int, int)>& pixel) {
    Bytes bgr;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const Rgb c = pixel(column, row);
            bgr.insert(bgr.end(), {c.b, c.g, c.r});
        }
    writeFile(path.string(), bmpFile(width, height, bgr));
}

// The show's base image: the terrain at time 0, grey.
inline Rgb terrainPixel(int column, int row) {
    const float h = terrainHeight((column + 0.5f) / N, (row + 0.5f) / N, 0.0f);
    const auto v = static_cast<unsigned char>(h * 255.0f + 0.5f);
    return {v, v, v};
}

// A run tree in a temporary folder, the working directory while it lives: bin/ (the working
// directory), shader/ (the sources'), Images/h4.bmp.
struct RunTree {
    static fs::path makeTree(const fs::path& root) {
        fs::create_directories(root / "bin");
        fs::create_directories(root / "Images");
        fs::create_directory_symlink(fs::path(BRASTEL_SOURCE_DIR) / "shader", root / "shader");
        return root;
    }
    fs::path image() const { return root / "Images" / "h4.bmp"; }

    ScratchFolder folder{"brastel-lighting"};
    const fs::path root = makeTree(folder.path);
    WorkingDirectory workingDirectory{root / "bin"};
};

// A GL context, the programs, the sky cube and the render targets set up from the given base
// image, as the program's start-up makes them (their console lines are swallowed).
class LightingScene {
  public:
    explicit LightingScene(const std::function<Rgb(int, int)>& pixel = terrainPixel) {
        writeBmp(tree.image(), N, N, pixel);
        // Names a context of an earlier test made mean nothing (or another texture) in this one.
        for (int g = 0; g < 4; ++g)
            wedge1DTextures[g] = wedge2DTextures[g] = envWedge2DTextures[g] = 0;
        if (!context.ok() || !LoadShaders())
            return;
        std::ostringstream swallowed;
        std::streambuf* const console = std::cout.rdbuf(swallowed.rdbuf());
        initArrayBuffer();
        initVertexArray();
        SetupRenderTargets();
        InitRenderTargetVaos();
        std::cout.rdbuf(console);
        ready = true;
    }
    ~LightingScene() {
        DeleteRenderTargetArrays();
        DeleteSkyCube();
        ReleaseShaders();
    }
    bool ok() const { return ready; }

    RunTree tree;
    GLTestContext context;
    bool ready = false;
};

// Height layer 0 := h (N x N, row after row, row 0 first), in red.
inline void uploadHeights(const std::vector<float>& h) {
    std::vector<float> texels(static_cast<size_t>(N) * N * 4, 1.0f);
    for (size_t t = 0; t < h.size(); ++t)
        texels[t * 4] = texels[t * 4 + 1] = texels[t * 4 + 2] = h[t];
    glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
    glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, 0, N, N, 1, GL_RGBA, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}

// RGBA floats of one layer of hfPyramidArray, row 0 first.
inline std::vector<float> readLayer(int layer) {
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glFramebufferTextureLayer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, hfPyramidArray, 0, layer);
    std::vector<float> texels(static_cast<size_t>(N) * N * 4);
    glReadPixels(0, 0, N, N, GL_RGBA, GL_FLOAT, texels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    return texels;
}

// RGBA floats of level 0 of a 2D texture, row 0 first.
inline std::vector<float> readTexture(GLuint texture) {
    std::vector<float> texels(static_cast<size_t>(N) * N * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

} // namespace lighting_test
