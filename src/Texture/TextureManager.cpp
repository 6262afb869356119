#include "TextureManager.h"

#include "ImageLoaders.h"
#include "RgbeReader.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

TextureManager& TextureManager::getInstance() {
    static TextureManager instance;
    return instance;
}

TextureManager::TextureManager(std::string basePath) : basePath(std::move(basePath)) {}

TextureManager::~TextureManager() {
    for (auto& entry : textures) {
        std::free(entry.second->data);
        delete entry.second;
    }
    textures.clear();
    basePath.clear();
}

Texture* TextureManager::getTexture(const std::string& fileName) {
    auto found = textures.find(fileName);
    if (found != textures.end())
        return found->second;

    const size_t dot = fileName.find('.');
    if (dot == std::string::npos) {
        std::cerr << "TextureManager::getTexture : Bad filename : " << fileName << std::endl;
        std::exit(1);
    }
    const std::string extension = fileName.substr(dot + 1);
    Texture* texture = new Texture();
    if (extension == "bmp") {
        loadBmp(basePath + fileName, *texture);
    } else if (extension == "hdr") {
        loadHdr(basePath + fileName, *texture);
    } else {
        std::cerr << "TextureManager::getTexture : Filetype is not supported : " << fileName
                  << std::endl;
        std::exit(1);
    }
    textures[fileName] = texture;
    return texture;
}

void TextureManager::getCubeMapFaces(const std::string& crossName) {
    if (textures.count(crossName))
        return;
    const Texture* cross = getTexture(crossName);
    // The faces are copied 12 bytes a pixel; any other record (a BMP, or an HDR file the reader
    // refused) would be read past its end.
    if (!cross->data || cross->type != PIXEL_FLOAT || cross->format != PIXEL_RGB) {
        std::cerr << "TextureManager::getCubeMapFaces : Not a float RGB image : " << crossName
                  << std::endl;
        return;
    }
    const int w = cross->width / 3;
    const int h = cross->height / 4;
    if (w != h)
        std::cerr << "TextureManager::getCubeMapFaces : Not a valid cubemap !" << std::endl;

    const size_t pixelSize = 3 * sizeof(float);
    const size_t faceRow = (size_t)w * pixelSize;
    Texture* faces[6];
    for (int i = 0; i < 6; ++i) {
        Texture* face = new Texture();
        // One byte at least, so an empty face still has a block of its own.
        face->data = static_cast<unsigned char*>(std::malloc(faceRow * h + 1));
        if (!face->data) {
            std::cerr << "TextureManager::getCubeMapFaces : Not enough memory for " << crossName
                      << std::endl;
            std::exit(1);
        }
        face->width = w;
        face->height = h;
        face->type = PIXEL_FLOAT;
        face->format = PIXEL_RGB;
        textures[getFaceId(i) + crossName] = face;
        faces[i] = face;
    }

    // Face index by row band (0..3) and column block (0..2) of the vertical cross; -1 is empty.
    static const int layout[4][3] = {{-1, 2, -1}, {1, 4, 0}, {-1, 3, -1}, {-1, 5, -1}};
    const size_t crossRow = (size_t)cross->width * pixelSize;
    for (int r = 0; r < 4 * h; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int face = layout[r / h][c];
            if (face < 0)
                continue;
            std::memcpy(faces[face]->data + (size_t)(r % h) * faceRow,
                        cross->data + (size_t)r * crossRow + (size_t)c * faceRow, faceRow);
        }
    }
    faces[5]->flipVertically();
    faces[5]->flipHorizontally();
}

Texture* TextureManager::getCubeMapFace(const std::string& crossName, int face) {
    // A bad index has an empty prefix, which would find the cross itself.
    if (face < 0 || face > 5) {
        getFaceId(face);
        return nullptr;
    }
    auto found = textures.find(getFaceId(face) + crossName);
    return found == textures.end() ? nullptr : found->second;
}

std::string TextureManager::getFaceId(int face) const {
    static const char* const ids[6] = {"X_POS_", "X_NEG_", "Y_POS_", "Y_NEG_", "Z_POS_", "Z_NEG_"};
    if (face < 0 || face > 5) {
        std::cerr << "TextureManager::getFaceId : Bad cube map face id!" << std::endl;
        return "";
    }
    return ids[face];
}
