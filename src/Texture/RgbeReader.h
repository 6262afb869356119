#pragma once

#include "ByteCursor.h"
#include "Texture.h"

#include <cstddef>
#include <cstdio>
#include <string>

// Radiance RGBE (.hdr) reader. The reading operations return 0 on success and -1 on failure,
// after a message on standard error; they never end the program.

// Consumes the header and the resolution line; height and width are set only on success,
// and only to sizes whose float RGB block (width x height x 12 bytes) can be addressed.
int readRgbeHeader(ByteCursor& in, int& height, int& width);
// Reads count flat 4-byte pixels into count float triples.
int readRgbePixels(ByteCursor& in, float* data, size_t count);
// Reads height scanlines of width pixels, run-length encoded or flat.
int readRgbePixelsRle(ByteCursor& in, float* data, int width, int height);

// The same on an open, seekable stream, which is left just after what was consumed.
int readRgbeHeader(std::FILE* file, int& height, int& width);
int readRgbePixels(std::FILE* file, float* data, size_t count);
int readRgbePixelsRle(std::FILE* file, float* data, int width, int height);

// The fewest bytes any encoding of width x height pixels can take. Checking it before the pixel
// block is allocated keeps a short file from claiming gigabytes.
size_t minimumRgbePixelBytes(int width, int height);

// One pixel: 2^(E-136) times each mantissa, black when E is 0.
void rgbeToFloat(const unsigned char rgbe[4], float* rgb);

enum class HdrStatus {
    Loaded,     // every pixel read
    Damaged,    // pixel data broke off or was malformed: what was read is kept, the rest is black
    Refused,    // header rejected or far too short for its size: the record is left empty
    OutOfMemory // the pixel block could not be allocated
};

// Whole image from bytes in memory into texture (float RGB, top row first); never exits.
HdrStatus decodeHdr(const unsigned char* bytes, size_t size, Texture& texture);

// Whole file. Ends the program with exit code 1 when the file cannot be opened or its pixels
// do not fit in memory; a file the reader rejects leaves the record empty.
void loadHdr(const std::string& path, Texture& texture);
