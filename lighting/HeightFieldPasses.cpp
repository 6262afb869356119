#include "HeightFieldPasses.h"

#include "ContextInfo.h"
#include "DisplayFramebuffer.h"
#include "RenderTargets.h"
#include "Shaders.h"
#include "SkyCube.h"

#include <iostream>

double (*heightFieldClockMs)() = nullptr;
LayerSeparation pyramidLayerSeparation = LayerSeparation::undecided;
int lightingPart = -1;

namespace {

// Texels along each side of every square lighting target.
constexpr GLsizei targetSide = renderTargetSize;

GLint uniform(const ShaderProgram* program, const char* name) {
    return glGetUniformLocation(program->program, name);
}

// GL 4.5 and ARB_texture_barrier name it glTextureBarrier, NV_texture_barrier glTextureBarrierNV;
// nullptr where the current context has neither.
PFNGLTEXTUREBARRIERPROC textureBarrierOfContext() {
    if (glTextureBarrier &&
        (ContextVersionAtLeast(4, 5) || ContextHasExtension("GL_ARB_texture_barrier")))
        return glTextureBarrier;
    if (glTextureBarrierNV && ContextHasExtension("GL_NV_texture_barrier"))
        return glTextureBarrierNV;
    return nullptr;
}

// The barrier to issue before each pyramid draw; nullptr when the passes use the scratch target.
PFNGLTEXTUREBARRIERPROC layerBarrier() {
    static PFNGLTEXTUREBARRIERPROC barrier = nullptr;
    if (pyramidLayerSeparation == LayerSeparation::undecided ||
        (pyramidLayerSeparation == LayerSeparation::textureBarrier && !barrier)) {
        barrier = textureBarrierOfContext();
        pyramidLayerSeparation =
            barrier ? LayerSeparation::textureBarrier : LayerSeparation::scratchTarget;
    }
    return pyramidLayerSeparation == LayerSeparation::textureBarrier ? barrier : nullptr;
}

// Binds pyramidFbo with what a pyramid pass draws into: the layer itself, or the scratch target
// when no barrier can separate the draw from the layers it samples. The scratch target starts as
// a copy of the layer's side x side corner, so texels the draw leaves alone (a level the synthesis
// does not draw) keep the layer's values. Leaves the active unit's 2D binding empty.
void attachPyramidTarget(int layer, int side, PFNGLTEXTUREBARRIERPROC barrier) {
    glBindFramebuffer(GL_FRAMEBUFFER, pyramidFbo);
    glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, hfPyramidArray, 0, layer);
    if (barrier)
        return;
    glBindTexture(GL_TEXTURE_2D, noiseScratchTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, side, side);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, noiseScratchTexture,
                           0);
}

// Draws a pyramid pass's quad with hfPyramidArray bound on the active unit. With a barrier, the
// layers the pass reads were written by earlier draws while the array was attached: the barrier
// makes them visible, and the pass reads no texel it writes. Without one, the side x side corner
// the pass drew into the scratch target is copied into its layer, and pyramidFbo is left on the
// layer either way.
void drawPyramidPass(int layer, int side, PFNGLTEXTUREBARRIERPROC barrier) {
    if (barrier)
        barrier();
    glBindVertexArray(targetQuadVao[0]);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    glUseProgram(0);
    if (!barrier) {
        glCopyTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, layer, 0, 0, side, side);
        glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, hfPyramidArray, 0, layer);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
}

} // namespace

void scissorToLightingPart(int side) {
    if (lightingPart < 0)
        return;
    // A level of fewer rows than bands is updated with the bands that hold its rows.
    const int first = lightingPart * side / lightingParts;
    const int end = (lightingPart + 1) * side / lightingParts;
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, first, side, end - first);
}

void endLightingPart() {
    glDisable(GL_SCISSOR_TEST);
}

bool lightingRoundEnds() {
    return lightingPart < 0 || lightingPart == lightingParts - 1;
}

float noiseTime(double milliseconds) {
    return static_cast<float>(static_cast<float>(milliseconds) * 1.0000000116860974e-07);
}

void NoisePass() {
    glBindFramebuffer(GL_FRAMEBUFFER, noiseFbo);
    glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, hfPyramidArray, 0, 0);
    glViewport(0, 0, targetSide, targetSide);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, permutationTexture);
    glUseProgram(noiseProgram->program);
    glUniform1i(uniform(noiseProgram, "permTexture"), 0);
    glUniform1f(uniform(noiseProgram, "time"),
                noiseTime(heightFieldClockMs ? heightFieldClockMs() : 0.0));

    // The sky cube, squashed by the noise program onto the target: its top face covers it once.
    scissorToLightingPart();
    glBindVertexArray(skyCubeVao);
    glDrawElements(GL_TRIANGLES, skyCubeIndexCount, GL_UNSIGNED_SHORT, nullptr);
    endLightingPart();
    glBindVertexArray(0);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void ReducePass(int i) {
    if (i < 0 || i > pyramidLevelCount - 2) { // level i + 1 must exist
        std::cout << "---------------------" << std::endl;
        return;
    }
    const int size = reductionSize(i);
    const PFNGLTEXTUREBARRIERPROC barrier = layerBarrier();

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    attachPyramidTarget(2 * i + 2, size, barrier);
    glViewport(0, 0, size, size); // outside the level the layer keeps the set-up's zeros

    glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
    glUseProgram(reduceProgram->program);
    glUniform1i(uniform(reduceProgram, "hfPyramid"), 0);
    glUniform1f(uniform(reduceProgram, "scale"), pyramidLevelScale(i));
    glUniform1f(uniform(reduceProgram, "size"), float(targetSide));
    glUniform1f(uniform(reduceProgram, "level"), float(2 * i));
    scissorToLightingPart(size);
    drawPyramidPass(2 * i + 2, size, barrier);
    endLightingPart();
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}

void SynthesizePass(int i) {
    if (i < 0 || i >= pyramidLevelCount)
        return;
    const PFNGLTEXTUREBARRIERPROC barrier = layerBarrier();

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    attachPyramidTarget(2 * i + 1, targetSide, barrier);
    glViewport(0, 0, targetSide, targetSide);

    glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
    glUseProgram(synthesizeProgram->program);
    glUniform1f(uniform(synthesizeProgram, "scale"), pyramidLevelScale(i));
    glUniform1f(uniform(synthesizeProgram, "level"), float(2 * i));
    glUniform1i(uniform(synthesizeProgram, "tex_Source"), 0);
    scissorToLightingPart();
    drawPyramidPass(2 * i + 1, targetSide, barrier);
    endLightingPart();
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}

void NormalPass() {
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, normalFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, normalTexture, 0);
    glViewport(0, 0, targetSide, targetSide);

    glBindTexture(GL_TEXTURE_2D, baseHeightTexture);
    glUseProgram(calcNormalsProgram->program);
    glUniform1i(uniform(calcNormalsProgram, "samLinearClamp"), 1);
    glUniform1f(uniform(calcNormalsProgram, "size"), float(targetSide));
    scissorToLightingPart(targetSide);
    glBindVertexArray(targetQuadVao[2]);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    endLightingPart();
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glBindTexture(GL_TEXTURE_2D, 0);

    if (lightingRoundEnds()) {
        glBindTexture(GL_TEXTURE_2D, envLightTarget);
        glGenerateMipmap(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}
