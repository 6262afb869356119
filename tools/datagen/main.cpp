// Generates the show's binary data into a run tree: brastel_datagen <stage dir>.
#include "HeightImage.h"
#include "Music.h"
#include "ProductModel.h"
#include "Sky.h"
#include "TerrainMesh.h"

#include <filesystem>
#include <iostream>
#include <string>

namespace {

bool makeFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) {
        std::cerr << "Cannot create " << path << ": " << error.message() << std::endl;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: brastel_datagen <stage dir>" << std::endl;
        return 2;
    }
    const std::string stage = argv[1];

    bool ok = makeFolder(stage + "/Media");
    ok = ok && writeMusic(stage);
    ok = ok && makeFolder(stage + "/models") && writeProductModel(stage + "/models") &&
         writeTerrainMesh(stage + "/models");
    ok = ok && makeFolder(stage + "/images") && writeSky(stage);
    ok = ok && makeFolder(stage + "/Images") && writeHeightImage(stage);
    return ok ? 0 : 1;
}
