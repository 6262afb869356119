#pragma once

#include <GL/glew.h>

// The wedge visibility tables as RGBA32F textures: texture g holds coefficients 4g ... 4g+3.
// They need a current GL context and live as long as it.

// Sampled by the key-light pass as "vis1D4", "vis1D8", "vis1D12", "vis1D16" (32 texels each).
extern GLuint wedge1DTextures[4];
// Sampled as "vis4", "vis8", "vis12", "vis16"; entry (i, j) at row i, column j of 32 x 32.
extern GLuint wedge2DTextures[4];
// The environment light's table, held but bound by no pass.
extern GLuint envWedge2DTextures[4];

// Nearest filtering, clamp to edge, allocated empty then filled with one sub-image upload of
// float RGBA texels. Both leave no texture bound.
GLuint createWedgeTexture1D(const float* texels); // 32 texels
GLuint createWedgeTexture2D(const float* texels); // 32 x 32 texels, row after row

// Start-up steps, in this order, each with its title and "Done!" lines. False only when the
// sample set or the tables cannot be allocated.
bool CalcWedge1D();
bool CalcWedge2D();
bool CalcEnvWedge2D();
