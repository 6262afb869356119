#pragma once

#include <string>

// Vertices along each side of the terrain grid.
constexpr int terrainGridSize = 129;

// The terrain grid as OBJ text: a flat square, texture coordinates 0..1 along x and z, every
// triangle wound counter-clockwise seen from +y.
std::string terrainMeshObj();

// Writes terrain.obj into the model folder, which must exist.
bool writeTerrainMesh(const std::string& modelFolder);
