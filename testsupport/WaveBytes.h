#pragma once

// Builds RIFF/WAVE images in memory for the reader and audio tests.

#include "TestBytes.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

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

// 16-bit stereo PCM at 44.1 kHz of a sine tone at the given level (0 for silence).
inline Bytes toneWave(double seconds, double hertz, double level) {
    const std::uint32_t rate = 44100, frames = static_cast<std::uint32_t>(seconds * rate);
    Bytes pcm;
    pcm.reserve(frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const long v = std::lround(level * std::sin(2 * M_PI * hertz * i / rate));
        putU16(pcm, static_cast<std::uint16_t>(v));
        putU16(pcm, static_cast<std::uint16_t>(v));
    }
    return wave({{"fmt ", formatChunk(1, 2, rate, 16)}, {"data", pcm}});
}
