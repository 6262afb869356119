#include "ImageFiles.h"

#include <algorithm>
#include <cmath>
#include <fstream>

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
    std::ofstream out(path, std::ios::binary);
    const unsigned char header[18] = {0,
                                      0,
                                      2, // uncompressed true colour
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      static_cast<unsigned char>(image.width & 0xFF),
                                      static_cast<unsigned char>(image.width >> 8),
                                      static_cast<unsigned char>(image.height & 0xFF),
                                      static_cast<unsigned char>(image.height >> 8),
                                      24,
                                      0}; // bottom-left origin
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    std::vector<char> row(static_cast<size_t>(image.width) * 3);
    for (int y = image.height - 1; y >= 0; --y) {
        const unsigned char* source = &image.rgb[static_cast<size_t>(y) * image.width * 3];
        for (int x = 0; x < image.width; ++x) { // TGA stores blue, green, red
            row[3 * x + 0] = static_cast<char>(source[3 * x + 2]);
            row[3 * x + 1] = static_cast<char>(source[3 * x + 1]);
            row[3 * x + 2] = static_cast<char>(source[3 * x + 0]);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out);
}

bool writePng(const std::string& path, const RgbImage& image) {
    return stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(),
                          image.width * 3) != 0;
}
