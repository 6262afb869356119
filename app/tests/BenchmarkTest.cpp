#include "BenchReport.h"
#include "DemoRun.h"
#include "JsonReader.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace e2e;

namespace {

struct Outcome {
    int exitCode;
    std::string out, err;
};

Outcome run(const RunTree& tree, const std::vector<std::string>& args, const Settings& env = {}) {
    DemoProcess program(tree, env, args);
    const int exitCode = program.waitForExit(180s);
    return {exitCode, program.stdoutText(), program.stderrText()};
}

// Tags nest and close, attribute values are quoted, nothing follows the root: what a browser
// needs to read the file as XML at all.
bool wellFormed(const std::string& xml) {
    std::vector<std::string> open;
    bool rootClosed = false;
    for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at)) {
        const std::size_t end = xml.find('>', at);
        if (end == std::string::npos || rootClosed)
            return false;
        std::string tag = xml.substr(at + 1, end - at - 1);
        at = end + 1;
        if (tag.front() == '?')
            continue;
        if (std::count(tag.begin(), tag.end(), '"') % 2 != 0)
            return false;
        const bool closing = tag.front() == '/', selfClosing = tag.back() == '/';
        const std::string name = tag.substr(closing, tag.find_first_of(" /", closing) - closing);
        if (closing) {
            if (open.empty() || open.back() != name)
                return false;
            open.pop_back();
            rootClosed = open.empty();
        } else if (!selfClosing) {
            open.push_back(name);
        }
    }
    return rootClosed;
}

// The points of the plot's frame-time lines.
std::size_t framePoints(const std::string& svg) {
    std::size_t points = 0;
    for (std::size_t at = svg.find("data-series=\"frame time"); at != std::string::npos;
         at = svg.find("data-series=\"frame time", at + 1)) {
        const std::size_t from = svg.find("points=\"", at) + 8;
        const std::string list = svg.substr(from, svg.find('"', from) - from);
        points += std::count(list.begin(), list.end(), ',');
    }
    return points;
}

} // namespace

TEST(Benchmark, TwoRunsDrawTheSameFramesAndReportEveryOne) {
    RunTree tree(Settings{{"demo.scene1.duration", "0.05"}}); // frames 0-3 the model, 4-7 terrain
    const std::string reports[2] = {(tree.root / "a.json").string(),
                                    (tree.root / "b.json").string()};
    const std::string plot = (tree.root / "a.svg").string();
    BenchRun runs[2];
    for (int i = 0; i < 2; ++i) {
        std::vector<std::string> args = {"--benchmark", "--offscreen", "--size",   "96x64",
                                         "--frames",    "8",           "--report", reports[i]};
        if (i == 0)
            args.insert(args.end(), {"--plot", plot});
        const Outcome outcome = run(tree, args);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;
        for (const char* shown : {"Renderer ", "96x64 off screen, 8 frames", "1 model ",
                                  "2 terrain ", "all ", "1% low fps", "  key_light "})
            EXPECT_NE(outcome.out.find(shown), std::string::npos) << shown << "\n" << outcome.out;
        std::string error;
        ASSERT_TRUE(ReadReport(readText(reports[i]), runs[i], error)) << error;
    }

    JsonValue report;
    std::string error;
    ASSERT_TRUE(ParseJson(readText(reports[0]), report, error)) << error;
    const std::vector<std::pair<const char*, std::vector<const char*>>> layout = {
        {"",
         {"layout", "program", "settings", "machine", "gpu_timing", "interrupted",
          "last_frame_checksum", "summary", "groups", "frames"}},
        {"program", {"name", "version"}},
        {"settings",
         {"width", "height", "target", "scene", "frames_per_second", "lighting_seed", "vsync",
          "sound"}},
        {"machine",
         {"cpu_model", "cpu_cores", "gl_renderer", "gl_vendor", "gl_version", "driver_version"}},
        {"summary", {"scenes", "gpu_mean_ms"}}};
    for (const auto& [object, members] : layout)
        for (const char* member : members) {
            const JsonValue* parent = *object ? report.find(object) : &report;
            EXPECT_TRUE(parent && parent->find(member)) << object << "." << member;
        }
    const JsonValue* scenes = report.find("summary")->find("scenes");
    ASSERT_TRUE(scenes && scenes->items.size() == 3); // 1, 2 and all
    for (const char* figure : {"scene", "frames", "mean_ms", "median_ms", "p95_ms", "p99_ms",
                               "mean_fps", "low_1pct_fps", "cpu_mean_ms"})
        EXPECT_TRUE(scenes->items[2].find(figure)) << figure;

    const BenchRun& a = runs[0];
    ASSERT_EQ(a.frames.size(), 8u);
    double frameSum = 0.0, gpuSum = 0.0;
    for (std::size_t f = 0; f < a.frames.size(); ++f) {
        const BenchFrame& frame = a.frames[f];
        EXPECT_EQ(frame.scene, f < 4 ? 1 : 2) << f;
        EXPECT_GT(frame.frameMs, 0.0) << f;
        EXPECT_GT(frame.cpuMs, 0.0) << f;
        for (std::size_t g = 0; g < a.groups.size(); ++g) {
            // Each frame times its own scene's steps and no others.
            const bool own = a.groups[g] == (frame.scene == 1 ? "model" : "noise");
            const bool other = a.groups[g] == (frame.scene == 1 ? "noise" : "model");
            if (own || other) {
                EXPECT_EQ(std::isfinite(frame.gpuMs[g]), own) << f << " " << a.groups[g];
            }
            if (std::isfinite(frame.gpuMs[g])) {
                EXPECT_GE(frame.gpuMs[g], 0.0);
                gpuSum += frame.gpuMs[g];
            }
        }
        frameSum += frame.frameMs;
    }
    // A frame's GPU work may run on into the next frame's time, so the run's totals are
    // compared; the allowance is for the queries' own cost.
    EXPECT_LE(gpuSum, frameSum * 1.05 + 5.0);
    EXPECT_FALSE(a.lastFrameChecksum.empty());
    EXPECT_EQ(a.lastFrameChecksum, runs[1].lastFrameChecksum) << "two runs drew different frames";

    const std::string svg = readText(plot);
    EXPECT_TRUE(wellFormed(svg)) << svg.substr(0, 400);
    EXPECT_EQ(framePoints(svg), 8u);
    for (const char* label : {"time in the show (s)", "time per frame (ms)", "GPU key_light"})
        EXPECT_NE(svg.find(label), std::string::npos) << label;

    const Outcome compared = run(tree, {"--compare", reports[0], reports[1]});
    EXPECT_EQ(compared.exitCode, 0) << compared.err;
    for (const char* row : {"scene 1 mean ms", "scene 2 1% low fps", "scene all p99 ms",
                            "GPU key_light mean ms", "GPU model mean ms"})
        EXPECT_NE(compared.out.find(row), std::string::npos) << row << "\n" << compared.out;
}

TEST(Benchmark, RefusesWhatItCannotDoWithAClearMessageAndExitCode) {
    RunTree tree;
    const std::string conf = tree.conf().string();
    const struct {
        std::vector<std::string> args;
        Settings env;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"--benchmark", "--scene", "3"},
         {},
         2,
         "--scene must be 1, 2 or all: '3'\nusage: brastel"},
        {{"--benchmark", "--frames", "2"},
         {{"DISPLAY", ":99999"}},
         1,
         "the benchmark needs an OpenGL 3.2 context"},
        {{"--benchmark", "--report", (tree.root / "missing" / "r.json").string()},
         {},
         1,
         "Cannot write the report to"},
        {{"--compare", (tree.root / "none.json").string(), conf}, {}, 1, "cannot read the report"},
        {{"--compare", conf, conf}, {}, 1, "is not a benchmark report"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = run(tree, c.args, c.env);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.args[0] << " " << c.args[1];
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    }
}
