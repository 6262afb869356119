#pragma once

#include <string>

// What `brastel --record FILE [--fps N] [--size WxH]` asks for.
struct RecordOptions {
    std::string file; // empty: play the show live
    int framesPerSecond = 60;
    int width = 1280;
    int height = 720;
    bool lossless = false; // FFV1 video instead of H.264: every frame exactly as drawn
};

// Limits a recording is held to: H.264 with 4:2:0 chroma wants even sizes, and nothing larger
// than 8K UHD or faster than 240 frames a second makes sense for a show played back by people.
constexpr int minRecordFps = 1;
constexpr int maxRecordFps = 240;
constexpr int minRecordSize = 16;
constexpr int maxRecordWidth = 7680;
constexpr int maxRecordHeight = 4320;

struct CommandLine {
    RecordOptions record;
    bool help = false;
    std::string error; // why the command line was refused; empty when it was not
};

constexpr const char* commandLineUsage =
    "usage: brastel [--record FILE.mp4|FILE.mkv [--fps N] [--size WxH] [--lossless]] [--help]";

// Reads the program's arguments (argv[0] is the program). No arguments: the live show.
CommandLine ParseCommandLine(int argc, const char* const argv[]);
