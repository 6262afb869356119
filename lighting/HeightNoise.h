#pragma once

// The terrain's procedural height field. The noise pass computes the same function on the GPU
// (shader/noise.frag) from the lookup texture built here; the data generator writes it at time 0
// as the base height image, so the first frame and the base image agree. No GL.

constexpr int noiseTableSize = 256;

// Improved-noise permutation P, a permutation of 0 ... 255.
extern const unsigned char noisePermutation[noiseTableSize];
// The 16 gradient directions G; lattice hash v selects G[v mod 16].
extern const signed char noiseGradients[16][3];

// The lookup texture's 256 x 256 RGBA texels: (row i, column j), at byte (i * 256 + j) * 4, holds
// v = P[(P[i] + j) mod 256] in alpha and G[v mod 16] as (g + 1) * 64 in red, green, blue.
void buildPermutationTexels(unsigned char texels[noiseTableSize * noiseTableSize * 4]);

// Gradient noise, about -1 ... 1. A lattice corner (i, j, k) takes the gradient of texel
// (row P[(P[i] + j) mod 256], column k): two lookups, as the shader makes them.
float gradientNoise(float x, float y, float z);

// Terrain height in [0, 1] at texture coordinate (u, v) and the noise pass's "time" (demo
// milliseconds x 1e-7): ridges and valleys that slowly change shape as time grows.
float terrainHeight(float u, float v, float time);
