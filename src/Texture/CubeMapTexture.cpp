#include "CubeMapTexture.h"

#include "DisplayFramebuffer.h"
#include "GLError.h"
#include "RunTree.h"
#include "Shaders.h"
#include "SkyCube.h"
#include "TextureManager.h"

#include <iostream>

CubeMapTexture skyCubeMap;
std::vector<std::string> cubeMapFiles;
int currentCubeMap = 0;

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
                  int windowHeight) {
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (skyCubeMap.identifier == 0 || !cubeMapProgram || cubeMapProgram->program == 0)
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

    glBindVertexArray(skyCubeVao);
    glDrawElements(GL_TRIANGLES, skyCubeIndexCount, GL_UNSIGNED_SHORT, nullptr);
    glBindVertexArray(0);
    glUseProgram(0);
}

void DeleteCubeMap() {
    if (skyCubeMap.identifier != 0)
        glDeleteTextures(1, &skyCubeMap.identifier);
    skyCubeMap.identifier = 0;
}
