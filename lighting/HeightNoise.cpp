#include "HeightNoise.h"

#include <algorithm>
#include <cmath>

// clang-format off
const unsigned char noisePermutation[noiseTableSize] = {
    151, 160, 137,  91,  90,  15, 131,  13, 201,  95,  96,  53, 194, 233,   7, 225,
    140,  36, 103,  30,  69, 142,   8,  99,  37, 240,  21,  10,  23, 190,   6, 148,
    247, 120, 234,  75,   0,  26, 197,  62,  94, 252, 219, 203, 117,  35,  11,  32,
     57, 177,  33,  88, 237, 149,  56,  87, 174,  20, 125, 136, 171, 168,  68, 175,
     74, 165,  71, 134, 139,  48,  27, 166,  77, 146, 158, 231,  83, 111, 229, 122,
     60, 211, 133, 230, 220, 105,  92,  41,  55,  46, 245,  40, 244, 102, 143,  54,
     65,  25,  63, 161,   1, 216,  80,  73, 209,  76, 132, 187, 208,  89,  18, 169,
    200, 196, 135, 130, 116, 188, 159,  86, 164, 100, 109, 198, 173, 186,   3,  64,
     52, 217, 226, 250, 124, 123,   5, 202,  38, 147, 118, 126, 255,  82,  85, 212,
    207, 206,  59, 227,  47,  16,  58,  17, 182, 189,  28,  42, 223, 183, 170, 213,
    119, 248, 152,   2,  44, 154, 163,  70, 221, 153, 101, 155, 167,  43, 172,   9,
    129,  22,  39, 253,  19,  98, 108, 110,  79, 113, 224, 232, 178, 185, 112, 104,
    218, 246,  97, 228, 251,  34, 242, 193, 238, 210, 144,  12, 191, 179, 162, 241,
     81,  51, 145, 235, 249,  14, 239, 107,  49, 192, 214,  31, 181, 199, 106, 157,
    184,  84, 204, 176, 115, 121,  50,  45, 127,   4, 150, 254, 138, 236, 205,  93,
    222, 114,  67,  29,  24,  72, 243, 141, 128, 195,  78,  66, 215,  61, 156, 180,
};

const signed char noiseGradients[16][3] = {
    {0, 1, 1}, {0, 1, -1}, {0, -1, 1}, {0, -1, -1}, {1, 0, 1}, {1, 0, -1}, {-1, 0, 1}, {-1, 0, -1},
    {1, 1, 0}, {1, -1, 0}, {-1, 1, 0}, {-1, -1, 0}, {1, 0, -1}, {-1, 0, -1}, {0, -1, 1}, {0, 1, 1},
};
// clang-format on

namespace {

int lookupHash(int row, int column) {
    return noisePermutation[(noisePermutation[row & 255] + (column & 255)) & 255];
}

float fade(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float mix(float a, float b, float t) {
    return a + (b - a) * t;
}

// The gradient of corner (i, j, k), given rowHash = lookupHash(i, j), dotted with the offset.
float cornerValue(int rowHash, int k, float fx, float fy, float fz) {
    const signed char* g = noiseGradients[lookupHash(rowHash, k) & 15];
    return g[0] * fx + g[1] * fy + g[2] * fz;
}

} // namespace

void buildPermutationTexels(unsigned char texels[noiseTableSize * noiseTableSize * 4]) {
    for (int i = 0; i < noiseTableSize; ++i)
        for (int j = 0; j < noiseTableSize; ++j) {
            const int v = lookupHash(i, j);
            const signed char* g = noiseGradients[v % 16];
            unsigned char* texel = texels + (i * noiseTableSize + j) * 4;
            for (int c = 0; c < 3; ++c)
                texel[c] = static_cast<unsigned char>((g[c] + 1) * 64);
            texel[3] = static_cast<unsigned char>(v);
        }
}

float gradientNoise(float x, float y, float z) {
    const float cx = std::floor(x), cy = std::floor(y), cz = std::floor(z);
    const int i = static_cast<int>(cx), j = static_cast<int>(cy), k = static_cast<int>(cz);
    const float fx = x - cx, fy = y - cy, fz = z - cz;
    const int h00 = lookupHash(i, j), h10 = lookupHash(i + 1, j);
    const int h01 = lookupHash(i, j + 1), h11 = lookupHash(i + 1, j + 1);
    const float n000 = cornerValue(h00, k, fx, fy, fz);
    const float n100 = cornerValue(h10, k, fx - 1.0f, fy, fz);
    const float n010 = cornerValue(h01, k, fx, fy - 1.0f, fz);
    const float n110 = cornerValue(h11, k, fx - 1.0f, fy - 1.0f, fz);
    const float n001 = cornerValue(h00, k + 1, fx, fy, fz - 1.0f);
    const float n101 = cornerValue(h10, k + 1, fx - 1.0f, fy, fz - 1.0f);
    const float n011 = cornerValue(h01, k + 1, fx, fy - 1.0f, fz - 1.0f);
    const float n111 = cornerValue(h11, k + 1, fx - 1.0f, fy - 1.0f, fz - 1.0f);
    const float u = fade(fx), v = fade(fy), w = fade(fz);
    const float z0 = mix(mix(n000, n100, u), mix(n010, n110, u), v);
    const float z1 = mix(mix(n001, n101, u), mix(n011, n111, u), v);
    return mix(z0, z1, w);
}

float terrainHeight(float u, float v, float time) {
    // Ridged multifractal: sharp crests where the noise crosses zero; each octave is weighted by
    // the one before, so detail gathers on the ridges while the valleys stay smooth. Each octave's
    // lattice is turned against the last: a slice of the noise parallel to its lattice (time
    // runs along z) shows the lattice's straight lines. Finer octaves also run faster in time.
    float x = u * 2.6f + 0.43f, y = v * 2.6f + 1.37f, z = time * 250.0f + 0.47f;
    float sum = 0.0f, weight = 1.0f, amplitude = 1.0f;
    for (int octave = 0; octave < 5; ++octave) {
        const float tx = -0.2588f * x - 0.9209f * y - 0.2915f * z;
        const float ty = 0.2915f * x + 0.2133f * y - 0.9325f * z;
        const float tz = 0.9209f * x - 0.3263f * y + 0.2133f * z;
        float ridge = 1.0f - std::fabs(gradientNoise(tx, ty, tz));
        ridge = ridge * ridge * weight;
        weight = std::min(std::max(ridge * 1.8f, 0.0f), 1.0f);
        sum += ridge * amplitude;
        x = tx * 2.03f + 0.19f;
        y = ty * 2.03f + 0.61f;
        z = tz * 2.03f + 0.37f;
        amplitude *= 0.45f;
    }
    // A slow, broad mask raises mountain ranges in some places and leaves lowlands in others.
    float mask =
        0.5f + 1.2f * gradientNoise(u * 1.17f + 5.1f, v * 1.17f + 2.3f, time * 120.0f + 3.7f);
    mask = std::min(std::max(mask, 0.0f), 1.0f);
    mask = mask * mask * (3.0f - 2.0f * mask);
    // Soft floor in the valleys, soft ceiling under the camera's path.
    const float s = sum * (0.3f + 0.7f * mask) - 0.15f;
    const float lifted = std::log(1.0f + std::exp(s * 10.0f)) / 10.0f;
    return 0.9f * (1.0f - std::exp(-lifted * 1.3f));
}
