// Generates the show's binary data into a run tree: brastel_datagen <stage dir>.
#include "HeightImage.h"
#include "Music.h"
#include "ProductModel.h"
#include "RunTree.h"
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

// The folder, under the stage, of a file the program opens.
std::string folderOf(const std::string& stage, const char* path) {
    return (std::filesystem::path(stage) / runtree::fromRoot(path)).parent_path().string();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: brastel_datagen <stage dir>" << std::endl;
        return 2;
    }
    const std::string stage = argv[1];

    const std::string models = folderOf(stage, runtree::productModelPath);
    const std::string terrain = folderOf(stage, runtree::terrainModelPath);
    bool ok = makeFolder(folderOf(stage, runtree::musicPath)) && writeMusic(stage);
    ok = ok && makeFolder(models) && writeProductModel(models) && makeFolder(terrain) &&
         writeTerrainMesh(terrain);
    ok = ok && makeFolder(folderOf(stage, runtree::skyCrossPath)) &&
         makeFolder(folderOf(stage, runtree::skyProbePath)) && writeSky(stage);
    ok = ok && makeFolder(folderOf(stage, runtree::heightImagePath)) && writeHeightImage(stage);
    return ok ? 0 : 1;
}
