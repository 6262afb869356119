#pragma once

#include <string>
#include <vector>

// Pictures a test draws, kept to look at: PNG files in the folder BRASTEL_SHOT_DIR names.

// Whether pictures are wanted (BRASTEL_SHOT_DIR is set).
bool picturesWanted();

// Saves pixels read back from GL (rows bottom first; 1 grey, 3 RGB or 4 RGBA bytes a pixel) as
// <BRASTEL_SHOT_DIR>/<name>.png when pictures are wanted.
void keepPicture(const std::string& name, int width, int height, int channels,
                 const std::vector<unsigned char>& pixels);
