#include "BenchReport.h"

#include "JsonReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

namespace {

constexpr double notRun = std::numeric_limits<double>::quiet_NaN();

const char* sceneName(const std::string& scene) {
    return scene == "1" ? "1 model" : scene == "2" ? "2 terrain" : "all";
}

// JSON output.

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Milliseconds to the microsecond; NaN as null.
std::string number(double value) {
    if (!std::isfinite(value))
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// JSON input: each getter fails (returns false) on a missing member or one of another type.

bool getNumber(const JsonValue& object, const char* name, double& out) {
    const JsonValue* value = object.find(name);
    if (!value || value->type != JsonValue::Type::number)
        return false;
    out = value->number;
    return true;
}

bool getInt(const JsonValue& object, const char* name, int& out) {
    double value = 0.0;
    if (!getNumber(object, name, value) || value < 0.0 || value > 1e9 || value != std::floor(value))
        return false;
    out = static_cast<int>(value);
    return true;
}

bool getString(const JsonValue& object, const char* name, std::string& out) {
    const JsonValue* value = object.find(name);
    if (!value || value->type != JsonValue::Type::string)
        return false;
    out = value->string;
    return true;
}

bool getBool(const JsonValue& object, const char* name, bool& out) {
    const JsonValue* value = object.find(name);
    if (!value || value->type != JsonValue::Type::boolean)
        return false;
    out = value->boolean;
    return true;
}

const JsonValue* getObject(const JsonValue& object, const char* name) {
    const JsonValue* value = object.find(name);
    return value && value->type == JsonValue::Type::object ? value : nullptr;
}

const JsonValue* getArray(const JsonValue& object, const char* name) {
    const JsonValue* value = object.find(name);
    return value && value->type == JsonValue::Type::array ? value : nullptr;
}

bool readFrame(const JsonValue& value, std::size_t groups, BenchFrame& frame) {
    if (value.type != JsonValue::Type::object || !getInt(value, "scene", frame.scene) ||
        (frame.scene != 1 && frame.scene != 2) || !getNumber(value, "frame_ms", frame.frameMs) ||
        !getNumber(value, "cpu_ms", frame.cpuMs))
        return false;
    const JsonValue* gpu = getArray(value, "gpu_ms");
    if (!gpu || gpu->items.size() != groups)
        return false;
    frame.gpuMs.clear();
    for (const JsonValue& ms : gpu->items) {
        if (ms.type != JsonValue::Type::number && ms.type != JsonValue::Type::null)
            return false;
        frame.gpuMs.push_back(ms.type == JsonValue::Type::number ? ms.number : notRun);
    }
    return true;
}

} // namespace

FrameStats ComputeStats(std::vector<double> ms) {
    FrameStats stats;
    stats.frames = ms.size();
    if (ms.empty())
        return stats;
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    const double sum = std::accumulate(ms.begin(), ms.end(), 0.0);
    const auto rank = [&](double percent) {
        const auto r = static_cast<std::size_t>(std::ceil(percent / 100.0 * n));
        return ms[std::clamp<std::size_t>(r, 1, n) - 1];
    };
    stats.meanMs = sum / n;
    stats.medianMs = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2.0;
    stats.p95Ms = rank(95.0);
    stats.p99Ms = rank(99.0);
    stats.meanFps = sum > 0.0 ? 1000.0 * n / sum : 0.0;
    const std::size_t slowest = (n + 99) / 100;
    const double slowSum = std::accumulate(ms.end() - slowest, ms.end(), 0.0);
    stats.lowFps = slowSum > 0.0 ? 1000.0 * slowest / slowSum : 0.0;
    return stats;
}

std::vector<double> SceneFrameMs(const BenchRun& run, const std::string& scene) {
    std::vector<double> ms;
    for (const BenchFrame& frame : run.frames)
        if (scene == "all" || std::to_string(frame.scene) == scene)
            ms.push_back(frame.frameMs);
    return ms;
}

double GroupMeanMs(const BenchRun& run, std::size_t group) {
    double sum = 0.0;
    std::size_t count = 0;
    for (const BenchFrame& frame : run.frames)
        if (group < frame.gpuMs.size() && std::isfinite(frame.gpuMs[group])) {
            sum += frame.gpuMs[group];
            ++count;
        }
    return count ? sum / count : notRun;
}

std::string DriverVersion(const std::string& glVersion) {
    std::string rest = glVersion.substr(std::min(glVersion.find(' '), glVersion.size()));
    for (const char* profile : {" (Core Profile)", " (Compatibility Profile)"})
        if (rest.rfind(profile, 0) == 0)
            rest.erase(0, std::string(profile).size());
    const std::size_t first = rest.find_first_not_of(' ');
    return first == std::string::npos ? "unknown" : rest.substr(first);
}

std::string Checksum(const unsigned char* bytes, std::size_t size) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    char text[40];
    std::snprintf(text, sizeof text, "fnv1a64:%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::vector<std::string> ScenesOf(const BenchRun& run) {
    std::vector<std::string> scenes;
    for (const char* scene : {"1", "2"})
        if (!SceneFrameMs(run, scene).empty())
            scenes.push_back(scene);
    if (scenes.size() != 1)
        scenes.push_back("all");
    return scenes;
}

std::string SummaryText(const BenchRun& run) {
    std::string text = "Renderer " + run.glRenderer + ", OpenGL " + run.glVersion + "\n";
    text += std::to_string(run.width) + "x" + std::to_string(run.height) +
            (run.offscreen ? " off screen" : " in the window") + ", " +
            std::to_string(run.frames.size()) + " frames" +
            (run.interrupted ? " (interrupted)" : "") + "\n";
    text += "scene        frames  mean ms  median ms  p95 ms  p99 ms  mean fps  1% low fps\n";
    for (const std::string& scene : ScenesOf(run)) {
        const FrameStats s = ComputeStats(SceneFrameMs(run, scene));
        char line[160];
        std::snprintf(line, sizeof line, "%-11s %7zu %8.2f %10.2f %7.2f %7.2f %9.1f %11.1f\n",
                      sceneName(scene), s.frames, s.meanMs, s.medianMs, s.p95Ms, s.p99Ms, s.meanFps,
                      s.lowFps);
        text += line;
    }
    text += std::string("GPU time per pass, mean ms over the frames that ran it (") +
            (run.gpuTiming == "timer_query" ? "timer queries"
                                            : "glFinish fences: no timer queries here") +
            "):\n";
    for (std::size_t g = 0; g < run.groups.size(); ++g) {
        const double mean = GroupMeanMs(run, g);
        char line[80];
        std::snprintf(line, sizeof line, "  %-12s %9.3f\n", run.groups[g].c_str(), mean);
        if (std::isfinite(mean))
            text += line;
    }
    return text;
}

std::string ReportJson(const BenchRun& run) {
    std::string j = "{\n";
    j += "  \"layout\": \"brastel-benchmark-1\",\n";
    j += "  \"program\": {\"name\": \"brastel\", \"version\": " + quoted(run.version) + "},\n";
    j += "  \"settings\": {\"width\": " + std::to_string(run.width) +
         ", \"height\": " + std::to_string(run.height) +
         ", \"target\": " + quoted(run.offscreen ? "offscreen" : "window") +
         ", \"scene\": " + quoted(run.scene) +
         ", \"frames_per_second\": " + std::to_string(run.framesPerSecond) +
         ", \"lighting_seed\": " + std::to_string(run.seed) +
         ", \"vsync\": false, \"sound\": false},\n";
    j += "  \"machine\": {\"cpu_model\": " + quoted(run.cpuModel) +
         ", \"cpu_cores\": " + std::to_string(run.cpuCores) +
         ", \"gl_renderer\": " + quoted(run.glRenderer) +
         ", \"gl_vendor\": " + quoted(run.glVendor) + ", \"gl_version\": " + quoted(run.glVersion) +
         ", \"driver_version\": " + quoted(DriverVersion(run.glVersion)) + "},\n";
    j += "  \"gpu_timing\": " + quoted(run.gpuTiming) + ",\n";
    j += "  \"interrupted\": " + std::string(run.interrupted ? "true" : "false") + ",\n";
    j += "  \"last_frame_checksum\": " +
         (run.lastFrameChecksum.empty() ? "null" : quoted(run.lastFrameChecksum)) + ",\n";
    j += "  \"summary\": {\n    \"scenes\": [";
    const std::vector<std::string> scenes = ScenesOf(run);
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const FrameStats s = ComputeStats(SceneFrameMs(run, scenes[i]));
        double cpu = 0.0;
        for (const BenchFrame& frame : run.frames)
            if (scenes[i] == "all" || std::to_string(frame.scene) == scenes[i])
                cpu += frame.cpuMs;
        j += std::string(i ? ",\n" : "\n") + "      {\"scene\": " + quoted(scenes[i]) +
             ", \"frames\": " + std::to_string(s.frames) + ", \"mean_ms\": " + number(s.meanMs) +
             ", \"median_ms\": " + number(s.medianMs) + ", \"p95_ms\": " + number(s.p95Ms) +
             ", \"p99_ms\": " + number(s.p99Ms) + ", \"mean_fps\": " + number(s.meanFps) +
             ", \"low_1pct_fps\": " + number(s.lowFps) +
             ", \"cpu_mean_ms\": " + number(s.frames ? cpu / s.frames : 0.0) + "}";
    }
    j += "\n    ],\n    \"gpu_mean_ms\": {";
    for (std::size_t g = 0; g < run.groups.size(); ++g)
        j +=
            std::string(g ? ", " : "") + quoted(run.groups[g]) + ": " + number(GroupMeanMs(run, g));
    j += "}\n  },\n  \"groups\": [";
    for (std::size_t g = 0; g < run.groups.size(); ++g)
        j += std::string(g ? ", " : "") + quoted(run.groups[g]);
    j += "],\n  \"frames\": [";
    for (std::size_t f = 0; f < run.frames.size(); ++f) {
        const BenchFrame& frame = run.frames[f];
        j += std::string(f ? ",\n" : "\n") + "    {\"scene\": " + std::to_string(frame.scene) +
             ", \"frame_ms\": " + number(frame.frameMs) + ", \"cpu_ms\": " + number(frame.cpuMs) +
             ", \"gpu_ms\": [";
        for (std::size_t g = 0; g < frame.gpuMs.size(); ++g)
            j += std::string(g ? ", " : "") + number(frame.gpuMs[g]);
        j += "]}";
    }
    j += "\n  ]\n}\n";
    return j;
}

bool ReadReport(std::string_view text, BenchRun& run, std::string& error) {
    JsonValue root;
    if (!ParseJson(text, root, error))
        return false;
    run = BenchRun{};
    std::string layout;
    const JsonValue* program = getObject(root, "program");
    const JsonValue* settings = getObject(root, "settings");
    const JsonValue* machine = getObject(root, "machine");
    const JsonValue* groups = getArray(root, "groups");
    const JsonValue* frames = getArray(root, "frames");
    std::string target;
    if (!getString(root, "layout", layout) || layout != "brastel-benchmark-1" || !program ||
        !settings || !machine || !groups || !frames ||
        !getString(*program, "version", run.version) || !getInt(*settings, "width", run.width) ||
        !getInt(*settings, "height", run.height) || !getString(*settings, "target", target) ||
        !getString(*settings, "scene", run.scene) ||
        !getInt(*settings, "frames_per_second", run.framesPerSecond) ||
        !getString(*machine, "cpu_model", run.cpuModel) ||
        !getInt(*machine, "cpu_cores", run.cpuCores) ||
        !getString(*machine, "gl_renderer", run.glRenderer) ||
        !getString(*machine, "gl_vendor", run.glVendor) ||
        !getString(*machine, "gl_version", run.glVersion) ||
        !getString(root, "gpu_timing", run.gpuTiming) ||
        !getBool(root, "interrupted", run.interrupted)) {
        error = "not a benchmark report of this layout (brastel-benchmark-1)";
        return false;
    }
    run.offscreen = target == "offscreen";
    getString(root, "last_frame_checksum", run.lastFrameChecksum); // null when there is none
    for (const JsonValue& group : groups->items) {
        if (group.type != JsonValue::Type::string) {
            error = "a group name that is not a string";
            return false;
        }
        run.groups.push_back(group.string);
    }
    run.frames.resize(frames->items.size());
    for (std::size_t f = 0; f < run.frames.size(); ++f)
        if (!readFrame(frames->items[f], run.groups.size(), run.frames[f])) {
            error = "frame " + std::to_string(f) + " is not a frame of this layout";
            return false;
        }
    return true;
}
