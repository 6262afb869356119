#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One unique vertex; this order is also the interleaved GPU buffer layout.
struct ModelVertex {
    float position[3];
    float texCoord[2];
    float normal[3];
    float tangent[4]; // xyz and handedness w
    float bitangent[3];
};
static_assert(sizeof(ModelVertex) == 60, "the vertex buffer stride is 60 bytes");

struct ModelMaterial {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
    float opacity = 1.0f;
    std::string name;
    std::string colorMapFile;
    std::string bumpMapFile;
};

// A run of consecutive triangles sharing one material.
struct MaterialBatch {
    int firstIndex = 0;
    int triangleCount = 0;
    const ModelMaterial* material = nullptr;
};

// Wavefront OBJ/MTL importer: one de-duplicated, indexed triangle mesh with material batches.
class ModelOBJ {
  public:
    // Reads a whole material library; false when it cannot be read.
    using FileReader = std::function<bool(const std::string& path, std::string& text)>;

    ModelOBJ() = default;
    // Batches point into the material list, so a copy would point into the wrong object.
    ModelOBJ(const ModelOBJ&) = delete;
    ModelOBJ& operator=(const ModelOBJ&) = delete;

    // False only when the file cannot be read; the object is then unchanged.
    bool Import(const std::string& path);
    // Imports OBJ text already in memory; mtllib statements are read through readFile with
    // directory + name. False (object unchanged) only for text beyond the size limit.
    bool ImportText(std::string_view objText, const FileReader& readFile);
    // Centres the bounding box on the origin and scales uniformly to maxExtent == targetSize.
    void unitize(float targetSize);

    bool hasPositions = false;
    bool hasTexCoords = false;
    bool hasNormals = false;
    bool hasTangents = false;

    int numPositions = 0;
    int numTexCoords = 0;
    int numNormals = 0;
    int numTriangles = 0;
    int numMaterials = 0; // newmtl statements read; 0 when the built-in material is used
    int numBatches = 0;

    float center[3] = {0.0f, 0.0f, 0.0f};
    float width = 0.0f;
    float height = 0.0f;
    float depth = 0.0f;
    float maxExtent = 0.0f;

    std::string
        directory; // OBJ path up to its last '\' or '/', libraries and maps are relative to it

    std::vector<float> positions; // 3 per v statement, as read
    std::vector<float> texCoords; // 2 per vt statement
    std::vector<float> normals;   // 3 per vn statement

    std::vector<ModelVertex> vertices;
    std::vector<uint32_t> indices;     // 3 per triangle
    std::vector<int> triangleMaterial; // material index per triangle
    std::vector<ModelMaterial> materials;
    std::vector<MaterialBatch> batches;
    std::map<std::string, int, std::less<>> materialIndexByName;

  private:
    void reset();
    void countPass(std::string_view text, const FileReader& readFile);
    void fillPass(std::string_view text);
    void parseLibrary(std::string_view text);
    uint32_t addVertex(const ModelVertex& vertex, uint32_t positionIndex);
    void buildBatches();
    void computeBoundingBox();
    void generateNormals();
    void generateTangents();

    uint32_t addHashedVertex(const ModelVertex& vertex, uint32_t positionIndex);

    // De-duplication table: the vertices made from one position form a chain in creation order.
    // A position that gathers a long chain moves to a hash map, so a hostile file cannot make the
    // import quadratic.
    std::vector<int32_t> firstVertexOfPosition;
    std::vector<int32_t> nextVertexOfPosition;
    struct VertexKey {
        uint32_t words[9]; // position index, then position, texture coordinate and normal bits
        bool operator==(const VertexKey& other) const;
    };
    struct VertexKeyHash {
        size_t operator()(const VertexKey& key) const;
    };
    std::unordered_map<VertexKey, uint32_t, VertexKeyHash> hashedVertices;
    static VertexKey vertexKey(const ModelVertex& vertex, uint32_t positionIndex);
};
