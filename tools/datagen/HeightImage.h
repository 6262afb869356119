#pragma once

#include <string>
#include <vector>

// The base height image: the terrain's noise at time 0 as a 256 x 256 grey 24-bit BMP, stored
// bottom row first, so file row i is height-texel row i.
std::vector<unsigned char> encodeHeightImage();

// Writes "<stage>/Images/h4.bmp"; the folder must exist.
bool writeHeightImage(const std::string& stageDir);
