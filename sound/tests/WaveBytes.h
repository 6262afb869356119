#pragma once

// Builds RIFF/WAVE images in memory for the reader and audio tests.

#include <cstdint>
#include <cstdio>
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

// A "fmt " payload: 16 bytes of the plain layout, then extra bytes up to size (extensible
// fields where they fit: extra size, valid bits, channel mask, sub-format).
inline Bytes formatChunk(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                         std::uint16_t bits, std::size_t size = 16, std::uint32_t mask = 0) {
    Bytes b;
    putU16(b, tag);
    putU16(b, channels);
    putU32(b, rate);
    putU32(b, rate * channels * bits / 8);
    putU16(b, static_cast<std::uint16_t>(channels * bits / 8));
    putU16(b, bits);
    if (size >= 18)
        putU16(b, static_cast<std::uint32_t>(size - 18));
    if (size >= 24) {
        putU16(b, bits);
        putU32(b, mask);
    }
    b.resize(size, 0x11);
    return b;
}

struct WaveImage {
    explicit WaveImage(const char* form = "WAVE") {
        bytes.assign({'R', 'I', 'F', 'F', 0, 0, 0, 0});
        bytes.insert(bytes.end(), form, form + 4);
    }
    // Appends a chunk; declared overrides the size field; odd payloads get their pad byte.
    WaveImage& chunk(const char* id, const Bytes& payload, long long declared = -1) {
        bytes.insert(bytes.end(), id, id + 4);
        putU32(bytes, static_cast<std::uint32_t>(declared < 0 ? payload.size() : declared));
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        if (payload.size() % 2 && declared < 0)
            bytes.push_back(0xEE);
        return *this;
    }
    Bytes done() const {
        Bytes b = bytes;
        std::uint32_t size = static_cast<std::uint32_t>(b.size() - 8);
        for (int i = 0; i < 4; ++i)
            b[4 + i] = static_cast<unsigned char>(size >> (8 * i));
        return b;
    }
    Bytes bytes;
};

inline bool writeBytes(const std::string& path, const Bytes& b) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}
