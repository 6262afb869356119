#pragma once

#include "Matrix4.h"
#include "RenderableModelOBJ.h"

#include <vector>

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
    // sky; leaves depth test and face culling disabled. A terrain without a built program or
    // without texture coordinates is not drawn.
    virtual void Render(const Camera& camera);
    virtual void releaseProgram();
    // How many rows of a viewport `height` pixels high, from the bottom, the terrain can cover
    // seen through these matrices: with the eye above the highest the ground can reach, all of it
    // lies below the horizon, and the rows above the horizon show only sky. All of them where the
    // eye is lower, or the view is turned past the vertical.
    int rowsInReach(const Matrix4& view, const Matrix4& projection, int height) const;
    // How many rows of a viewport `height` pixels high, from the bottom, this terrain's Render
    // covers in full through these matrices, wherever the animated field stands, with the eye
    // over the ground and everything nearer than the sky's depth: the sky need not be drawn
    // there. None where the mesh does not cover its square from above once, or the eye is not
    // over it.
    int rowsCoveredByGround(const Matrix4& view, const Matrix4& projection, int height) const;

    std::unique_ptr<ShaderProgram> terrainProgram;
    GLuint keyLightTexture = 0;    // 2D, unit 0, "keyLightSampler"
    GLuint envLightTexture = 0;    // 2D, unit 1, "envLightSampler"
    GLuint heightDataTexture = 0;  // 2D array, unit 2, "heightData"
    GLuint skyTexture = 0;         // cube map, unit 3, "skySampler"
    GLuint groundNoiseTexture = 0; // 2D, unit 4, "groundNoiseSampler"; made by Initialize

    // The index list again in drawOrders copies, for views along drawOrders horizontal
    // directions: the triangles grouped in tiles (tilesPerSide x tilesPerSide squares of the
    // grid), the tiles and the triangles in each sorted front to back, so that the depth test
    // turns away hidden ground before it is shaded. Tiles out of the camera's view are not drawn:
    // on a software rasteriser their vertices cost as much as the ground in view. The vertex
    // array draws from it.
    static constexpr int drawOrders = 8;
    static constexpr int tilesPerSide = 8;
    GLuint orderedIndexBuffer = 0;
    bool cullTilesOutOfView = true; // false draws every tile (to compare)
    size_t drawnTriangles = 0;      // by the last Render

  private:
    // A run of orderedIndexBuffer (in indices from its start) and the world-space box its
    // triangles can reach, whatever the animated height field holds.
    struct Tile {
        size_t firstIndex = 0, indexCount = 0;
        float low[3] = {}, high[3] = {};
    };
    bool drawable() const; // whether Render draws anything

    std::vector<Tile> tiles[drawOrders];         // each order's, in drawing order
    float highestReach = 0.0f;                   // world y the ground cannot rise above
    float lowestReach = 0.0f;                    // ... nor sink below
    float squareLow[2] = {}, squareHigh[2] = {}; // the grid's square, world x and z
    bool groundCoversSquare = false;             // the triangles cover it from above, once
};
