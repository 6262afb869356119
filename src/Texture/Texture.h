#pragma once

#include <GL/glew.h>

// CPU-side image: tightly packed rows, pixel block from malloc. Readers fill it; the
// TextureManager owns the records it caches.
struct Texture {
    unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    GLenum type = 0;
    GLenum format = 0;

    // Bytes per pixel; ends the program on a format or type no reader makes.
    int getNumberPixelComponents() const;
    void flipHorizontally();
    void flipVertically();
};
