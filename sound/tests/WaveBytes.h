#pragma once

// Builds RIFF/WAVE images in memory for the reader and audio tests.

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

inline void putU16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

inline void putU32(Bytes& b, std::uint32_t v) {
    putU16(b, v & 0xFFFF);
    putU16(b, v >> 16);
}

// A "fmt " payload of size bytes: the plain 16-byte layout, then the extensible fields that fit
// (extra size, valid bits, channel mask), then filler.
inline Bytes formatChunk(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                         std::uint16_t bits, std::size_t size = 16, std::uint32_t mask = 0) {
    Bytes b;
    putU16(b, tag);
    putU16(b, channels);
    putU32(b, rate);
    putU32(b, rate * channels * bits / 8);
    putU16(b, channels * bits / 8);
    putU16(b, bits);
    putU16(b, static_cast<std::uint32_t>(size - 18));
    putU16(b, bits);
    putU32(b, mask);
    b.resize(size, 0x11);
    return b;
}

struct Chunk {
    const char* id;
    Bytes payload;
    long long declared = -1; // overrides the size field, and then no pad byte is added
};

inline Bytes wave(std::initializer_list<Chunk> chunks, const char* form = "WAVE") {
    Bytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0};
    b.insert(b.end(), form, form + 4);
    for (const Chunk& c : chunks) {
        b.insert(b.end(), c.id, c.id + 4);
        putU32(b, static_cast<std::uint32_t>(c.declared < 0 ? c.payload.size() : c.declared));
        b.insert(b.end(), c.payload.begin(), c.payload.end());
        if (c.payload.size() % 2 && c.declared < 0)
            b.push_back(0xEE);
    }
    for (std::size_t i = 0, size = b.size() - 8; i < 4; ++i)
        b[4 + i] = static_cast<unsigned char>(size >> (8 * i));
    return b;
}

inline bool writeBytes(const std::string& path, const Bytes& b) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return f && std::fclose(f) == 0 && ok;
}
