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

// The key light's quadrature, shared by its shader and the CPU side that evaluates the light at
// the integration nodes once per frame: horizons in keyDirections azimuths over the whole circle,
// the light integrated at keySubdivisions azimuths between two of them, over keyRings equal-area
// rings of u = sine of the elevation with two Gauss nodes each.
constexpr int keyDirections = 8;
constexpr int keySubdivisions = 2;
constexpr int keyAzimuths = keyDirections * keySubdivisions;
constexpr int keyRings = 4;

} // namespace scene
