#pragma once

#include "Matrix4.h"

#include <GL/glew.h>

#include <string>
#include <vector>

// The sky: a float cube map cut from an HDR vertical cross, drawn on the inside of the sky cube.
class CubeMapTexture {
  public:
    // Makes identifier from the six faces the TextureManager cuts from the cross, once per
    // process. False, with a message and identifier left as it was, when it already exists or
    // the cross could not be cut into faces. A GL error of the upload is reported, not fatal.
    bool load(const std::string& crossName);

    GLuint identifier = 0; // the cube-map texture; 0 while there is none
};

extern CubeMapTexture skyCubeMap;
extern std::vector<std::string> cubeMapFiles; // the cross images; "uffizi_cross.hdr"
extern int currentCubeMap;

// Start-up, after the sky cube geometry: cuts every cross into faces and loads the first.
void InitCubeMap();

// Per frame, into displayFramebuffer: clears it and draws the sky behind everything, at the
// camera's orientation. Draws nothing while there is no cube map. The first draw of a cube map
// bakes its display colours into the 2D map the sky's program reads (shader/SkyDisplayMap); the
// sky is black where that program cannot be built. The lowest `rowsHidden` rows, which the
// caller knows the ground will cover, are only cleared.
void RenderSkyBox(const Matrix4& viewMatrix, const Matrix4& projectionMatrix, int windowWidth,
                  int windowHeight, int rowsHidden = 0);

// Shutdown: deletes the cube-map texture and its display map, where there are any.
void DeleteCubeMap();
