#include "RenderTargets.h"

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
