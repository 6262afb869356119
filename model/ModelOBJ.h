#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class FileBytes;
struct ObjCursor;

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
    // One face corner as 0-based indices into the raw arrays.
    struct Corner {
        uint32_t position = 0;
        uint32_t texCoord = 0;
        uint32_t normal = 0;
    };
    // How many elements of each kind had been read when a face was read: later ones read as 0.
    struct ElementsRead {
        size_t positions = 0;
        size_t texCoords = 0;
        size_t normals = 0;
    };
    // A face naming an element that only a later statement defines: its triangles keep their
    // place in the index list and are filled in (or dropped) once the whole file is read.
    struct PendingFace {
        size_t firstTriangle = 0;
        size_t firstCorner = 0; // into pendingCorners
        size_t cornerCount = 0;
        bool withTexCoord = false;
        bool withNormal = false;
        ElementsRead known;
    };

    void reset(bool everything = true); // false: only the import-time state
    bool importFrom(std::string_view text, const FileReader& readFile, FileBytes* file);
    void readStatements(std::string_view text, const FileReader& readFile, FileBytes* file);
    void readLibrary(std::string_view name, const FileReader& readFile);
    void readFace(ObjCursor& cursor, int materialSlot);
    template <int Slashes, int Count>
    void readCorners(ObjCursor& cursor, const char* q, int numbers[3], int materialSlot);
    void finishPendingFaces();
    void resolveMaterials();
    uint32_t addCorner(const Corner& corner, bool withTexCoord, bool withNormal,
                       const ElementsRead& known);
    // Where a corner's values lie: in the raw arrays, or zeros.
    struct CornerValues {
        const float* position;
        const float* texCoord;
        const float* normal;
    };
    // While the mesh is built, tangent and bitangent are zero in every vertex, so position,
    // texture coordinate and normal decide the equality of all 60 bytes.
    uint32_t addVertex(const CornerValues& values, uint32_t positionIndex);
    uint32_t addHashedVertex(const CornerValues& values, uint32_t positionIndex);
    uint32_t newVertex(const CornerValues& values);
    static bool sameVertex(const ModelVertex& vertex, const CornerValues& values);
    void buildBatches();
    void computeBoundingBox();
    void generateNormals();
    void generateTangents();

    // Import-time state, released when the import ends.
    std::vector<Corner> faceCorners;
    std::vector<Corner> pendingCorners;
    std::vector<PendingFace> pendingFaces;
    // usemtl names in order of first use; triangles refer to them by position + 1 (0: none yet)
    // until every library has been read.
    std::vector<std::string> usedMaterialNames;
    std::map<std::string, int, std::less<>> usedMaterialSlot;
    std::set<std::string> librariesRead;
    size_t libraryBytes = 0;

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
    static VertexKey vertexKey(const CornerValues& values, uint32_t positionIndex);
};
