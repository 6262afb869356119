#pragma once

#include <GL/glew.h>

// The terrain lighting's GL objects: 256 x 256 float targets, their framebuffers, the noise
// lookup texture and the full-target quads. Made once at start-up, read by the per-frame passes
// and by the terrain draw.

// N = trunc(floor(2 ln 256 / ln 2)) + 1 in single precision: 17 levels, 34 array layers.
constexpr int pyramidLevelCount = 17;
// 2^0.5 in single precision.
constexpr float pyramidScale = 1.41421354f;
constexpr int renderTargetSize = 256;

// Layer 0: the animated height field; layer 2k: pyramid level k; layer 2k+1: synthesized level k.
extern GLuint hfPyramidArray;
extern GLuint baseHeightTexture;  // the base height image, as loaded
extern GLuint normalTexture;      // written by the normal pass
extern GLuint permutationTexture; // noise lookup: gradients in RGB, hash in A
extern GLuint noiseScratchTexture;
extern GLuint envLightTarget; // the sky's light on the terrain
extern GLuint keyLightTarget; // the key light's soft-shadowed light on the terrain

extern GLuint normalFbo;
extern GLuint noiseFbo;
extern GLuint pyramidFbo;
extern GLuint envLightFbo;
extern GLuint keyLightFbo;

// Full-target quads, set up with the Reduce, ftotf and calcNormals programs' "Position".
extern GLuint targetQuadVao[3];
extern GLuint targetQuadBuffer[3];

// Start-up steps.
bool SetupRenderTargets();
bool InitRenderTargetVaos();
bool checkFramebufferStatus();
// Shutdown: the three quad buffers, then the three quad vertex arrays.
void DeleteRenderTargetArrays();
