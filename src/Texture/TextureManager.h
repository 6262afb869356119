#pragma once

#include "RunTree.h"
#include "Texture.h"

#include <map>
#include <string>

// The one cache of CPU images, keyed by file name (or face key), loaded on first request and
// kept until the program ends. Also cuts vertical-cross images into six cube-map faces.
class TextureManager {
  public:
    static TextureManager& getInstance();

    // Files are opened as basePath followed by the name; the program uses "../images/".
    explicit TextureManager(std::string basePath = runtree::skyFolder);
    ~TextureManager();
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    // Cached or freshly loaded record, never null. Ends the program with exit code 1 on a name
    // without a dot or an extension other than "bmp" and "hdr".
    Texture* getTexture(const std::string& fileName);
    // Makes the six face records of a float RGB cross image unless the cross is cached already.
    void getCubeMapFaces(const std::string& crossName);
    // The face record, or null when it was never made or the index is not 0 to 5.
    Texture* getCubeMapFace(const std::string& crossName, int face);
    // "X_POS_", "X_NEG_", "Y_POS_", "Y_NEG_", "Z_POS_", "Z_NEG_" for 0 to 5; "" otherwise.
    std::string getFaceId(int face) const;

  private:
    std::map<std::string, Texture*> textures;
    std::string basePath;
};
