#pragma once

#include <string>
#include <vector>

// The show's sky: one analytic clear sky (the sun high, where the key light is brightest) over
// hazy land, rendered into both Radiance files the program reads, so the sky on screen and the
// terrain's ambient light come from the same function.

struct SkyColor {
    double r, g, b;
};

// Linear radiance toward the world direction (x, y, z), y up; the direction need not be unit.
SkyColor skyRadiance(double x, double y, double z);

// Unit world direction toward the centre of the sun.
void sunDirection(double& x, double& y, double& z);

// Vertical cross of 3 x 4 faces of faceSize texels, float RGB, top row first, laid out so that
// the texture manager's cut and turn give faces in GL's cube-map orientation.
std::vector<float> renderSkyCross(int faceSize);

// Angular map of size x size, float RGB, top row first; its centre looks at the zenith, its
// frame is the SH frame (x = world x, y = world -z, z = world y).
std::vector<float> renderSkyProbe(int size);

// A run-length encoded Radiance file of float RGB pixels, top row first.
bool writeRadiance(const std::string& path, int width, int height, const std::vector<float>& rgb);

// Writes "<stage>/images/uffizi_cross.hdr" (768 x 1024) and
// "<stage>/images/uffizi_probe_512x512.hdr"; the folder must exist.
bool writeSky(const std::string& stageDir);
