#include "ByteCursor.h"
#include "FileBytes.h"
#include "ImageLoaders.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>

BmpStatus decodeBmp(const unsigned char* bytes, size_t size, Texture& texture, int& bitsPerPixel,
                    long& width, long& height) {
    ByteCursor in(bytes, size);
    unsigned long offset;
    long w, h;
    unsigned planes, bits;
    if (!in.seek(10) || !in.readU32(offset) || !in.seek(18) || !in.readI32(w) || !in.readI32(h) ||
        !in.readU16(planes) || !in.readU16(bits))
        return BmpStatus::Truncated;
    width = w;
    height = h;
    bitsPerPixel = (int)bits;
    if (planes != 1)
        return BmpStatus::BadPlanes;
    if (bits != 24)
        return BmpStatus::BadBitsPerPixel;
    // A negative height marks rows stored top row first; INT_MIN has no positive twin.
    if (w <= 0 || h == 0 || h < -0x7fffffffL)
        return BmpStatus::BadSize;
    const bool topDown = h < 0;
    const uint64_t rows = topDown ? (uint64_t)-h : (uint64_t)h;
    const uint64_t rowBytes = (uint64_t)w * 3;
    const uint64_t stride = (rowBytes + 3) & ~(uint64_t)3; // rows are padded to 4 bytes
    const uint64_t outBytes = (uint64_t)w * rows * 4;
    if (outBytes > SIZE_MAX)
        return BmpStatus::BadSize;
    // The last row's padding may be missing; its pixels may not.
    const uint64_t needed = stride * (rows - 1) + rowBytes;
    if (offset > size || size - offset < needed)
        return BmpStatus::Truncated;

    auto* pixels = static_cast<unsigned char*>(std::malloc((size_t)outBytes));
    if (!pixels)
        return BmpStatus::OutOfMemory;
    // Output keeps the bottom row first, whichever way the file stores its rows.
    const unsigned char* first = bytes + offset;
    unsigned char* out = pixels;
    for (uint64_t i = 0; i < rows; ++i) {
        const unsigned char* src = first + stride * (topDown ? rows - 1 - i : i);
        for (long x = 0; x < w; ++x, src += 3, out += 4) {
            out[0] = src[2];
            out[1] = src[1];
            out[2] = src[0];
            out[3] = 255;
        }
    }
    texture.data = pixels;
    texture.width = (int)w;
    texture.height = (int)rows;
    texture.format = PIXEL_RGBA;
    texture.type = PIXEL_UNSIGNED_BYTE;
    return BmpStatus::Loaded;
}

void loadBmp(const std::string& path, Texture& texture) {
    FileBytes file;
    FileBytes::Status status = file.readFile(path);
    if (status == FileBytes::OpenFailed) {
        std::cerr << "\n Error opening BMP file: " << path << std::endl;
        std::exit(1);
    }
    int bits = 0;
    long width = 0, height = 0;
    BmpStatus result = BmpStatus::OutOfMemory;
    if (status == FileBytes::ReadFailed)
        result = BmpStatus::Truncated;
    else if (status == FileBytes::Ok)
        result = decodeBmp(file.data(), file.size(), texture, bits, width, height);

    switch (result) {
    case BmpStatus::Loaded:
        return;
    case BmpStatus::BadPlanes:
        std::cerr << "\n Incorrect BMP file: " << path << std::endl;
        break;
    case BmpStatus::BadBitsPerPixel:
        std::cerr << "\n Incorrect BMP file Bits per pixel: " << bits << "-" << path << std::endl;
        break;
    case BmpStatus::BadSize:
        std::cerr << "\n Incorrect BMP file size: " << width << " x " << height << "-" << path
                  << std::endl;
        break;
    case BmpStatus::Truncated:
        std::cerr << "\n Truncated BMP file: " << path << std::endl;
        break;
    case BmpStatus::OutOfMemory:
        std::cerr << "\n Not enough memory to load BMP file: " << path << std::endl;
        break;
    }
    std::exit(1);
}
