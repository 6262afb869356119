#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A benchmark run's figures, their summary, the JSON report, the SVG plot and the comparison of
// two reports. No GL: the runner fills a BenchRun in, everything here reads it.

struct BenchFrame {
    int scene = 0;             // 1 the model, 2 the terrain
    double frameMs = 0.0;      // wall time from the end of the frame before to this one's end
    double cpuMs = 0.0;        // CPU time of the drawing thread in it
    std::vector<double> gpuMs; // per group (BenchRun::groups); NaN where the group did not run
};

struct BenchRun {
    std::string version; // the program's commit, "unknown" without one
    // Settings.
    int width = 0, height = 0;
    bool offscreen = false;
    std::string scene = "all"; // "1", "2" or "all"
    int framesPerSecond = 60;  // of the show's frame clock
    std::uint32_t seed = 0;    // the lighting tables'
    // Machine.
    std::string cpuModel;
    int cpuCores = 0;
    std::string glRenderer, glVendor, glVersion;
    // Results.
    std::string gpuTiming; // "timer_query" or "finish_fences"
    std::vector<std::string> groups;
    std::vector<BenchFrame> frames;
    std::string lastFrameChecksum; // empty when the run ended before its last frame
    bool interrupted = false;
};

struct FrameStats {
    std::size_t frames = 0;
    double meanMs = 0.0, medianMs = 0.0, p95Ms = 0.0, p99Ms = 0.0;
    double meanFps = 0.0; // frames over their summed time
    double lowFps = 0.0;  // "1 % low": 1000 over the mean of the slowest 1 % of frame times
};

// Percentiles by nearest rank; all zero for no frames.
FrameStats ComputeStats(std::vector<double> frameMs);

// The scenes the run has frames of ("1", "2"), then "all" unless there is only one.
std::vector<std::string> ScenesOf(const BenchRun& run);
// A scene's frame times ("1", "2", or "all" for every frame).
std::vector<double> SceneFrameMs(const BenchRun& run, const std::string& scene);
// The mean of a group's times over the frames that ran it; NaN when none did.
double GroupMeanMs(const BenchRun& run, std::size_t group);

// The driver's part of a GL version string: "4.5 (Core Profile) Mesa 22.3.6" -> "Mesa 22.3.6".
std::string DriverVersion(const std::string& glVersion);
// FNV-1a, 64 bits, as "fnv1a64:" and 16 hex digits.
std::string Checksum(const unsigned char* bytes, std::size_t size);

// The console summary: the run, per scene the frame times, and the groups' GPU means.
std::string SummaryText(const BenchRun& run);

// The report (layout in README.md) and its reader; false with a message on a text that is not
// such a report.
std::string ReportJson(const BenchRun& run);
bool ReadReport(std::string_view text, BenchRun& run, std::string& error);

// Frame times over the show, a line per scene and per group of passes.
std::string PlotSvg(const BenchRun& run);

// A table of the ratios b / a of every figure both runs have, each flagged where it lies beyond
// the run-to-run spread.
std::string CompareRuns(const BenchRun& a, const BenchRun& b);
