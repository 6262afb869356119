// OBJ text, then optionally a NUL byte and the text every mtllib statement reads.
#include "ModelOBJ.h"

#include <cstdint>
#include <string_view>

static void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view obj = input.substr(0, split);
    const std::string_view mtl = split == std::string_view::npos ? "" : input.substr(split + 1);

    ModelOBJ model;
    check(model.ImportText(obj, [&](const std::string&, std::string& text) {
        text.assign(mtl);
        return true;
    }));

    // What the GPU upload relies on: every index names a vertex, batches cover the triangles.
    check(model.indices.size() == size_t(model.numTriangles) * 3 &&
          model.triangleMaterial.size() == size_t(model.numTriangles));
    for (uint32_t index : model.indices)
        check(index < model.vertices.size());
    check(!model.materials.empty() && model.batches.size() == size_t(model.numBatches));
    int covered = 0;
    for (const MaterialBatch& batch : model.batches) {
        check(batch.material >= model.materials.data() &&
              batch.material < model.materials.data() + model.materials.size());
        check(batch.firstIndex >= 0 && batch.triangleCount > 0 &&
              size_t(batch.firstIndex) + size_t(batch.triangleCount) * 3 <= model.indices.size());
        covered += batch.triangleCount;
    }
    check(covered == model.numTriangles);

    model.unitize(1.0f);
    return 0;
}
