#pragma once

#include "ShaderProgram.h"

// The programs of the lighting passes, the sky and the texture viewers, built once at start-up.
extern ShaderProgram* reduceProgram;
extern ShaderProgram* synthesizeProgram;
extern ShaderProgram* viewTex2DArrayProgram;
extern ShaderProgram* viewTex2DProgram;
extern ShaderProgram* viewTex1DProgram;
extern ShaderProgram* calcNormalsProgram;
extern ShaderProgram* keyLightProgram;
extern ShaderProgram* cameraProgram;
extern ShaderProgram* envLightProgram;
extern ShaderProgram* cubeMapProgram;
extern ShaderProgram* noiseProgram;

// Builds the programs in order; prints the failing one's message and returns false at the first
// that cannot be built.
bool LoadShaders();

// Deletes every program built so far.
void ReleaseShaders();
