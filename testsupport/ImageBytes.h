#pragma once

// Writers of small image files in memory, for tests and the benchmark.

#include "TestBytes.h"

#include <cstdint>
#include <string>

// One channel of a scanline (every fourth byte from p) as the Radiance writer encodes it: runs
// of 4 or more as run pairs, the rest as literal pairs of at most 128 bytes.
inline void appendRlePlane(Bytes& out, const unsigned char* p, int width) {
    auto runAt = [&](int x) {
        int run = 1;
        while (x + run < width && run < 127 && p[4 * (x + run)] == p[4 * x])
            ++run;
        return run;
    };
    for (int x = 0; x < width;) {
        const int start = x, run = runAt(x);
        if (run >= 4) {
            out.insert(out.end(), {(unsigned char)(128 + run), p[4 * x]});
            x += run;
            continue;
        }
        while (x < width && x - start < 128 && runAt(x) < 4)
            ++x;
        out.push_back(x - start);
        for (int i = start; i < x; ++i)
            out.push_back(p[4 * i]);
    }
}

// A Radiance file of RGBE pixels (4 bytes each, top row first).
inline Bytes rgbeFile(int width, int height, const Bytes& rgbe, bool rle) {
    std::string head = "#?RADIANCE\n# made by a test\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n";
    head += "\n-Y " + std::to_string(height) + " +X " + std::to_string(width) + "\n";
    Bytes out(head.begin(), head.end());
    for (int y = 0; rle && y < height; ++y) {
        out.insert(out.end(), {2, 2, (unsigned char)(width >> 8), (unsigned char)width});
        for (int c = 0; c < 4; ++c)
            appendRlePlane(out, &rgbe[(size_t)y * width * 4 + c], width);
    }
    if (!rle)
        out.insert(out.end(), rgbe.begin(), rgbe.end());
    return out;
}

// A 24-bit BMP with a 40-byte info header. bgr holds width x height pixels in stored order
// (bottom row first unless topDown). gap adds bytes between the headers and the pixels.
inline Bytes bmpFile(int width, int height, const Bytes& bgr, bool topDown = false, int gap = 0) {
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t offset = 54 + gap;
    Bytes out = {'B', 'M'};
    for (uint32_t v : {offset + stride * height, 0u, offset, 40u, (uint32_t)width,
                       (uint32_t)(topDown ? -height : height), 1u | 24u << 16, 0u,
                       (uint32_t)(stride * height), 2835u, 2835u, 0u, 0u})
        for (int i = 0; i < 4; ++i)
            out.push_back(v >> (8 * i));
    out.resize(offset, 0xEE);
    for (int i = 0; i < height; ++i) {
        out.insert(out.end(), bgr.begin() + i * width * 3, bgr.begin() + (i + 1) * width * 3);
        out.resize(out.size() + (stride - width * 3), 0);
    }
    return out;
}

// A TGA of the given type and depth; pixels are the stored bytes in stored order.
inline Bytes tgaFile(int type, int bits, int width, int height, const Bytes& pixels, bool topLeft,
                     const Bytes& colourMap = {}, int mapEntryBits = 0, int idLength = 0) {
    const int entries = mapEntryBits ? (int)colourMap.size() / (mapEntryBits / 8) : 0;
    Bytes out;
    for (int v :
         {idLength, (int)!colourMap.empty(), type, 0, 0, entries, entries >> 8, mapEntryBits, 0, 0,
          0, 0, width, width >> 8, height, height >> 8, bits, topLeft ? 0x20 : 0})
        out.push_back(v);
    out.resize(out.size() + idLength, 'i');
    out.insert(out.end(), colourMap.begin(), colourMap.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// Deterministic bytes with some repetition, so run-length encoding has runs and literals.
inline Bytes patternBytes(size_t count, uint32_t seed) {
    Bytes out(count);
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out[i] = (seed >> 24) < 100 ? 7 : (unsigned char)(seed >> 16);
    }
    return out;
}
