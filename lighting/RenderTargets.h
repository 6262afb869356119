#pragma once

#include "PyramidLevels.h"

#include <GL/glew.h>

// The terrain lighting's GL objects: 256 x 256 float targets, their framebuffers, the noise
// lookup texture and the full-target quads. Made once at start-up, read by the per-frame passes
// and by the terrain draw.

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

// The base height image the set-up loads; it must be a 24-bit BMP of 256 x 256 pixels.
extern const char* const baseHeightImagePath;

// Start-up steps. SetupRenderTargets ends the program with exit code 1 when the base height image
// cannot be used, and with -1 when a framebuffer is incomplete.
bool SetupRenderTargets();
bool InitRenderTargetVaos();
// Checks each of the five framebuffers (binding displayFramebuffer afterwards) and prints the
// outcome; true only when every one is complete.
bool checkFramebufferStatus();
// Shutdown: the three quad buffers, then the three quad vertex arrays.
void DeleteRenderTargetArrays();
