#include "SkyCube.h"

#include "GLError.h"
#include "Shaders.h"

#include <cstdint>

GLuint skyCubeVertexBuffer = 0;
GLuint skyCubeIndexBuffer = 0;
GLuint skyCubeVao = 0;

namespace {

constexpr float D = skyCubeHalfSize;

// Position, then direction.
const float cubeVertices[8][6] = {
    {-D, -D, D, -1, -1, 1}, {D, -D, D, 1, -1, 1}, {-D, -D, -D, -1, -1, -1}, {D, -D, -D, 1, -1, -1},
    {-D, D, D, -1, 1, 1},   {D, D, D, 1, 1, 1},   {-D, D, -D, -1, 1, -1},   {D, D, -D, 1, 1, -1},
};

const uint16_t cubeIndices[skyCubeIndexCount] = {
    0, 2, 3, 3, 1, 0, 4, 5, 7, 7, 6, 4, 0, 1, 5, 5, 4, 0,
    1, 3, 7, 7, 5, 1, 3, 2, 6, 6, 7, 3, 2, 0, 4, 4, 6, 2,
};

} // namespace

void initArrayBuffer() {
    glGenBuffers(1, &skyCubeIndexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, skyCubeIndexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof cubeIndices, cubeIndices, GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    glGenBuffers(1, &skyCubeVertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, skyCubeVertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof cubeVertices, cubeVertices, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    CheckGLError("initArrayBuffer()");
}

void initVertexArray() {
    glGenVertexArrays(1, &skyCubeVao);
    glBindVertexArray(skyCubeVao);
    glBindBuffer(GL_ARRAY_BUFFER, skyCubeVertexBuffer);
    const GLuint program = cubeMapProgram ? cubeMapProgram->program : 0;
    const GLint position = glGetAttribLocation(program, "Position");
    const GLint texcoord = glGetAttribLocation(program, "Texcoord");
    const GLsizei stride = 6 * sizeof(float);
    // A location of -1 (an attribute the shader does not use) is left out rather than passed on.
    if (position >= 0) {
        glVertexAttribPointer(position, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
        glEnableVertexAttribArray(position);
    }
    if (texcoord >= 0) {
        glVertexAttribPointer(texcoord, 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(3 * sizeof(float)));
        glEnableVertexAttribArray(texcoord);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, skyCubeIndexBuffer);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    CheckGLError("initVertexArray()");
}

void DeleteSkyCube() {
    glDeleteVertexArrays(1, &skyCubeVao);
    glDeleteBuffers(1, &skyCubeVertexBuffer);
    glDeleteBuffers(1, &skyCubeIndexBuffer);
    skyCubeVao = skyCubeVertexBuffer = skyCubeIndexBuffer = 0;
}
