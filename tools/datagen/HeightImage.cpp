#include "HeightImage.h"

#include "DataFile.h"

#include "HeightNoise.h"
#include "RunTree.h"
#include "SceneConventions.h"

#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

void putLittleEndian(std::vector<unsigned char>& out, unsigned value, int bytes) {
    for (int b = 0; b < bytes; ++b)
        out.push_back(static_cast<unsigned char>(value >> (8 * b)));
}

} // namespace

std::vector<unsigned char> encodeHeightImage() {
    const unsigned side = scene::heightTexels;
    const unsigned rowBytes = side * 3; // a multiple of 4: no row padding
    const unsigned headerBytes = 54;
    std::vector<unsigned char> file;
    file.reserve(headerBytes + rowBytes * side);
    file.push_back('B');
    file.push_back('M');
    putLittleEndian(file, headerBytes + rowBytes * side, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, headerBytes, 4);
    putLittleEndian(file, 40, 4); // info header: size, width, height, planes, bits, compression
    putLittleEndian(file, side, 4);
    putLittleEndian(file, side, 4);
    putLittleEndian(file, 1, 2);
    putLittleEndian(file, 24, 2);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, rowBytes * side, 4);
    putLittleEndian(file, 2835, 4); // 72 dpi
    putLittleEndian(file, 2835, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 0, 4);
    for (unsigned i = 0; i < side; ++i)
        for (unsigned j = 0; j < side; ++j) {
            const float h = terrainHeight((j + 0.5f) / side, (i + 0.5f) / side, 0.0f);
            const auto grey = static_cast<unsigned char>(std::lround(h * 255.0f));
            file.insert(file.end(), 3, grey);
        }
    return file;
}

bool writeHeightImage(const std::string& stageDir) {
    const std::string path = stageDir + "/" + runtree::fromRoot(runtree::heightImagePath);
    const std::vector<unsigned char> file = encodeHeightImage();
    return writeDataFile(path,
                         std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
}
