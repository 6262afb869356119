#pragma once

// Shared by the model GL tests: files written into a scratch folder, and a working directory whose
// "../shader" is the project's folder.

#include "GLTestContext.h"
#include "ImageBytes.h"
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
    Bytes bgr;
    for (int i = 0; i < 16; ++i)
        bgr.insert(bgr.end(), {b, g, r});
    const Bytes file = tgaFile(2, 24, 4, 4, bgr, false);
    return std::string(file.begin(), file.end());
}

inline GLint attributeEnabled(GLuint vertexArray, GLuint location) {
    GLint enabled = 0;
    glBindVertexArray(vertexArray);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glBindVertexArray(0);
    return enabled;
}

} // namespace modeltest
