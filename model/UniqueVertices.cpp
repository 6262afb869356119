// The de-duplication of face corners into unique vertices, by value, per position.
#include "ModelOBJ.h"

#include <cstring>

namespace {

constexpr int32_t kHashedPosition = -2;
constexpr int kLongChain = 16;

} // namespace

bool ModelOBJ::VertexKey::operator==(const VertexKey& other) const {
    return std::memcmp(words, other.words, sizeof words) == 0;
}

size_t ModelOBJ::VertexKeyHash::operator()(const VertexKey& key) const {
    uint64_t h = 0x9E3779B97F4A7C15u;
    for (uint32_t word : key.words) {
        h = (h ^ word) * 0xBF58476D1CE4E5B9u;
        h ^= h >> 31;
    }
    return size_t(h);
}

ModelOBJ::VertexKey ModelOBJ::vertexKey(const CornerValues& values, uint32_t positionIndex) {
    VertexKey key;
    key.words[0] = positionIndex;
    std::memcpy(&key.words[1], values.position, 3 * sizeof(float));
    std::memcpy(&key.words[4], values.texCoord, 2 * sizeof(float));
    std::memcpy(&key.words[6], values.normal, 3 * sizeof(float));
    return key;
}

// Bit for bit, compared where the values lie rather than copied together first.
bool ModelOBJ::sameVertex(const ModelVertex& vertex, const CornerValues& values) {
    return std::memcmp(vertex.position, values.position, sizeof vertex.position) == 0 &&
           std::memcmp(vertex.texCoord, values.texCoord, sizeof vertex.texCoord) == 0 &&
           std::memcmp(vertex.normal, values.normal, sizeof vertex.normal) == 0;
}

uint32_t ModelOBJ::newVertex(const CornerValues& values) {
    ModelVertex& vertex = vertices.emplace_back(); // tangent and bitangent 0
    std::memcpy(vertex.position, values.position, sizeof vertex.position);
    std::memcpy(vertex.texCoord, values.texCoord, sizeof vertex.texCoord);
    std::memcpy(vertex.normal, values.normal, sizeof vertex.normal);
    nextVertexOfPosition.push_back(-1);
    return uint32_t(vertices.size() - 1);
}

// The vertex with these values made from this position, made now if there is none yet.
uint32_t ModelOBJ::addVertex(const CornerValues& values, uint32_t positionIndex) {
    int32_t& first = firstVertexOfPosition[positionIndex];
    if (first == kHashedPosition)
        return addHashedVertex(values, positionIndex);
    int32_t last = -1;
    int length = 0;
    for (int32_t i = first; i >= 0; i = nextVertexOfPosition[size_t(i)]) {
        if (sameVertex(vertices[size_t(i)], values))
            return uint32_t(i);
        last = i;
        ++length;
    }
    if (length >= kLongChain) {
        // Chain members are all different, so the map finds the same vertex the walk would.
        for (int32_t i = first; i >= 0; i = nextVertexOfPosition[size_t(i)]) {
            const ModelVertex& v = vertices[size_t(i)];
            hashedVertices.try_emplace(vertexKey({v.position, v.texCoord, v.normal}, positionIndex),
                                       uint32_t(i));
        }
        first = kHashedPosition;
        return addHashedVertex(values, positionIndex);
    }
    const uint32_t index = newVertex(values);
    if (last < 0)
        first = int32_t(index);
    else
        nextVertexOfPosition[size_t(last)] = int32_t(index);
    return index;
}

uint32_t ModelOBJ::addHashedVertex(const CornerValues& values, uint32_t positionIndex) {
    auto [entry, added] =
        hashedVertices.try_emplace(vertexKey(values, positionIndex), uint32_t(vertices.size()));
    if (added)
        newVertex(values);
    return entry->second;
}
