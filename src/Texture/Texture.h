#pragma once

// Pixel layouts of an image record. The values are GL's own enums, so a record's format and type
// go to glTexImage2D unchanged; the readers themselves need no GL.
enum PixelFormat : unsigned { PIXEL_RGB = 0x1907, PIXEL_RGBA = 0x1908 };
enum PixelType : unsigned { PIXEL_UNSIGNED_BYTE = 0x1401, PIXEL_FLOAT = 0x1406 };

// CPU-side image: tightly packed rows, pixel block from malloc. Readers fill it; the
// TextureManager owns the records it caches.
struct Texture {
    unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    unsigned type = 0;   // PixelType
    unsigned format = 0; // PixelFormat

    // Bytes per pixel; ends the program on a format or type no reader makes.
    int getNumberPixelComponents() const;
    void flipHorizontally();
    void flipVertically();
};
