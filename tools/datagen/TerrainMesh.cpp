#include "TerrainMesh.h"

#include "DataFile.h"
#include "MeshBuilder.h"
#include "RunTree.h"

#include <fstream>
#include <iostream>

std::string terrainMeshObj() {
    // The size is immaterial (the mesh is unitized on loading); the shader lays it on the
    // terrain square with u along x and v along z.
    MeshBuilder mesh;
    const int cells = terrainGridSize - 1;
    mesh.addPatch(
        "", steps(0, 1, cells), steps(0, 1, cells),
        [](double u, double v) {
            return Vec3{u, 0, v};
        },
        [](double u, double v) {
            return Vec2{u, v};
        },
        true);
    return mesh.objText("");
}

bool writeTerrainMesh(const std::string& modelFolder) {
    return writeDataFile(modelFolder + "/" + fileName(runtree::terrainModelPath), terrainMeshObj());
}
