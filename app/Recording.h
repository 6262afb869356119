#pragma once

#include "RecordOptions.h"

// `brastel --record FILE`: the show played off screen on a frame clock, frame by frame into
// ffmpeg with the music as its sound track.

// Reads the command line into record: -1 to go on, otherwise the exit code to end with (after the
// usage or a message).
int ReadCommandLine(int argc, const char* const argv[], RecordOptions& record);

// Before the window: checks what the recording needs (ffmpeg, a writable file, the music, whose
// length is the show's) and sets the show up for it: the window size, no full screen, no live
// sound, the frame clock, a fixed seed for the lighting tables. False after a message.
bool PrepareRecording(const RecordOptions& record);

// After StartDemo, in place of the live frame loop: records every frame of the show, or those
// before a quit message; the exit code.
int RecordShow();
