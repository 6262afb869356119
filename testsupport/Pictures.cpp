#include "Pictures.h"

#include <cstdlib>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

bool picturesWanted() {
    return std::getenv("BRASTEL_SHOT_DIR") != nullptr;
}

void keepPicture(const std::string& name, int width, int height, int channels,
                 const std::vector<unsigned char>& pixels) {
    if (!picturesWanted())
        return;
    const std::string path = std::string(std::getenv("BRASTEL_SHOT_DIR")) + "/" + name + ".png";
    const int stride = width * channels;
    // The last row first: PNG stores the top row first.
    stbi_write_png(path.c_str(), width, height, channels, pixels.data() + (height - 1) * stride,
                   -stride);
}
