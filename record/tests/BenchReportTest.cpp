#include "BenchReport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

// Frames of both scenes, the model's first; the frame times wobble by a few per cent, as a
// machine's do, with the pattern chosen by seed.
BenchRun makeRun(int frames, double scale, unsigned seed) {
    BenchRun run;
    run.version = "0123456789ab";
    run.width = 96;
    run.height = 64;
    run.offscreen = true;
    run.cpuModel = "Test CPU";
    run.cpuCores = 2;
    run.glRenderer = "GPU \"X\"\t\\ \xc3\xa9"; // quotes, a tab, a backslash and UTF-8
    run.glVendor = "Vendor";
    run.glVersion = "4.6.0 NVIDIA 535.54";
    run.gpuTiming = "timer_query";
    run.groups = {"clear", "noise", "model", "present"};
    run.lastFrameChecksum = "fnv1a64:00000000deadbeef";
    for (int f = 0; f < frames; ++f) {
        seed = seed * 1103515245u + 12345u;
        const double wobble = 1.0 + 0.05 * ((seed >> 16) % 1000 / 1000.0 - 0.5);
        BenchFrame frame;
        frame.scene = f < frames / 2 ? 1 : 2;
        frame.frameMs = (frame.scene == 1 ? 10.0 : 40.0) * scale * wobble;
        frame.cpuMs = 2.0 * wobble;
        const double nan = std::nan("");
        frame.gpuMs = frame.scene == 1 ? std::vector<double>{0.5, nan, 6.0 * scale, 1.0}
                                       : std::vector<double>{0.5, 20.0 * scale, nan, 1.0};
        run.frames.push_back(frame);
    }
    return run;
}

// The comparison's row for a figure: its flag ("higher", "lower" or "").
std::string flagOf(const std::string& table, const std::string& figure) {
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(figure + " ", 0) == 0) {
            const std::size_t end = line.find_last_not_of(' ');
            const std::size_t start = line.find_last_of(' ', end);
            const std::string last = line.substr(start + 1, end - start);
            return last == "higher" || last == "lower" ? last : "";
        }
    return "missing";
}

} // namespace

TEST(BenchReport, FrameStatisticsTakeNearestRanksAndTheSlowestHundredth) {
    std::vector<double> ms(197, 10.0);
    ms.insert(ms.begin() + 50, {100.0, 100.0, 100.0}); // three hitches among 200 frames
    const FrameStats s = ComputeStats(ms);
    EXPECT_EQ(s.frames, 200u);
    EXPECT_DOUBLE_EQ(s.meanMs, 2270.0 / 200.0);
    EXPECT_DOUBLE_EQ(s.medianMs, 10.0);
    EXPECT_DOUBLE_EQ(s.p95Ms, 10.0);       // rank 190 of 200
    EXPECT_DOUBLE_EQ(s.p99Ms, 100.0);      // rank 198: the hitches
    EXPECT_DOUBLE_EQ(s.lowFps, 10.0);      // the slowest 2 frames
    EXPECT_NEAR(s.meanFps, 88.1057, 1e-4); // 200 frames in 2.27 s
    EXPECT_EQ(ComputeStats({}).frames, 0u);
    EXPECT_EQ(ComputeStats({}).meanFps, 0.0);
    EXPECT_EQ(DriverVersion("4.5 (Core Profile) Mesa 22.3.6"), "Mesa 22.3.6");
    EXPECT_EQ(DriverVersion("4.6.0 NVIDIA 535.54"), "NVIDIA 535.54");
}

TEST(BenchReport, ReadsBackWhatItWroteAndRefusesWhatIsNotAReport) {
    const BenchRun run = makeRun(6, 1.0, 1);
    const std::string json = ReportJson(run);
    BenchRun back;
    std::string error;
    ASSERT_TRUE(ReadReport(json, back, error)) << error;
    EXPECT_EQ(back.glRenderer, run.glRenderer);
    EXPECT_EQ(back.version, run.version);
    EXPECT_EQ(back.lastFrameChecksum, run.lastFrameChecksum);
    EXPECT_EQ(back.groups, run.groups);
    ASSERT_EQ(back.frames.size(), 6u);
    EXPECT_EQ(back.frames[5].scene, 2);
    EXPECT_NEAR(back.frames[5].frameMs, run.frames[5].frameMs, 1e-3);
    EXPECT_TRUE(std::isnan(back.frames[5].gpuMs[2])); // a group the frame did not run
    EXPECT_EQ(back.frames[5].gpuMs[1], 20.0);

    const std::string deep = std::string(100, '[') + std::string(100, ']');
    std::string wrongGroups = json;
    wrongGroups.replace(wrongGroups.find("[0.500"), 1, "[1, ");
    for (const std::string& text :
         {json.substr(0, json.size() / 2), std::string("{\"layout\": \"other\"}"), deep,
          std::string("\x01\xff{"), std::string("[1e999]"), wrongGroups, json + "x",
          std::string("{\"a\": \"unterminated")}) {
        EXPECT_FALSE(ReadReport(text, back, error)) << text.substr(0, 80);
        EXPECT_FALSE(error.empty());
    }
}

TEST(BenchReport, ComparisonFlagsOnlyChangesBeyondTheRunToRunSpread) {
    const BenchRun a = makeRun(400, 1.0, 1);
    const std::string same = CompareRuns(a, makeRun(400, 1.0, 2)); // only the wobble differs
    EXPECT_EQ(flagOf(same, "scene 1 mean ms"), "");
    EXPECT_EQ(flagOf(same, "scene 2 median ms"), "");
    EXPECT_EQ(flagOf(same, "GPU noise mean ms"), "");

    const std::string slower = CompareRuns(a, makeRun(400, 1.5, 2));
    EXPECT_EQ(flagOf(slower, "scene 1 mean ms"), "higher");
    EXPECT_EQ(flagOf(slower, "scene all mean fps"), "lower");
    EXPECT_EQ(flagOf(slower, "GPU noise mean ms"), "higher");
    EXPECT_EQ(flagOf(slower, "GPU clear mean ms"), ""); // unchanged
    EXPECT_EQ(flagOf(slower, "scene 2 CPU mean ms"), "");
}
