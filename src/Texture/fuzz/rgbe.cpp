// Radiance reader on arbitrary bytes: the whole-image decoder, and the scanline reader on its
// own with a width taken from the input, into an output exactly as large as it asks.
#include "RgbeReader.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    Texture texture;
    decodeHdr(data, size, texture);
    std::free(texture.data);

    if (size >= 2) {
        const int width = 1 + data[0] % 40, height = 1 + data[1] % 4;
        std::vector<float> pixels((size_t)width * height * 3);
        ByteCursor in(data + 2, size - 2);
        readRgbePixelsRle(in, pixels.data(), width, height);
    }
    return 0;
}
