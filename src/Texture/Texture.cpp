#include "Texture.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

int Texture::getNumberPixelComponents() const {
    int components = 0;
    if (format == PIXEL_RGB) {
        components = 3;
    } else if (format == PIXEL_RGBA) {
        components = 4;
    } else {
        std::cerr << "Texture::getNumberPixelComponents() : wrong texture format!" << std::endl;
        std::exit(1);
    }
    if (type == PIXEL_UNSIGNED_BYTE)
        return components;
    if (type == PIXEL_FLOAT)
        return components * 4;
    std::cerr << "Texture::getNumberPixelComponents() : wrong texture type!" << std::endl;
    std::exit(1);
}

namespace {

// The largest pixel is four floats, so a scratch pixel fits on the stack.
void swapPixels(unsigned char* a, unsigned char* b, int pixelSize) {
    unsigned char scratch[16];
    std::memcpy(scratch, a, pixelSize);
    std::memcpy(a, b, pixelSize);
    std::memcpy(b, scratch, pixelSize);
}

} // namespace

void Texture::flipHorizontally() {
    if (!data || width <= 0 || height <= 0)
        return;
    const int pixelSize = getNumberPixelComponents();
    const size_t rowSize = (size_t)width * pixelSize;
    for (int i = 0; i < height; ++i) {
        unsigned char* row = data + i * rowSize;
        for (int j = 0; j < width / 2; ++j)
            swapPixels(row + (size_t)j * pixelSize, row + (size_t)(width - 1 - j) * pixelSize,
                       pixelSize);
    }
}

void Texture::flipVertically() {
    if (!data || width <= 0 || height <= 0)
        return;
    const size_t rowSize = (size_t)width * getNumberPixelComponents();
    for (int i = 0; i < height / 2; ++i) {
        unsigned char* top = data + i * rowSize;
        unsigned char* bottom = data + (size_t)(height - 1 - i) * rowSize;
        for (size_t k = 0; k < rowSize; ++k) {
            unsigned char t = top[k];
            top[k] = bottom[k];
            bottom[k] = t;
        }
    }
}
