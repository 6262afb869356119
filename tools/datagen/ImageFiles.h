#pragma once

#include <string>
#include <vector>

// An 8-bit RGB picture, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // width x height x 3

    RgbImage(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}
    unsigned char* at(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    // Stores a colour given in [0, 1] per channel.
    void set(int x, int y, double r, double g, double b);
};

// Uncompressed 24-bit TGA, stored bottom row first as the format's default origin says.
bool writeTga(const std::string& path, const RgbImage& image);
bool writePng(const std::string& path, const RgbImage& image);
