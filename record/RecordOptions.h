#pragma once

#include <string>

// What `brastel --record FILE [--fps N] [--size WxH] [--lossless]` asks for.
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

// What `brastel --benchmark ...` asks for: the show on the recording's frame clock, drawn as fast
// as the machine can, timed.
struct BenchmarkOptions {
    bool run = false;
    int width = 1280;
    int height = 720;
    int scene = 0;      // 1 the model, 2 the terrain, 0 the whole show
    int frames = 0;     // 0: as many as the scene (or show) lasts; else --frames, or --seconds x 60
    std::string report; // --report FILE.json, empty for none
    std::string plot;   // --plot FILE.svg, empty for none
    bool offscreen = false;
};

// A run an hour of the show long at 60 frames a second is the most a benchmark makes sense for.
constexpr int maxBenchmarkSeconds = 3600;
constexpr int benchmarkFramesPerSecond = 60;

struct CommandLine {
    RecordOptions record;
    BenchmarkOptions benchmark;
    std::string compareA, compareB; // `--compare A.json B.json`; empty when not asked
    bool help = false;
    std::string error; // why the command line was refused; empty when it was not
};

constexpr const char* commandLineUsage =
    "usage: brastel [--record FILE.mp4|FILE.mkv [--fps N] [--size WxH] [--lossless]] [--help]\n"
    "       brastel --benchmark [--size WxH] [--scene 1|2|all] [--frames N | --seconds S]\n"
    "               [--report FILE.json] [--plot FILE.svg] [--offscreen]\n"
    "       brastel --compare A.json B.json";

// Reads the program's arguments (argv[0] is the program). No arguments: the live show. On a
// refusal nothing of what was read is kept.
CommandLine ParseCommandLine(int argc, const char* const argv[]);
