#include "EnvLightPass.h"

#include "DisplayFramebuffer.h"
#include "HdrLight.h"
#include "HeightFieldPasses.h"
#include "RenderTargets.h"
#include "Shaders.h"

namespace {

// Bands 0 to 2 are all that irradiance keeps of a radiance expansion.
constexpr int irradianceCoefficients = 9;

// The sky's own coefficients: the start-up projection holds them at the probe's lookup scale.
void uploadSky(GLuint program, const char* name, const float env[SH_COEFFICIENTS]) {
    float sky[irradianceCoefficients];
    for (int j = 0; j < irradianceCoefficients; ++j)
        sky[j] = env[j] / hdrProbeLookupScale;
    glUniform1fv(glGetUniformLocation(program, name), irradianceCoefficients, sky);
}

} // namespace

void EnvLightPass() {
    if (!envLightProgram || envLightProgram->program == 0 || envLightFbo == 0 ||
        envLightTarget == 0 || targetQuadVao[2] == 0)
        return;
    const GLuint program = envLightProgram->program;

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glBindFramebuffer(GL_FRAMEBUFFER, envLightFbo);
    glViewport(0, 0, renderTargetSize, renderTargetSize);

    glUseProgram(program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D_ARRAY, hfPyramidArray);
    glUniform1i(glGetUniformLocation(program, "heightField"), 0);
    uploadSky(program, "skyRed", envRed);
    uploadSky(program, "skyGreen", envGreen);
    uploadSky(program, "skyBlue", envBlue);

    scissorToLightingPart();
    glBindVertexArray(targetQuadVao[2]);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    endLightingPart();
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    // Its mipmaps, which the terrain reads minified, are made by the normal pass that follows.

    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
