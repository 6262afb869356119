#include "ByteCursor.h"
#include "FileBytes.h"
#include "ImageLoaders.h"

#include <cstdint>

bool decodeTga(const unsigned char* bytes, size_t size, DibPicture& picture) {
    picture.release();
    ByteCursor in(bytes, size);
    unsigned char header[18];
    if (!in.read(header, sizeof header))
        return false;
    const unsigned idLength = header[0];
    const unsigned mapType = header[1];
    const unsigned imageType = header[2];
    const unsigned mapFirst = header[3] | header[4] << 8;
    const unsigned mapLength = header[5] | header[6] << 8;
    const unsigned mapEntryBits = header[7];
    const int width = header[12] | header[13] << 8;
    const int height = header[14] | header[15] << 8;
    const unsigned bits = header[16];
    const bool topLeft = (header[17] & 0x30) == 0x20;

    if (!in.skip(idLength))
        return false;
    if ((bits != 32 && bits != 24 && bits != 8) || (imageType != 1 && imageType != 2))
        return false;
    if (width == 0 || height == 0)
        return false;

    // A colour map sits between the identification field and the pixels, whether or not the
    // image uses it; an indexed image is expanded through it.
    const unsigned char* map = nullptr;
    const unsigned entryBytes = (mapEntryBits + 7) / 8;
    if (mapType == 1) {
        map = in.here();
        if (!in.skip((size_t)mapLength * entryBytes))
            return false;
    }
    const bool indexed = imageType == 1;
    if (indexed && (!map || bits != 8 || (mapEntryBits != 24 && mapEntryBits != 32)))
        return false;

    const size_t pixelBytes = bits / 8;
    const size_t rowSize = pixelBytes * width;
    if (in.remaining() / rowSize < (size_t)height)
        return false;
    if (!picture.create(width, height))
        return false;

    for (int i = 0; i < height; ++i) {
        const unsigned char* src = in.here() + (size_t)i * rowSize;
        unsigned char* dst = picture.bits + (size_t)(topLeft ? i : height - 1 - i) * picture.pitch;
        for (int x = 0; x < width; ++x, dst += 4) {
            if (indexed) {
                const unsigned index = *src++;
                if (index < mapFirst || index - mapFirst >= mapLength) {
                    picture.release();
                    return false;
                }
                const unsigned char* entry = map + (size_t)(index - mapFirst) * entryBytes;
                dst[0] = entry[0];
                dst[1] = entry[1];
                dst[2] = entry[2];
                dst[3] = entryBytes == 4 ? entry[3] : 255;
            } else if (pixelBytes == 4) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
                dst[3] = src[3];
                src += 4;
            } else if (pixelBytes == 3) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
                dst[3] = 255;
                src += 3;
            } else {
                dst[0] = dst[1] = dst[2] = *src++;
                dst[3] = 255;
            }
        }
    }
    return true;
}

bool loadTga(const std::string& fileName, DibPicture& picture) {
    picture.release();
    FileBytes file;
    if (file.readFile(fileName) != FileBytes::Ok)
        return false;
    return decodeTga(file.data(), file.size(), picture);
}
