#include "RenderableTerrainModelOBJ.h"

#include "Camera.h"
#include "GLError.h"
#include "GroundNoise.h"
#include "RunTree.h"

#include <iostream>
#include <vector>

RenderableTerrainModelOBJ::RenderableTerrainModelOBJ(const std::string& resourceFolder)
    : RenderableModelOBJ(resourceFolder) {}

RenderableTerrainModelOBJ::~RenderableTerrainModelOBJ() {
    releaseProgram();
    glDeleteTextures(1, &groundNoiseTexture);
}

void RenderableTerrainModelOBJ::releaseProgram() {
    glUseProgram(0);
    terrainProgram.reset();
}

namespace {

// The ground's detail, tiling and mipmapped so that it fades out before it would shimmer.
GLuint createGroundNoiseTexture() {
    constexpr int size = 256;
    const std::vector<unsigned char> texels = groundNoiseTexels(size);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glGenerateMipmap(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

} // namespace

bool RenderableTerrainModelOBJ::Initialize(const std::string& path) {
    CheckGLError("RenderableModelOBJ::Initialize() - Bevor Import");
    if (!Import(path))
        return false;
    CheckGLError("RenderableModelOBJ::Initialize() - After Import");
    unitize(1.0f);
    if (groundNoiseTexture == 0)
        groundNoiseTexture = createGroundNoiseTexture();
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
            glActiveTexture(GL_TEXTURE3);
            glBindTexture(GL_TEXTURE_CUBE_MAP, skyTexture);
            glActiveTexture(GL_TEXTURE4);
            glBindTexture(GL_TEXTURE_2D, groundNoiseTexture);

            glUseProgram(shader);
            glUniformMatrix4fv(glGetUniformLocation(shader, "projectionMatrix"), 1, GL_FALSE,
                               camera.projectionMatrix.data());
            glUniformMatrix4fv(glGetUniformLocation(shader, "viewMatrix"), 1, GL_FALSE,
                               camera.viewMatrix.data());
            glUniform1i(glGetUniformLocation(shader, "keyLightSampler"), 0);
            glUniform1i(glGetUniformLocation(shader, "envLightSampler"), 1);
            glUniform1i(glGetUniformLocation(shader, "heightData"), 2);
            glUniform1i(glGetUniformLocation(shader, "skySampler"), 3);
            glUniform1i(glGetUniformLocation(shader, "groundNoiseSampler"), 4);
            DrawBatch(batch);
            glUseProgram(0);
        }
        glActiveTexture(GL_TEXTURE4);
        glBindTexture(GL_TEXTURE_2D, 0);
        glActiveTexture(GL_TEXTURE3);
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
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
