#pragma once

#include "RecordOptions.h"

#include <cstdint>
#include <optional>
#include <string>

// `brastel --record FILE`: the show played off screen on a frame clock, frame by frame into
// ffmpeg with the music as its sound track; and what the benchmark mode shares with it.

// Reads the command line into line: the exit code to end with (after the usage or a message), or
// nothing to go on.
std::optional<int> ReadCommandLine(int argc, const char* const argv[], CommandLine& line);

// The lighting tables' seed on the frame clock; the live show seeds from the calendar.
constexpr std::uint32_t frameClockSeed = 20240611u;

// Before the window: the show on the frame clock (frame n at exactly n x 1000 / framesPerSecond
// ms, however long it took to draw), in a window of the given size, not full screen, without
// live sound, with the fixed seed: every run draws the same frames.
void UseFrameClock(int width, int height, int framesPerSecond);
// Whether the file can be written (made, or added to: what is there stays as it is); false
// after a message that names what the file was for.
bool CanWrite(const std::string& file, const char* what);
// The number of frames at the given rate that cover the music, whose length is the show's; 0
// when it cannot be read.
std::uint64_t FramesForMusic(int framesPerSecond);

// Before the window: checks what the recording needs (ffmpeg, a writable file, the music, whose
// length is the show's) and sets the show up for it. False after a message.
bool PrepareRecording(const RecordOptions& record);

// After StartDemo, in place of the live frame loop: records every frame of the show, or those
// before a quit message; the exit code.
int RecordShow();
