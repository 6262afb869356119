#pragma once

#include <vector>

// Texels of the terrain's detail texture: four octaves of smooth value noise, one per channel (red
// the broadest, alpha the finest: lattices of 8, 16, 32 and 64 cells across), tiling seamlessly,
// in RGBA bytes, size x size, row after row. The terrain samples it mipmapped, so its detail fades
// out where it would be finer than a pixel. size is a power of two of at least 64.
std::vector<unsigned char> groundNoiseTexels(int size);
