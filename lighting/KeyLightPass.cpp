#include "KeyLightPass.h"

#include "DisplayFramebuffer.h"
#include "HeightFieldPasses.h"
#include "KeyLight.h"
#include "LightingPasses.h"
#include "RenderTargets.h"
#include "Shaders.h"
#include "WedgeTables.h"

float swathWidth = 20.0f;
const int keyLightOffset = 6;

namespace {

bool fullUpdateRequested = true; // the first update fills every texel
int nextPart = 0;

struct Binding {
    GLenum target;
    const GLuint* texture;
    const char* sampler;
};

// Units 0, 2, 3, ... 10 in this order; unit 1 stays free.
const Binding bindings[] = {
    {GL_TEXTURE_2D_ARRAY, &hfPyramidArray, "heightField"},
    {GL_TEXTURE_2D, &normalTexture, "test"},
    {GL_TEXTURE_2D, &wedge2DTextures[0], "vis4"},
    {GL_TEXTURE_2D, &wedge2DTextures[1], "vis8"},
    {GL_TEXTURE_2D, &wedge2DTextures[2], "vis12"},
    {GL_TEXTURE_2D, &wedge2DTextures[3], "vis16"},
    {GL_TEXTURE_1D, &wedge1DTextures[0], "vis1D4"},
    {GL_TEXTURE_1D, &wedge1DTextures[1], "vis1D8"},
    {GL_TEXTURE_1D, &wedge1DTextures[2], "vis1D12"},
    {GL_TEXTURE_1D, &wedge1DTextures[3], "vis1D16"},
};

int unitOf(int binding) {
    return binding == 0 ? 0 : binding + 1;
}

} // namespace

void KeyLightPass() {
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, keyLightFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, keyLightTarget, 0);
    glViewport(0, 0, renderTargetSize, renderTargetSize); // the pass draws every texel

    const int count = static_cast<int>(sizeof bindings / sizeof bindings[0]);
    for (int b = 0; b < count; ++b) {
        glActiveTexture(GL_TEXTURE0 + unitOf(b));
        glBindTexture(bindings[b].target, *bindings[b].texture);
    }

    const GLuint program = keyLightProgram->program;
    glUseProgram(program);
    for (int b = 0; b < count; ++b)
        glUniform1i(glGetUniformLocation(program, bindings[b].sampler), unitOf(b));
    glUniform1i(glGetUniformLocation(program, "offset"), keyLightOffset);
    glUniform1f(glGetUniformLocation(program, "phi"), static_cast<float>(keyLightAzimuth));
    glUniform1f(glGetUniformLocation(program, "swathWidth"), swathWidth);
    glUniform1fv(glGetUniformLocation(program, "RedLightKey"), SH_COEFFICIENTS, redLightKey);
    glUniform1fv(glGetUniformLocation(program, "GreenLightKey"), SH_COEFFICIENTS, greenLightKey);
    glUniform1fv(glGetUniformLocation(program, "BlueLightKey"), SH_COEFFICIENTS, blueLightKey);
    const KeyLightNodes nodes = keyLightNodes(redLightKey);
    glUniform1fv(glGetUniformLocation(program, "keyNodeLight"), KeyLightNodes::count, nodes.light);
    glUniform3fv(glGetUniformLocation(program, "keyOpenSky"), 1, nodes.openSky);

    scissorToLightingPart();
    glBindVertexArray(targetQuadVao[2]);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    endLightingPart();
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);

    // Every unit the pass used goes back to empty, the last one (10) staying active.
    for (int b = 0; b < count; ++b) {
        glActiveTexture(GL_TEXTURE0 + unitOf(b));
        glBindTexture(bindings[b].target, 0);
    }
    if (lightingRoundEnds()) {
        glBindTexture(GL_TEXTURE_2D, keyLightTarget);
        glGenerateMipmap(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

void RequestFullLightingUpdate() {
    fullUpdateRequested = true;
}

void BeginLightingUpdate() {
    // The passes that follow the animated field update one band of their rows per frame, the
    // bands in turn.
    lightingPart = fullUpdateRequested ? -1 : nextPart;
    fullUpdateRequested = false;
    nextPart = (nextPart + 1) % lightingParts;
}

void EndLightingUpdate() {
    lightingPart = -1;
}

void UpdateLighting() {
    for (const FramePass& pass : lightingPasses)
        pass.run();
}
