#include "ImageLoaders.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    Texture texture;
    int bits = 0;
    long width = 0, height = 0;
    if (decodeBmp(data, size, texture, bits, width, height) == BmpStatus::Loaded) {
        // Touch every pixel so a short block shows up under the address sanitizer.
        volatile unsigned sum = 0;
        for (size_t i = 0; i < (size_t)texture.width * texture.height * 4; ++i)
            sum = sum + texture.data[i];
    }
    std::free(texture.data);
    return 0;
}
