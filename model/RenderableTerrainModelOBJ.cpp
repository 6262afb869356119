#include "RenderableTerrainModelOBJ.h"

#include "Camera.h"
#include "GLError.h"
#include "GroundNoise.h"
#include "RunTree.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <utility>
#include <vector>

RenderableTerrainModelOBJ::RenderableTerrainModelOBJ(const std::string& resourceFolder)
    : RenderableModelOBJ(resourceFolder) {}

RenderableTerrainModelOBJ::~RenderableTerrainModelOBJ() {
    releaseProgram();
    glDeleteTextures(1, &groundNoiseTexture);
    glDeleteBuffers(1, &orderedIndexBuffer);
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
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glGenerateMipmap(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// Direction k of the draw orders: k 360 / drawOrders degrees from +x toward +z.
void drawOrderDirection(int k, float& x, float& z) {
    const float angle = static_cast<float>(k) * 6.2831853f / RenderableTerrainModelOBJ::drawOrders;
    x = std::cos(angle);
    z = std::sin(angle);
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
    bool built = UploadBuffers(terrainProgram ? terrainProgram->program : 0, {true, false, false});
    if (built && vertexArray != 0) {
        // Per batch, its triangles by the distance of their centre along each direction.
        std::vector<uint32_t> ordered;
        ordered.reserve(indices.size() * drawOrders);
        for (int k = 0; k < drawOrders; ++k) {
            float dx = 0.0f, dz = 0.0f;
            drawOrderDirection(k, dx, dz);
            std::vector<uint32_t> order = indices;
            for (const MaterialBatch& batch : batches) {
                const size_t first = static_cast<size_t>(std::max(batch.firstIndex, 0)) / 3;
                const size_t count = std::min(static_cast<size_t>(std::max(batch.triangleCount, 0)),
                                              indices.size() / 3 - std::min(first, indices.size() / 3));
                std::vector<std::pair<float, size_t>> keys(count);
                for (size_t t = 0; t < count; ++t) {
                    float along = 0.0f;
                    for (int c = 0; c < 3; ++c) {
                        const float* p = vertices[indices[(first + t) * 3 + c]].position;
                        along += p[0] * dx + p[2] * dz;
                    }
                    keys[t] = {along, first + t};
                }
                std::sort(keys.begin(), keys.end());
                for (size_t t = 0; t < count; ++t)
                    for (int c = 0; c < 3; ++c)
                        order[(first + t) * 3 + c] = indices[keys[t].second * 3 + c];
            }
            ordered.insert(ordered.end(), order.begin(), order.end());
        }
        glDeleteBuffers(1, &orderedIndexBuffer);
        glGenBuffers(1, &orderedIndexBuffer);
        glBindVertexArray(vertexArray);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, orderedIndexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, ordered.size() * sizeof(uint32_t), ordered.data(),
                     GL_STATIC_DRAW);
        glBindVertexArray(0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
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
    if (shader != 0 && hasPositions && hasTexCoords && orderedIndexBuffer != 0) {
        // The order whose direction is nearest the view's, seen from above.
        int nearest = 0;
        float best = -2.0f;
        for (int k = 0; k < drawOrders; ++k) {
            float dx = 0.0f, dz = 0.0f;
            drawOrderDirection(k, dx, dz);
            const float along = dx * camera.viewDirection.x + dz * camera.viewDirection.z;
            if (along > best)
                best = along, nearest = k;
        }
        const size_t orderStart = static_cast<size_t>(nearest) * indices.size();
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
            const size_t first = static_cast<size_t>(std::max(batch.firstIndex, 0));
            const size_t count = static_cast<size_t>(std::max(batch.triangleCount, 0)) * 3;
            if (first <= indices.size() && count <= indices.size() - first && count > 0) {
                glBindVertexArray(vertexArray);
                glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT,
                               reinterpret_cast<const void*>((orderStart + first) * sizeof(uint32_t)));
                glBindVertexArray(0);
            }
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
