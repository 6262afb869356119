#include "ImageFiles.h"

#include "DataFile.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

unsigned char toByte(double value) {
    return static_cast<unsigned char>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

} // namespace

void RgbImage::set(int x, int y, double r, double g, double b) {
    unsigned char* pixel = at(x, y);
    pixel[0] = toByte(r);
    pixel[1] = toByte(g);
    pixel[2] = toByte(b);
}

bool writeTga(const std::string& path, const RgbImage& image) {
    const unsigned char w = static_cast<unsigned char>(image.width & 0xFF);
    const unsigned char h = static_cast<unsigned char>(image.height & 0xFF);
    // Uncompressed true colour, 24 bits, bottom-left origin.
    std::string file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    file += {char(w), char(image.width >> 8), char(h), char(image.height >> 8), 24, 0};
    for (int y = image.height - 1; y >= 0; --y) {
        const unsigned char* source = &image.rgb[static_cast<size_t>(y) * image.width * 3];
        for (int x = 0; x < image.width; ++x) // TGA stores blue, green, red
            file += {char(source[3 * x + 2]), char(source[3 * x + 1]), char(source[3 * x])};
    }
    return writeDataFile(path, file);
}

bool writePng(const std::string& path, const RgbImage& image) {
    if (stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(),
                       image.width * 3) != 0)
        return true;
    std::cerr << "Cannot write " << path << std::endl;
    return false;
}
