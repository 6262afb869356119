#include "DebugViews.h"

#include "InputState.h"
#include "PyramidLevels.h"
#include "RenderTargets.h"
#include "Shaders.h"

#include <GL/glew.h>

#include <cstdio>
#include <iostream>

DebugView debugView = DebugView::Final;
bool debugViewsAllowed = true;
int debugViewLayer = 0;

namespace {

// What the viewer draws of a texel: colour = matrix * texel + bias (column-major, as GL takes it).
struct ViewColour {
    float matrix[16];
    float bias[4];
};

// Irradiance of about 3 (the key light on level ground) shows near white.
const ViewColour irradiance = {{1 / 3.f, 0, 0, 0, 0, 1 / 3.f, 0, 0, 0, 0, 1 / 3.f, 0, 0, 0, 0, 0},
                               {0, 0, 0, 1}};
const ViewColour alphaAsGrey = {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0}, {0, 0, 0, 1}};
const ViewColour heights = {{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 1}}; // red as grey
const ViewColour normals = {{.5f, 0, 0, 0, 0, .5f, 0, 0, 0, 0, .5f, 0, 0, 0, 0, 0},
                            {.5f, .5f, .5f, 1}};

void drawTexture(const ShaderProgram* viewer, GLenum target, GLuint texture,
                 const ViewColour& colour, GLuint secondTexture = 0) {
    if (!viewer || viewer->program == 0 || texture == 0 || targetQuadVao[2] == 0)
        return;
    const GLuint program = viewer->program;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glUseProgram(program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(target, texture);
    glUniform1i(glGetUniformLocation(program, "tex"), 0);
    // Unit 1 never stays empty while a sampler of the program names it (an empty unit reads black
    // on strict drivers): without a second texture it gets the first again, unread.
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, secondTexture != 0 || target != GL_TEXTURE_2D ? secondTexture : texture);
    glUniform1i(glGetUniformLocation(program, "alphaOf"), 1);
    glUniform1i(glGetUniformLocation(program, "useAlphaOf"), secondTexture != 0);
    glUniform1f(glGetUniformLocation(program, "layer"), static_cast<float>(debugViewLayer));
    glUniformMatrix4fv(glGetUniformLocation(program, "colorMatrix"), 1, GL_FALSE, colour.matrix);
    glUniform4fv(glGetUniformLocation(program, "colorBias"), 1, colour.bias);
    glBindVertexArray(targetQuadVao[2]);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(target, 0);
    glUseProgram(0);
}

} // namespace

void SelectDebugView(int functionKey) {
    if (!debugViewsAllowed)
        return;
    const DebugView before = debugView;
    switch (functionKey) {
    case VK_F1: debugView = DebugView::Final; break;
    case VK_F1 + 1: debugView = DebugView::KeyLight; break;
    case VK_F1 + 2: debugView = DebugView::SkyLight; break;
    case VK_F1 + 3: debugView = DebugView::OpenSky; break;
    case VK_F1 + 4:
        // Pressed again: the next layer (the height field, then each level and its synthesis).
        if (debugView == DebugView::HeightField)
            debugViewLayer = (debugViewLayer + 1) % (2 * pyramidLevelCount);
        debugView = DebugView::HeightField;
        break;
    case VK_F1 + 5: debugView = DebugView::Normals; break;
    default: return;
    }
    if (debugView != before || debugView == DebugView::HeightField)
        std::cout << "View: " << (debugView == DebugView::Final ? "final picture" : DebugViewName())
                  << std::endl;
}

const char* DebugViewName() {
    static char name[48];
    switch (debugView) {
    case DebugView::Final: return "";
    case DebugView::KeyLight: return "key light";
    case DebugView::SkyLight: return "sky light";
    case DebugView::OpenSky: return "open sky";
    case DebugView::HeightField:
        std::snprintf(name, sizeof name, "height field, layer %d", debugViewLayer);
        return name;
    case DebugView::Normals: return "normals";
    }
    return "";
}

void DrawDebugView() {
    switch (debugView) {
    case DebugView::Final: return;
    case DebugView::KeyLight:
        drawTexture(viewTex2DProgram, GL_TEXTURE_2D, keyLightTarget, irradiance);
        return;
    case DebugView::SkyLight: // as the terrain takes it: times the open share of the sky
        drawTexture(viewTex2DProgram, GL_TEXTURE_2D, envLightTarget, irradiance, keyLightTarget);
        return;
    case DebugView::OpenSky:
        drawTexture(viewTex2DProgram, GL_TEXTURE_2D, keyLightTarget, alphaAsGrey);
        return;
    case DebugView::HeightField:
        drawTexture(viewTex2DArrayProgram, GL_TEXTURE_2D_ARRAY, hfPyramidArray, heights);
        return;
    case DebugView::Normals:
        drawTexture(viewTex2DProgram, GL_TEXTURE_2D, normalTexture, normals);
        return;
    }
}
