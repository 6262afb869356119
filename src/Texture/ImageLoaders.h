#pragma once

#include "Texture.h"

#include <cstddef>
#include <string>

// A decoded picture: 32-bit pixels in blue, green, red, fourth-byte order, top row first,
// pitch = width x 4. Owns its pixel block.
struct DibPicture {
    int width = 0;
    int height = 0;
    int pitch = 0;
    unsigned char* bits = nullptr;

    DibPicture() = default;
    ~DibPicture() { release(); }
    DibPicture(const DibPicture&) = delete;
    DibPicture& operator=(const DibPicture&) = delete;

    // Releases what the record holds, then allocates w x h pixels (left undefined); false for
    // a size that is not positive or does not fit in memory.
    bool create(int w, int h);
    void release();
};

// TGA when the name contains ".TGA" or ".tga" (case-sensitive), every other format through
// stb_image. False, with nothing printed and the picture released, when it cannot be decoded.
bool loadPicture(const std::string& fileName, DibPicture& picture);
bool loadTga(const std::string& fileName, DibPicture& picture);

// Uncompressed 24-bit BMP into 8-bit RGBA, bottom row first. Ends the program with exit code 1
// and a message on standard error when the file cannot be opened or read.
void loadBmp(const std::string& path, Texture& texture);

// The byte-level readers behind those; they never end the program.
bool decodeTga(const unsigned char* bytes, size_t size, DibPicture& picture);
bool decodePicture(const unsigned char* bytes, size_t size, DibPicture& picture);

// The packaged stb_image trusts a JPEG Huffman table's code counts, and more than 256 codes
// write past its tables; every call into it (decodePicture does this) must first pass this
// check. True for anything that is not a JPEG.
bool jpegHuffmanTablesFit(const unsigned char* bytes, size_t size);

enum class BmpStatus { Loaded, BadPlanes, BadBitsPerPixel, BadSize, Truncated, OutOfMemory };

// On Loaded, texture holds the pixels; otherwise it is untouched. bitsPerPixel and the size
// read from the header are passed back for the messages.
BmpStatus decodeBmp(const unsigned char* bytes, size_t size, Texture& texture, int& bitsPerPixel,
                    long& width, long& height);
