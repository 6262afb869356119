#pragma once

// Shared by the model GL tests: an off-screen target to draw into and read back, files written
// into a scratch folder, and a working directory whose "../shader" is the project's folder.

#include "GLTestContext.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace modeltest {

namespace fs = std::filesystem;

// The shader loader reads "../shader/<name>": run from a folder beside the project's shader/.
inline fs::path projectModelFolder() {
    return fs::path(BRASTEL_SOURCE_DIR) / "model";
}

// A 4 x 4 picture of one colour as an uncompressed 24-bit TGA.
inline std::string tgaOfColour(unsigned char r, unsigned char g, unsigned char b) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = bytes[14] = 4;
    bytes[16] = 24;
    for (int i = 0; i < 16; ++i) {
        bytes += static_cast<char>(b);
        bytes += static_cast<char>(g);
        bytes += static_cast<char>(r);
    }
    return bytes;
}

inline GLint attributeEnabled(GLuint vertexArray, GLuint location) {
    GLint enabled = 0;
    glBindVertexArray(vertexArray);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glBindVertexArray(0);
    return enabled;
}

// A colour and depth framebuffer of its own, bound while the object lives.
class OffscreenTarget {
  public:
    OffscreenTarget(int w, int h) : width(w), height(h) {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenRenderbuffers(2, renderbuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  renderbuffers[0]);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  renderbuffers[1]);
        complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        glViewport(0, 0, w, h);
        clear();
    }
    ~OffscreenTarget() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(2, renderbuffers);
    }
    void clear() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // RGBA rows, bottom row first.
    std::vector<unsigned char> read() const {
        std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    const unsigned char* at(const std::vector<unsigned char>& pixels, int x, int y) const {
        return &pixels[(static_cast<size_t>(y) * width + x) * 4];
    }
    // Mean of r + g + b over a rectangle (x0 <= x < x1, y0 <= y < y1, y from the bottom).
    double brightness(const std::vector<unsigned char>& pixels, int x0, int y0, int x1,
                      int y1) const {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const unsigned char* p = at(pixels, x, y);
                sum += p[0] + p[1] + p[2];
            }
        return sum / ((x1 - x0) * (y1 - y0));
    }

    // Debugging aid: the picture as a binary PPM, top row first.
    void savePpm(const std::vector<unsigned char>& pixels, const std::string& path) const {
        std::ofstream out(path, std::ios::binary);
        out << "P6 " << width << " " << height << " 255\n";
        for (int y = height - 1; y >= 0; --y)
            for (int x = 0; x < width; ++x)
                out.write(reinterpret_cast<const char*>(at(pixels, x, y)), 3);
    }

    int width, height;
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};
    bool complete = false;
};

} // namespace modeltest
