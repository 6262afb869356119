#include "ImageLoaders.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    DibPicture picture;
    if (decodeTga(data, size, picture)) {
        volatile unsigned sum = 0;
        for (size_t i = 0; i < (size_t)picture.pitch * picture.height; ++i)
            sum = sum + picture.bits[i];
    }
    return 0;
}
