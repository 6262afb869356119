#include "FileBytes.h"
#include "ImageLoaders.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <stb/stb_image.h>

// Every FF C4 pair is checked as a table segment would be read, so no way of hiding a table
// from a marker walk gets past.
bool jpegHuffmanTablesFit(const unsigned char* bytes, size_t size) {
    // stb_image takes any run of FF bytes before D8 as the start-of-image marker.
    size_t start = 0;
    while (start < size && bytes[start] == 0xFF)
        ++start;
    if (start == 0 || start == size || bytes[start] != 0xD8)
        return true;
    for (size_t i = 0; i + 1 < size; ++i) {
        if (bytes[i] != 0xFF || bytes[i + 1] != 0xC4)
            continue;
        auto at = [&](size_t k) -> unsigned { return k < size ? bytes[k] : 0; };
        long left = (long)(at(i + 2) << 8 | at(i + 3)) - 2;
        size_t p = i + 4;
        while (left > 0 && p < size) {
            unsigned codes = 0;
            for (int k = 0; k < 16; ++k)
                codes += at(p + 1 + k);
            if (codes > 256)
                return false;
            left -= 17 + (long)codes;
            p += 17 + codes;
        }
    }
    return true;
}

bool DibPicture::create(int w, int h) {
    release();
    if (w <= 0 || h <= 0 || w > INT_MAX / 4 || (uint64_t)w * (uint64_t)h > SIZE_MAX / 4)
        return false;
    bits = static_cast<unsigned char*>(std::malloc((size_t)w * h * 4));
    if (!bits)
        return false;
    width = w;
    height = h;
    pitch = w * 4;
    return true;
}

void DibPicture::release() {
    std::free(bits);
    bits = nullptr;
    width = height = pitch = 0;
}

bool decodePicture(const unsigned char* bytes, size_t size, DibPicture& picture) {
    picture.release();
    if (size == 0 || size > INT_MAX || !jpegHuffmanTablesFit(bytes, size))
        return false;
    int w = 0, h = 0, channels = 0;
    unsigned char* rgba = stbi_load_from_memory(bytes, (int)size, &w, &h, &channels, 4);
    if (!rgba)
        return false;
    bool made = picture.create(w, h);
    if (made) {
        const size_t count = (size_t)w * h;
        for (size_t i = 0; i < count; ++i) {
            picture.bits[4 * i + 0] = rgba[4 * i + 2];
            picture.bits[4 * i + 1] = rgba[4 * i + 1];
            picture.bits[4 * i + 2] = rgba[4 * i + 0];
            picture.bits[4 * i + 3] = rgba[4 * i + 3];
        }
    }
    stbi_image_free(rgba);
    return made;
}

bool loadPicture(const std::string& fileName, DibPicture& picture) {
    if (fileName.find(".TGA") != std::string::npos || fileName.find(".tga") != std::string::npos)
        return loadTga(fileName, picture);
    picture.release();
    FileBytes file;
    if (file.readFile(fileName) != FileBytes::Ok)
        return false;
    return decodePicture(file.data(), file.size(), picture);
}
