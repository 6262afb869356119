// The general picture route (stb_image, then the BGRA copy).
#include "ImageLoaders.h"

#include <stb/stb_image.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    // Legitimately huge pictures decode from a few bytes (a GIF screen, a flat PNG); they test
    // memory, not the decoder, and would only trip the fuzzer's memory limit.
    int w = 0, h = 0, n = 0;
    if (!jpegHuffmanTablesFit(data, size))
        return 0;
    if (size <= 0x7fffffff && stbi_info_from_memory(data, (int)size, &w, &h, &n) &&
        (long long)w * h > (1 << 22))
        return 0;
    DibPicture picture;
    if (decodePicture(data, size, picture)) {
        volatile unsigned sum = 0;
        for (size_t i = 0; i < (size_t)picture.pitch * picture.height; ++i)
            sum = sum + picture.bits[i];
    }
    return 0;
}
