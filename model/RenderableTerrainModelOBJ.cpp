#include "RenderableTerrainModelOBJ.h"

#include "Camera.h"
#include "GLError.h"
#include "RunTree.h"

#include <iostream>

RenderableTerrainModelOBJ::RenderableTerrainModelOBJ(const std::string& resourceFolder)
    : RenderableModelOBJ(resourceFolder) {}

RenderableTerrainModelOBJ::~RenderableTerrainModelOBJ() {
    releaseProgram();
}

void RenderableTerrainModelOBJ::releaseProgram() {
    glUseProgram(0);
    terrainProgram.reset();
}

bool RenderableTerrainModelOBJ::Initialize(const std::string& path) {
    CheckGLError("RenderableModelOBJ::Initialize() - Bevor Import");
    if (!Import(path))
        return false;
    CheckGLError("RenderableModelOBJ::Initialize() - After Import");
    unitize(1.0f);
    CheckGLError("RenderableModelOBJ::Initialize() - Bevor return");
    return InitializeShaders() && InitializeVertexBuffers();
}

bool RenderableTerrainModelOBJ::InitializeShaders() {
    CheckGLError("RenderableModelOBJ::InitializeShaders() - Bevor");
    if (!terrainProgram) {
        terrainProgram =
            std::make_unique<ShaderProgram>(runtree::shaderFolder + std::string("TerrainShader"));
        CheckGLError("RenderableModelOBJ::InitializeShaders() - After");
        if (terrainProgram->program == 0) {
            std::cout << "Could not compile the Model-Test shader progam." << std::endl;
            return false;
        }
    }
    return terrainProgram->program != 0;
}

bool RenderableTerrainModelOBJ::InitializeVertexBuffers() {
    const bool built =
        UploadBuffers(terrainProgram ? terrainProgram->program : 0, {true, false, false});
    CheckGLError("RenderableModelOBJ::InitializeVertexBuffers(3)");
    return built;
}

void RenderableTerrainModelOBJ::Render(const Camera& camera) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    // The shader places and lights the surface through its texture coordinates: without them,
    // or without a program, there is nothing sensible to draw.
    const GLuint shader = terrainProgram ? terrainProgram->program : 0;
    if (shader != 0 && hasPositions && hasTexCoords) {
        for (const MaterialBatch& batch : batches) {
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, keyLightTexture);
            glActiveTexture(GL_TEXTURE1);
            glBindTexture(GL_TEXTURE_2D, envLightTexture);
            glActiveTexture(GL_TEXTURE2);
            glBindTexture(GL_TEXTURE_2D_ARRAY, heightDataTexture);

            glUseProgram(shader);
            glUniformMatrix4fv(glGetUniformLocation(shader, "projectionMatrix"), 1, GL_FALSE,
                               camera.projectionMatrix.data());
            glUniformMatrix4fv(glGetUniformLocation(shader, "viewMatrix"), 1, GL_FALSE,
                               camera.viewMatrix.data());
            glUniform1i(glGetUniformLocation(shader, "keyLightSampler"), 0);
            glUniform1i(glGetUniformLocation(shader, "envLightSampler"), 1);
            glUniform1i(glGetUniformLocation(shader, "heightData"), 2);
            DrawBatch(batch);
            glUseProgram(0);
        }
        glActiveTexture(GL_TEXTURE2);
        glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}
