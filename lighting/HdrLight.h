#pragma once

#include "RunTree.h"
#include "SphericalHarmonics.h"

#include <string>

// The sky's light: an HDR probe (an angular map in the SH frame) projected once at start-up onto
// 16 coefficients per colour. The environment-light pass turns them into irradiance.

// The probe is looked up at half its radiance, so envRed/envGreen/envBlue hold half the sky's
// coefficients; divide by this to get the sky's own.
constexpr float hdrProbeLookupScale = 0.5f;

extern float* hdrProbePixels; // width x height RGB floats, top row first; kept for the process
extern int hdrProbeWidth;
extern int hdrProbeHeight;

extern float envRed[SH_COEFFICIENTS];
extern float envGreen[SH_COEFFICIENTS];
extern float envBlue[SH_COEFFICIENTS];

// Reads the probe into hdrProbePixels with its console lines. Ends the program with exit code 1
// when the file cannot be opened or read, its header is refused, it is too short for the size its
// header gives, or its pixels do not fit in memory. Damaged pixel data is reported; what could not
// be read stays black.
void LoadHdrProbe(const std::string& fileName, int& width, int& height);

// scale times the probe's colour toward the unit direction (x, y, z) of its frame, from the
// angular map; always a pixel inside the image (the centre toward +z, the rim toward -z).
void probeLookup(const float* pixels, int width, int height, float scale, double x, double y,
                 double z, float rgb[3]);

// The probe projected over a sample set as the start-up does it: 48 floats, index 3j + c for
// coefficient j and channel c (red, green, blue).
void projectProbe(const ShSample* samples, int count, const float* pixels, int width, int height,
                  float out[3 * SH_COEFFICIENTS]);

// Start-up: samples, loads the probe, projects it and prints the red coefficients. False when
// the sample set cannot be allocated.
bool CalcHdrLight(const std::string& probeFile = runtree::skyProbePath);
