#pragma once

#include <GL/glew.h>

// The sky cube: 8 corners at 500 x (+-1, +-1, +-1), each with its direction as the cube-map
// lookup, 36 16-bit indices. The sky draws it from inside; the noise pass draws it too.
extern GLuint skyCubeVertexBuffer;
extern GLuint skyCubeIndexBuffer;
extern GLuint skyCubeVao;

constexpr float skyCubeHalfSize = 500.0f;
constexpr GLsizei skyCubeIndexCount = 36;

// Start-up: the two buffers, then the vertex array (needs the CubeMapShader program).
void initArrayBuffer();
void initVertexArray();
// Shutdown: the vertex array, then the vertex and index buffers.
void DeleteSkyCube();
