#pragma once

// Conventions shared by the terrain scene's shaders, the data generator and the tests. The shader
// loader hands each value to every GLSL program as a #define, so none is written twice.
namespace scene {

// World: y up. The terrain covers [0, terrainSize] x [0, terrainSize] in world x and z.
constexpr float terrainSize = 5.0f;
// Height-field texels along each side of the terrain (and of every lighting target).
constexpr int heightTexels = 256;
// World height of the height field: y = h * heightScale for h in [0, 1].
constexpr float heightScale = 0.6f;
// One exposure for sky and terrain, applied before the shared tone curve.
constexpr float exposure = 1.0f;

} // namespace scene
