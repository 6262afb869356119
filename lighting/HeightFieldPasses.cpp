#include "HeightFieldPasses.h"

#include "DisplayFramebuffer.h"
#include "RenderTargets.h"
#include "Shaders.h"
#include "SkyCube.h"

#include <iostream>

double (*heightFieldClockMs)() = nullptr;
int lightingHalf = -1;

namespace {

constexpr GLsizei S = renderTargetSize;

GLint uniform(const ShaderProgram* program, const char* name) {
    return glGetUniformLocation(program->program, name);
}

void targetLayer(GLuint fbo, int layer) {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, hfPyramidArray, 0, layer);
}

void drawTargetQuad(GLuint vao) {
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
}

} // namespace

void scissorToLightingHalf() {
    if (lightingHalf < 0)
        return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, lightingHalf * renderTargetSize / 2, renderTargetSize, renderTargetSize / 2);
}

void endLightingHalf() {
    glDisable(GL_SCISSOR_TEST);
}

float noiseTime(double milliseconds) {
    return static_cast<float>(static_cast<float>(milliseconds) * 1.0000000116860974e-07);
}

void NoisePass() {
    targetLayer(noiseFbo, 0);
    glViewport(0, 0, S, S);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, permutationTexture);
    glUseProgram(noiseProgram->program);
    glUniform1i(uniform(noiseProgram, "permTexture"), 0);
    glUniform1f(uniform(noiseProgram, "time"),
                noiseTime(heightFieldClockMs ? heightFieldClockMs() : 0.0));

    // The sky cube, squashed by the noise program onto the target: its top face covers it once.
    scissorToLightingHalf();
    glBindVertexArray(skyCubeVao);
    glDrawElements(GL_TRIANGLES, skyCubeIndexCount, GL_UNSIGNED_SHORT, nullptr);
    endLightingHalf();
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

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    targetLayer(pyramidFbo, 2 * i + 2);
    glViewport(0, 0, size, size); // outside the level the layer keeps the set-up's zeros

    glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
    glUseProgram(reduceProgram->program);
    glUniform1i(uniform(reduceProgram, "hfPyramid"), 0);
    glUniform1f(uniform(reduceProgram, "scale"), pyramidLevelScale(i));
    glUniform1f(uniform(reduceProgram, "size"), float(S));
    glUniform1f(uniform(reduceProgram, "level"), float(2 * i));
    drawTargetQuad(targetQuadVao[0]);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}

void SynthesizePass(int i) {
    if (i < 0 || i >= pyramidLevelCount)
        return;

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    targetLayer(pyramidFbo, 2 * i + 1);
    glViewport(0, 0, S, S);

    glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
    glUseProgram(synthesizeProgram->program);
    glUniform1f(uniform(synthesizeProgram, "scale"), pyramidLevelScale(i));
    glUniform1f(uniform(synthesizeProgram, "level"), float(2 * i));
    glUniform1i(uniform(synthesizeProgram, "tex_Source"), 0);
    drawTargetQuad(targetQuadVao[0]);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
}

void NormalPass() {
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, normalFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, normalTexture, 0);
    glViewport(0, 0, S, S);

    glBindTexture(GL_TEXTURE_2D, baseHeightTexture);
    glUseProgram(calcNormalsProgram->program);
    glUniform1i(uniform(calcNormalsProgram, "samLinearClamp"), 1);
    glUniform1f(uniform(calcNormalsProgram, "size"), float(S));
    drawTargetQuad(targetQuadVao[2]);
    glBindTexture(GL_TEXTURE_2D, 0);

    glBindTexture(GL_TEXTURE_2D, envLightTarget);
    glGenerateMipmap(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}
