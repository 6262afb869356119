#include "CubeMapTexture.h"

#include "DisplayFramebuffer.h"
#include "GLError.h"
#include "RunTree.h"
#include "ShaderProgram.h"
#include "Shaders.h"
#include "SkyCube.h"
#include "TextureManager.h"

#include <iostream>

CubeMapTexture skyCubeMap;
std::vector<std::string> cubeMapFiles;
int currentCubeMap = 0;

namespace {

// The sky's display colours in the layout of Common.glsl's sky display map, made from the cube
// map at its first draw and deleted with it. 512 texels a side give about the cube faces'
// density; the sky is smooth but for the sun's disc, so bilinear filtering of display colours
// looks as the tone curve of filtered radiance does.
constexpr int skyDisplaySide = 512;
GLuint skyDisplayMap = 0;
bool skyDisplayTried = false; // for the current cube map: a bake that failed is not repeated

// 0 (after the shader loader's console lines) where the bake's program cannot be built.
GLuint bakeSkyDisplayMap(GLuint cubeMap) {
    ShaderProgram bake(runtree::shaderFolder + std::string("SkyDisplayMap"));
    if (bake.program == 0)
        return 0;
    GLuint map = 0, framebuffer = 0, vertexArray = 0;
    glGenTextures(1, &map);
    glBindTexture(GL_TEXTURE_2D, map);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, skyDisplaySide, skyDisplaySide, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, map, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        glViewport(0, 0, skyDisplaySide, skyDisplaySide);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
        glUseProgram(bake.program);
        glUniform1i(glGetUniformLocation(bake.program, "sky"), 0);
        glUniform1f(glGetUniformLocation(bake.program, "side"), float(skyDisplaySide));
        glGenVertexArrays(1, &vertexArray); // the triangle comes from gl_VertexID
        glBindVertexArray(vertexArray);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glBindVertexArray(0);
        glDeleteVertexArrays(1, &vertexArray);
        glUseProgram(0);
    } else {
        glDeleteTextures(1, &map);
        map = 0;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glDeleteFramebuffers(1, &framebuffer);
    CheckGLError("bakeSkyDisplayMap");
    return map;
}

} // namespace

bool CubeMapTexture::load(const std::string& crossName) {
    if (identifier != 0) {
        std::cerr << "CubeMapTexture::load : the cube map exists already, " << crossName
                  << " is not loaded" << std::endl;
        return false;
    }

    TextureManager& manager = TextureManager::getInstance();
    manager.getCubeMapFaces(crossName);
    // Faces in GL's order: +X, -X, +Y, -Y, +Z, -Z.
    const Texture* faces[6];
    for (int i = 0; i < 6; ++i) {
        faces[i] = manager.getCubeMapFace(crossName, i);
        if (!faces[i] || !faces[i]->data) {
            std::cerr << "CubeMapTexture::load : " << crossName
                      << " could not be cut into cube-map faces; the sky is not drawn" << std::endl;
            return false;
        }
    }

    glGenTextures(1, &identifier);
    glBindTexture(GL_TEXTURE_CUBE_MAP, identifier);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    // Float RGB rows are 12 bytes a pixel, always a multiple of 4: the default alignment holds.
    for (int i = 0; i < 6; ++i)
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGBA32F, faces[i]->width,
                     faces[i]->height, 0, faces[i]->format, faces[i]->type, faces[i]->data);
    CheckGLError("Loading CubeMapTexture failed!");
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return true;
}

void InitCubeMap() {
    // Filter across face edges, so the sky shows no seams where its faces meet.
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    cubeMapFiles.push_back(runtree::skyCrossName);
    currentCubeMap = 0;
    for (const std::string& name : cubeMapFiles)
        TextureManager::getInstance().getCubeMapFaces(name);
    skyCubeMap.load(cubeMapFiles[currentCubeMap]);
}

void RenderSkyBox(const Matrix4& viewMatrix, const Matrix4& projectionMatrix, int windowWidth,
                  int windowHeight, int rowsHidden) {
    if (skyCubeMap.identifier != 0 && !skyDisplayTried) {
        skyDisplayMap = bakeSkyDisplayMap(skyCubeMap.identifier);
        skyDisplayTried = true;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (skyCubeMap.identifier == 0 || !cubeMapProgram || cubeMapProgram->program == 0 ||
        rowsHidden >= windowHeight)
        return;

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT); // the cube is seen from inside

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, skyCubeMap.identifier);
    glUseProgram(cubeMapProgram->program);
    cubeMapProgram->setUniformMatrix4("projectionMatrix", projectionMatrix.data());
    cubeMapProgram->setUniformMatrix4("viewMatrix", viewMatrix.data());
    glUniform1i(glGetUniformLocation(cubeMapProgram->program, "cubeMapSampler"), 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, skyDisplayMap);
    glUniform1i(glGetUniformLocation(cubeMapProgram->program, "skyDisplay"), 1);

    if (rowsHidden > 0) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, rowsHidden, windowWidth, windowHeight - rowsHidden);
    }
    glBindVertexArray(skyCubeVao);
    glDrawElements(GL_TRIANGLES, skyCubeIndexCount, GL_UNSIGNED_SHORT, nullptr);
    glBindVertexArray(0);
    glDisable(GL_SCISSOR_TEST);
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
}

void DeleteCubeMap() {
    if (skyCubeMap.identifier != 0)
        glDeleteTextures(1, &skyCubeMap.identifier);
    if (skyDisplayMap != 0)
        glDeleteTextures(1, &skyDisplayMap);
    skyCubeMap.identifier = skyDisplayMap = 0;
    skyDisplayTried = false;
}
