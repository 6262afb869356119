// What ModelOBJ does with the mesh once the file is read: material batches, bounding box and
// unitize, generated normals and tangents.
#include "ModelOBJ.h"

#include "Vector3.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

inline Vector3 load3(const float* v) {
    return {v[0], v[1], v[2]};
}
inline void store3(float* out, const Vector3& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}
inline void add3(float* out, const Vector3& v) {
    out[0] += v.x;
    out[1] += v.y;
    out[2] += v.z;
}

// Multiply by 1 / length. A length whose square leaves float range is taken after scaling by
// the largest component; a zero or NaN vector yields `fallback`.
Vector3 normalizeOr(Vector3 v, const Vector3& fallback) {
    const float squared = v.dot(v);
    if (!(squared >= FLT_MIN && squared <= FLT_MAX)) {
        const float largest = std::max(std::fabs(v.x), std::max(std::fabs(v.y), std::fabs(v.z)));
        if (largest > 0.0f && largest <= FLT_MAX)
            v = v * (1.0f / largest);
    }
    const Vector3 unit = v * (1.0f / std::sqrt(v.dot(v)));
    if (!std::isfinite(unit.x) || !std::isfinite(unit.y) || !std::isfinite(unit.z))
        return fallback;
    return unit;
}

} // namespace

void ModelOBJ::buildBatches() {
    batches.clear();
    for (size_t t = 0; t < triangleMaterial.size();) {
        size_t runEnd = t + 1;
        while (runEnd < triangleMaterial.size() && triangleMaterial[runEnd] == triangleMaterial[t])
            ++runEnd;
        MaterialBatch batch;
        batch.firstIndex = int(t * 3);
        batch.triangleCount = int(runEnd - t);
        batch.material = &materials[size_t(triangleMaterial[t])];
        batches.push_back(batch);
        t = runEnd;
    }
    numBatches = int(batches.size());
    // Opaque first; equal opacities keep file order. NaN sorts last, so the order stays strict.
    auto key = [](const MaterialBatch& b) {
        return std::isnan(b.material->opacity) ? -INFINITY : b.material->opacity;
    };
    std::stable_sort(
        batches.begin(), batches.end(),
        [&](const MaterialBatch& a, const MaterialBatch& b) { return key(a) > key(b); });
}

void ModelOBJ::computeBoundingBox() {
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    bool any = false;
    for (const ModelVertex& v : vertices) {
        // One vertex at infinity (or NaN) would make the box, and unitize every vertex, useless.
        const float* p = v.position;
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            continue;
        any = true;
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    }
    if (!any) {
        center[0] = center[1] = center[2] = 0.0f;
        width = height = depth = maxExtent = 0.0f;
        return;
    }
    // Halving first cannot overflow near FLT_MAX and gives the same value otherwise.
    for (int a = 0; a < 3; ++a)
        center[a] = lo[a] * 0.5f + hi[a] * 0.5f;
    width = hi[0] - lo[0];
    height = hi[1] - lo[1];
    depth = hi[2] - lo[2];
    maxExtent = std::max(width, std::max(height, depth));
}

void ModelOBJ::unitize(float targetSize) {
    computeBoundingBox();
    // A flat point or a box beyond float range has no scale to fit; it is only centred.
    const float scale =
        maxExtent > 0.0f && std::isfinite(maxExtent) ? targetSize / maxExtent : 1.0f;
    for (ModelVertex& v : vertices) {
        for (int a = 0; a < 3; ++a)
            v.position[a] = (v.position[a] - center[a]) * scale;
    }
    computeBoundingBox();
}

void ModelOBJ::generateNormals() {
    for (ModelVertex& v : vertices)
        v.normal[0] = v.normal[1] = v.normal[2] = 0.0f;
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        ModelVertex& a = vertices[indices[i]];
        ModelVertex& b = vertices[indices[i + 1]];
        ModelVertex& c = vertices[indices[i + 2]];
        const Vector3 p0 = load3(a.position);
        const Vector3 faceNormal = (load3(b.position) - p0).cross(load3(c.position) - p0);
        add3(a.normal, faceNormal);
        add3(b.normal, faceNormal);
        add3(c.normal, faceNormal);
    }
    for (ModelVertex& v : vertices)
        store3(v.normal, normalizeOr(load3(v.normal), Vector3(0.0f, 0.0f, 1.0f)));
    hasNormals = true;
}

void ModelOBJ::generateTangents() {
    for (ModelVertex& v : vertices) {
        std::memset(v.tangent, 0, sizeof v.tangent);
        std::memset(v.bitangent, 0, sizeof v.bitangent);
    }
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        ModelVertex* corner[3] = {&vertices[indices[i]], &vertices[indices[i + 1]],
                                  &vertices[indices[i + 2]]};
        const Vector3 p0 = load3(corner[0]->position);
        const Vector3 e1 = load3(corner[1]->position) - p0;
        const Vector3 e2 = load3(corner[2]->position) - p0;
        const float du1 = corner[1]->texCoord[0] - corner[0]->texCoord[0];
        const float dv1 = corner[1]->texCoord[1] - corner[0]->texCoord[1];
        const float du2 = corner[2]->texCoord[0] - corner[0]->texCoord[0];
        const float dv2 = corner[2]->texCoord[1] - corner[0]->texCoord[1];
        const float det = du1 * dv2 - dv1 * du2;
        Vector3 t(1.0f, 0.0f, 0.0f);
        Vector3 b(0.0f, 1.0f, 0.0f);
        if (std::fabs(det) >= 1e-6f) {
            const float r = 1.0f / det;
            t = (e1 * dv2 - e2 * dv1) * r;
            b = (e2 * du1 - e1 * du2) * r;
        }
        for (ModelVertex* v : corner) {
            add3(v->tangent, t);
            add3(v->bitangent, b);
        }
    }
    for (ModelVertex& v : vertices) {
        const Vector3 n = load3(v.normal);
        Vector3 t = load3(v.tangent);
        t = t - n * n.dot(t);
        // Any unit vector off the normal will do where the triangles give no direction.
        const Vector3 axis =
            std::fabs(n.x) < 0.9f ? Vector3(1.0f, 0.0f, 0.0f) : Vector3(0.0f, 1.0f, 0.0f);
        const Vector3 fallback = normalizeOr(axis - n * n.dot(axis), axis);
        t = normalizeOr(t, fallback);
        const Vector3 bitangent = n.cross(t);
        const float w = bitangent.dot(load3(v.bitangent)) >= 0.0f ? -1.0f : 1.0f;
        store3(v.tangent, t);
        v.tangent[3] = w;
        store3(v.bitangent, bitangent);
    }
    hasTangents = true;
}
