#include "RenderableTerrainModelOBJ.h"

#include "Camera.h"
#include "GLError.h"
#include "GroundNoise.h"
#include "RunTree.h"
#include "SceneConventions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <limits>
#include <tuple>
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

// Whether any of the box can be in the view volume: false only where all eight corners lie
// beyond one of its six planes.
bool boxInView(const Matrix4& viewProjection, const float low[3], const float high[3]) {
    int beyond[6] = {};
    for (int c = 0; c < 8; ++c) {
        const float p[3] = {c & 1 ? high[0] : low[0], c & 2 ? high[1] : low[1],
                            c & 4 ? high[2] : low[2]};
        float clip[4];
        transformPoint(viewProjection, p, clip);
        for (int a = 0; a < 3; ++a) {
            beyond[2 * a] += clip[a] < -clip[3];
            beyond[2 * a + 1] += clip[a] > clip[3];
        }
    }
    return std::find(std::begin(beyond), std::end(beyond), 8) == std::end(beyond);
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
    for (std::vector<Tile>& order : tiles)
        order.clear();
    if (built && vertexArray != 0) {
        // The triangles of every batch, as far as they lie in the index list and their corners in
        // the vertex list.
        std::vector<size_t> triangles;
        for (const MaterialBatch& batch : batches) {
            const size_t first = static_cast<size_t>(std::max(batch.firstIndex, 0)) / 3;
            const size_t count = std::min(static_cast<size_t>(std::max(batch.triangleCount, 0)),
                                          indices.size() / 3 - std::min(first, indices.size() / 3));
            for (size_t t = first; t < first + count; ++t)
                if (std::all_of(&indices[t * 3], &indices[t * 3] + 3,
                                [&](uint32_t i) { return i < vertices.size(); }))
                    triangles.push_back(t);
        }
        const auto corner = [&](size_t t, int c) { return vertices[indices[t * 3 + c]].position; };

        // Each triangle's tile, by its centre over the grid's extent in x and z.
        float low[2] = {0.0f, 0.0f}, high[2] = {0.0f, 0.0f};
        for (size_t i = 0; i < vertices.size(); ++i)
            for (int a = 0; a < 2; ++a) {
                const float v = vertices[i].position[a * 2];
                low[a] = i == 0 ? v : std::min(low[a], v);
                high[a] = i == 0 ? v : std::max(high[a], v);
            }
        std::vector<int> tileOf(triangles.size());
        std::vector<Tile> boxes(tilesPerSide * tilesPerSide);
        for (Tile& box : boxes)
            for (int a = 0; a < 3; ++a)
                box.low[a] = std::numeric_limits<float>::max(), box.high[a] = -box.low[a];
        for (size_t i = 0; i < triangles.size(); ++i) {
            int place[2];
            for (int a = 0; a < 2; ++a) {
                const float centre =
                    (corner(triangles[i], 0)[a * 2] + corner(triangles[i], 1)[a * 2] +
                     corner(triangles[i], 2)[a * 2]) /
                    3.0f;
                const float across = (centre - low[a]) / (high[a] - low[a]) * tilesPerSide;
                // A flat or broken extent (NaN) puts the triangle in the first tile.
                place[a] =
                    across > 0.0f ? static_cast<int>(std::min(across, tilesPerSide - 1.0f)) : 0;
            }
            tileOf[i] = place[1] * tilesPerSide + place[0];
            // Where the shader puts the corners: x and z from [-0.5, 0.5] onto the terrain
            // square, y raised by up to the height scale.
            Tile& box = boxes[tileOf[i]];
            for (int c = 0; c < 3; ++c) {
                const float* p = corner(triangles[i], c);
                const float world[3] = {(p[0] + 0.5f) * scene::terrainSize,
                                        p[1] * scene::terrainSize,
                                        (p[2] + 0.5f) * scene::terrainSize};
                for (int a = 0; a < 3; ++a) {
                    box.low[a] = std::min(box.low[a], world[a]);
                    box.high[a] =
                        std::max(box.high[a], world[a] + (a == 1 ? scene::heightScale : 0.0f));
                }
            }
        }

        highestReach = -std::numeric_limits<float>::max();
        lowestReach = std::numeric_limits<float>::max();
        for (const Tile& box : boxes) {
            highestReach = std::max(highestReach, box.high[1]);
            lowestReach = std::min(lowestReach, box.low[1]);
        }
        for (int a = 0; a < 2; ++a) {
            squareLow[a] = (low[a] + 0.5f) * scene::terrainSize;
            squareHigh[a] = (high[a] + 0.5f) * scene::terrainSize;
        }
        // Whether the triangles, seen from above, cover the grid's square once, all facing up:
        // then a ray that comes down onto the square from above the ground meets the ground.
        double upArea = 0.0, downArea = 0.0;
        for (const size_t t : triangles) {
            const float *a = corner(t, 0), *b = corner(t, 1), *c = corner(t, 2);
            const double up =
                double(b[2] - a[2]) * (c[0] - a[0]) - double(b[0] - a[0]) * (c[2] - a[2]);
            (up > 0.0 ? upArea : downArea) += std::abs(up) * 0.5;
        }
        const double square = double(high[0] - low[0]) * (high[1] - low[1]);
        groundCoversSquare =
            square > 0.0 && std::abs(upArea - square) <= 1e-4 * square && downArea <= 1e-6 * square;

        // Per direction: the tiles by their centre's distance along it, the triangles in each by
        // theirs.
        std::vector<uint32_t> ordered;
        ordered.reserve(triangles.size() * 3 * drawOrders);
        for (int k = 0; k < drawOrders; ++k) {
            float dx = 0.0f, dz = 0.0f;
            drawOrderDirection(k, dx, dz);
            std::vector<std::pair<float, float>> keys(triangles.size());
            for (size_t i = 0; i < triangles.size(); ++i) {
                const Tile& box = boxes[tileOf[i]];
                float along = 0.0f;
                for (int c = 0; c < 3; ++c)
                    along += corner(triangles[i], c)[0] * dx + corner(triangles[i], c)[2] * dz;
                keys[i] = {(box.low[0] + box.high[0]) * dx + (box.low[2] + box.high[2]) * dz,
                           along};
            }
            std::vector<size_t> order(triangles.size());
            for (size_t i = 0; i < order.size(); ++i)
                order[i] = i;
            // Ties between tiles broken by the tile, so that a tile's triangles stay together.
            std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
                return std::tie(keys[a].first, tileOf[a], keys[a].second) <
                       std::tie(keys[b].first, tileOf[b], keys[b].second);
            });
            for (size_t n = 0; n < order.size(); ++n) {
                const size_t i = order[n];
                if (n == 0 || tileOf[i] != tileOf[order[n - 1]]) {
                    tiles[k].push_back(boxes[tileOf[i]]);
                    tiles[k].back().firstIndex = ordered.size();
                }
                tiles[k].back().indexCount += 3;
                for (int c = 0; c < 3; ++c)
                    ordered.push_back(indices[triangles[i] * 3 + c]);
            }
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

int RenderableTerrainModelOBJ::rowsInReach(const Matrix4& view, const Matrix4& projection,
                                           int height) const {
    // The view matrix's rows are the camera's axes in the world; their y components, and the
    // eye's height, decide where the view turns from below to above the horizontal.
    const float rightY = view[4], upY = view[5], backY = view[6];
    const float eyeY = -(view[4] * view[12] + view[5] * view[13] + view[6] * view[14]);
    if (!(eyeY > highestReach) || !(upY > 1e-3f) || projection[0] == 0.0f || projection[5] == 0.0f)
        return height;
    // The ray through (x, y) in normalised device coordinates runs along
    // right (x + p8) tanX + up (y + p9) tanY - back, level where its y component is 0.
    const float tanX = 1.0f / projection[0], tanY = 1.0f / projection[5];
    float horizon = -std::numeric_limits<float>::max();
    for (const float x : {-1.0f, 1.0f})
        horizon = std::max(horizon, (backY - rightY * (x + projection[8]) * tanX) / (upY * tanY) -
                                        projection[9]);
    // Two rows of margin: the pixels just above the ground's highest still see it beside them.
    const float row = std::ceil((horizon + 1.0f) * 0.5f * height) + 2.0f;
    if (!(row < static_cast<float>(height))) // also a matrix that gives no number
        return height;
    return row > 0.0f ? static_cast<int>(row) : 0;
}

bool RenderableTerrainModelOBJ::drawable() const {
    // The shader places and lights the surface through its texture coordinates: without them,
    // or without a program, there is nothing sensible to draw.
    return terrainProgram && terrainProgram->program != 0 && hasPositions && hasTexCoords &&
           orderedIndexBuffer != 0;
}

int RenderableTerrainModelOBJ::rowsCoveredByGround(const Matrix4& view, const Matrix4& projection,
                                                   int height) const {
    if (!drawable() || !groundCoversSquare || height <= 0 || projection[0] == 0.0f ||
        projection[5] == 0.0f || projection[11] != -1.0f) // a perspective projection
        return 0;
    const float right[3] = {view[0], view[4], view[8]}, up[3] = {view[1], view[5], view[9]},
                back[3] = {view[2], view[6], view[10]};
    float eye[3];
    for (int a = 0; a < 3; ++a)
        eye[a] = -(right[a] * view[12] + up[a] * view[13] + back[a] * view[14]);
    // A little below the lowest the ground can reach, and a little inside the square's border.
    const float floor = lowestReach - 0.05f * scene::heightScale;
    const float margin = 1e-3f * (squareHigh[0] - squareLow[0] + squareHigh[1] - squareLow[1]);
    const auto insideSquare = [&](float x, float z) {
        return x > squareLow[0] + margin && x < squareHigh[0] - margin &&
               z > squareLow[1] + margin && z < squareHigh[1] - margin;
    };
    if (!insideSquare(eye[0], eye[2]) || !(eye[1] > floor))
        return 0;

    // Row by row from the bottom, the rays through its two ends (as rowsInReach's) down to the
    // floor: where both meet it inside the square, so does every ray between them (the square is
    // convex), and each passes through the ground on its way down from the eye. So long as that
    // ground lies in front of the sky's depth, the row shows only ground.
    const float tanX = 1.0f / projection[0], tanY = 1.0f / projection[5];
    int row = 0;
    for (; row < height; ++row) {
        const float y = (row + 0.5f) / static_cast<float>(height) * 2.0f - 1.0f;
        bool covered = true;
        for (const float x : {-1.0f, 1.0f}) {
            float ray[3];
            for (int a = 0; a < 3; ++a)
                ray[a] = right[a] * (x + projection[8]) * tanX +
                         up[a] * (y + projection[9]) * tanY - back[a];
            const float depth = (floor - eye[1]) / ray[1]; // along -back: the view depth
            covered = covered && ray[1] < 0.0f &&
                      insideSquare(eye[0] + depth * ray[0], eye[2] + depth * ray[2]) &&
                      -projection[10] + projection[14] / depth < 0.999f;
        }
        if (!covered)
            break;
    }
    return row > 0 ? row - 1 : 0; // one row of margin
}

void RenderableTerrainModelOBJ::Render(const Camera& camera) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    const GLuint shader = terrainProgram ? terrainProgram->program : 0;
    if (drawable()) {
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
        // The tiles in view, neighbours in the buffer joined into one run.
        const Matrix4 viewProjection = multiply(camera.projectionMatrix, camera.viewMatrix);
        std::vector<GLsizei> counts;
        std::vector<const void*> starts;
        size_t runEnd = 0;
        drawnTriangles = 0;
        for (const Tile& tile : tiles[nearest]) {
            if (cullTilesOutOfView && !boxInView(viewProjection, tile.low, tile.high))
                continue;
            if (!counts.empty() && tile.firstIndex == runEnd) {
                counts.back() += static_cast<GLsizei>(tile.indexCount);
            } else {
                counts.push_back(static_cast<GLsizei>(tile.indexCount));
                starts.push_back(reinterpret_cast<const void*>(tile.firstIndex * sizeof(uint32_t)));
            }
            runEnd = tile.firstIndex + tile.indexCount;
            drawnTriangles += tile.indexCount / 3;
        }

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
        if (!counts.empty()) {
            glBindVertexArray(vertexArray);
            glMultiDrawElements(GL_TRIANGLES, counts.data(), GL_UNSIGNED_INT, starts.data(),
                                static_cast<GLsizei>(counts.size()));
            glBindVertexArray(0);
        }
        glUseProgram(0);
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
