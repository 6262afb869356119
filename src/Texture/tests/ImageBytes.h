#pragma once

// Writers of small image files in memory, for tests and the benchmark.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

inline void appendText(Bytes& out, const std::string& text) {
    for (char c : text) // (insert trips a false g++ 12 overflow warning here)
        out.push_back((unsigned char)c);
}

inline void appendU16(Bytes& out, unsigned v) {
    out.push_back(v & 0xff);
    out.push_back((v >> 8) & 0xff);
}

inline void appendU32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back((v >> (8 * i)) & 0xff);
}

// One channel plane as the Radiance writer encodes it: runs of 4 or more as run pairs, the rest
// as literal pairs of at most 128 bytes.
inline void appendRlePlane(Bytes& out, const unsigned char* plane, int width) {
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 127 && plane[x + run] == plane[x])
            ++run;
        if (run >= 4) {
            out.push_back(128 + run);
            out.push_back(plane[x]);
            x += run;
            continue;
        }
        int start = x, count = 0;
        while (x < width && count < 128) {
            int same = 1;
            while (x + same < width && same < 4 && plane[x + same] == plane[x])
                ++same;
            if (same >= 4)
                break;
            ++x;
            ++count;
        }
        out.push_back(count);
        out.insert(out.end(), plane + start, plane + start + count);
    }
}

// A Radiance file of RGBE pixels (4 bytes each, top row first). headerLines go between the
// format line and the empty line.
inline Bytes rgbeFile(int width, int height, const Bytes& rgbe, bool rle,
                      const std::vector<std::string>& headerLines = {"EXPOSURE=1.0"}) {
    Bytes out;
    appendText(out, "#?RADIANCE\n# made by a test\nFORMAT=32-bit_rle_rgbe\n");
    for (const std::string& line : headerLines)
        appendText(out, line + "\n");
    appendText(out, "\n-Y " + std::to_string(height) + " +X " + std::to_string(width) + "\n");
    if (!rle) {
        out.insert(out.end(), rgbe.begin(), rgbe.end());
        return out;
    }
    std::vector<unsigned char> plane(width);
    for (int y = 0; y < height; ++y) {
        out.push_back(2);
        out.push_back(2);
        out.push_back(width >> 8);
        out.push_back(width & 0xff);
        for (int c = 0; c < 4; ++c) {
            for (int x = 0; x < width; ++x)
                plane[x] = rgbe[((size_t)y * width + x) * 4 + c];
            appendRlePlane(out, plane.data(), width);
        }
    }
    return out;
}

// A 24-bit BMP with a 40-byte info header. bgr holds width x height pixels, bottom row first.
// gap adds bytes between the headers and the pixels (the offset field says so).
inline Bytes bmpFile(int width, int height, const Bytes& bgr, bool topDown = false, int gap = 0,
                     int bits = 24) {
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t offset = 54 + gap;
    Bytes out;
    appendText(out, "BM");
    appendU32(out, offset + stride * height);
    appendU32(out, 0);
    appendU32(out, offset);
    appendU32(out, 40);
    appendU32(out, width);
    appendU32(out, topDown ? -height : height);
    appendU16(out, 1);
    appendU16(out, bits);
    appendU32(out, 0);
    appendU32(out, stride * height);
    appendU32(out, 2835);
    appendU32(out, 2835);
    appendU32(out, 0);
    appendU32(out, 0);
    out.resize(offset, 0xEE);
    for (int i = 0; i < height; ++i) {
        const int row = topDown ? height - 1 - i : i;
        const unsigned char* src = bgr.data() + (size_t)row * width * 3;
        out.insert(out.end(), src, src + width * 3);
        out.resize(out.size() + (stride - width * 3), 0);
    }
    return out;
}

// A TGA of the given type and depth; pixels are the stored bytes, top row first, and are
// written bottom row first unless topLeft.
inline Bytes tgaFile(int type, int bits, int width, int height, const Bytes& pixels, bool topLeft,
                     const Bytes& colourMap = {}, int mapEntryBits = 0, int idLength = 0) {
    const int pixelBytes = bits / 8;
    Bytes out;
    out.push_back(idLength);
    out.push_back(colourMap.empty() ? 0 : 1);
    out.push_back(type);
    appendU16(out, 0);
    appendU16(out, mapEntryBits ? colourMap.size() / (mapEntryBits / 8) : 0);
    out.push_back(mapEntryBits);
    appendU16(out, 0);
    appendU16(out, 0);
    appendU16(out, width);
    appendU16(out, height);
    out.push_back(bits);
    out.push_back(topLeft ? 0x20 : 0x00);
    for (int i = 0; i < idLength; ++i)
        out.push_back('i');
    out.insert(out.end(), colourMap.begin(), colourMap.end());
    for (int i = 0; i < height; ++i) {
        const int row = topLeft ? i : height - 1 - i;
        const unsigned char* src = pixels.data() + (size_t)row * width * pixelBytes;
        out.insert(out.end(), src, src + width * pixelBytes);
    }
    return out;
}

inline bool writeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Deterministic bytes with some repetition, so run-length encoding has runs and literals.
inline Bytes patternBytes(size_t count, uint32_t seed) {
    Bytes out(count);
    uint32_t s = seed;
    for (size_t i = 0; i < count; ++i) {
        s = s * 1664525u + 1013904223u;
        out[i] = (s >> 24) < 100 ? 7 : (unsigned char)(s >> 16);
    }
    return out;
}
