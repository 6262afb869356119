#pragma once

#include "RenderableModelOBJ.h"

class Camera;

// The terrain surface: an OBJ grid drawn with "../shader/TerrainShader", which places it on the
// terrain square, displaces it by the animated height field and shades it from the key-light and
// environment textures, its material detail from a generated noise texture, its haze from the
// sky's cube map.
class RenderableTerrainModelOBJ : public RenderableModelOBJ {
  public:
    explicit RenderableTerrainModelOBJ(const std::string& resourceFolder);
    ~RenderableTerrainModelOBJ() override;

    bool Initialize(const std::string& path) override;
    bool InitializeShaders() override;
    // Only "Position" and "TexCoord" are connected.
    bool InitializeVertexBuffers() override;
    // Draws with the camera's matrices, the three lighting textures, the detail texture and the
    // sky; leaves depth test and face culling disabled. A terrain without a built program or without texture coordinates
    // is not drawn.
    virtual void Render(const Camera& camera);
    virtual void releaseProgram();

    std::unique_ptr<ShaderProgram> terrainProgram;
    GLuint keyLightTexture = 0;   // 2D, unit 0, "keyLightSampler"
    GLuint envLightTexture = 0;   // 2D, unit 1, "envLightSampler"
    GLuint heightDataTexture = 0; // 2D array, unit 2, "heightData"
    GLuint skyTexture = 0;        // cube map, unit 3, "skySampler"
    GLuint groundNoiseTexture = 0; // 2D, unit 4, "groundNoiseSampler"; made by Initialize

    // The index list again in drawOrders copies, each batch's triangles sorted front to back for
    // a view along one of drawOrders horizontal directions, so that the depth test turns away
    // hidden ground before it is shaded; the vertex array draws from it.
    static constexpr int drawOrders = 8;
    GLuint orderedIndexBuffer = 0;
};
