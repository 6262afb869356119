#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The show's music: about 76 s of 16-bit stereo at 44.1 kHz, interleaved left/right.
std::vector<std::int16_t> composeMusic();

// Writes "<stage>/Media/Tidewell - Harbour - 08 - Rain.wav"; the folder must exist.
bool writeMusic(const std::string& stageDir);
