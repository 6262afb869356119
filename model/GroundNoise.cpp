#include "GroundNoise.h"

#include <cstddef>
#include <cstdint>

namespace {

// A well-mixed 32-bit hash of a lattice point and a channel.
uint32_t latticeHash(uint32_t x, uint32_t y, uint32_t channel) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ channel * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

float latticeValue(int x, int y, int cells, int channel) {
    const uint32_t wx = static_cast<uint32_t>(x % cells), wy = static_cast<uint32_t>(y % cells);
    return static_cast<float>(latticeHash(wx, wy, static_cast<uint32_t>(channel)) >> 8) /
           16777215.0f;
}

float smooth(float t) {
    return t * t * (3.0f - 2.0f * t);
}

} // namespace

std::vector<unsigned char> groundNoiseTexels(int size) {
    std::vector<unsigned char> texels(static_cast<std::size_t>(size) * size * 4);
    const int cellsPerChannel[4] = {8, 16, 32, 64};
    for (int c = 0; c < 4; ++c) {
        const int cells = cellsPerChannel[c];
        const float cellTexels = static_cast<float>(size) / cells;
        for (int row = 0; row < size; ++row)
            for (int column = 0; column < size; ++column) {
                const float fx = column / cellTexels, fy = row / cellTexels;
                const int x = static_cast<int>(fx), y = static_cast<int>(fy);
                const float tx = smooth(fx - x), ty = smooth(fy - y);
                const float bottom = latticeValue(x, y, cells, c) +
                                     (latticeValue(x + 1, y, cells, c) - latticeValue(x, y, cells, c)) * tx;
                const float top = latticeValue(x, y + 1, cells, c) +
                                  (latticeValue(x + 1, y + 1, cells, c) - latticeValue(x, y + 1, cells, c)) * tx;
                const float value = bottom + (top - bottom) * ty;
                texels[(static_cast<std::size_t>(row) * size + column) * 4 + c] =
                    static_cast<unsigned char>(value * 255.0f + 0.5f);
            }
    }
    return texels;
}
