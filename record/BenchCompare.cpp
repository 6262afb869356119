#include "BenchReport.h"

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// The run-to-run spread of a figure, from the frames both runs drew (the same pictures, as the
// frame clock fixes them): the logarithm of each pair's ratio, averaged over up to 20 runs of
// consecutive frames (so that slow phases of the machine, which last many frames, count once per
// block rather than once per frame); three standard errors of those block means. NaN when fewer
// than 20 pairs make it.
double logSpread(const std::vector<std::pair<double, double>>& pairs) {
    std::vector<double> logs;
    for (const auto& [a, b] : pairs)
        if (a > 0.0 && b > 0.0)
            logs.push_back(std::log(b / a));
    const std::size_t blocks = std::min<std::size_t>(20, logs.size() / 10);
    if (blocks < 2)
        return std::nan("");
    std::vector<double> means(blocks, 0.0);
    for (std::size_t i = 0; i < blocks * (logs.size() / blocks); ++i)
        means[i / (logs.size() / blocks)] += logs[i] / static_cast<double>(logs.size() / blocks);
    double mean = 0.0, variance = 0.0;
    for (const double m : means)
        mean += m / blocks;
    for (const double m : means)
        variance += (m - mean) * (m - mean) / (blocks - 1);
    return 3.0 * std::sqrt(variance / blocks);
}

// Pairs of one per-frame figure where both runs drew the same scene in that frame.
std::vector<std::pair<double, double>>
pairs(const BenchRun& a, const BenchRun& b, const std::string& scene,
      const std::function<double(const BenchFrame&)>& figure) {
    std::vector<std::pair<double, double>> out;
    for (std::size_t f = 0; f < a.frames.size() && f < b.frames.size(); ++f)
        if (a.frames[f].scene == b.frames[f].scene &&
            (scene == "all" || std::to_string(a.frames[f].scene) == scene) &&
            std::isfinite(figure(a.frames[f])) && std::isfinite(figure(b.frames[f])))
            out.emplace_back(figure(a.frames[f]), figure(b.frames[f]));
    return out;
}

void row(std::string& text, const std::string& name, double a, double b, double spread) {
    const double ratio = a > 0.0 ? b / a : std::nan("");
    // A change smaller than 1 % is not worth a flag, however steady the runs.
    const bool changed = std::isfinite(ratio) && std::isfinite(spread) &&
                         std::fabs(std::log(ratio)) > std::max(spread, std::log(1.01));
    char line[200];
    char spreadText[16] = "     ?";
    if (std::isfinite(spread))
        std::snprintf(spreadText, sizeof spreadText, "%5.1f%%", 100.0 * (std::exp(spread) - 1.0));
    std::snprintf(line, sizeof line, "%-28s %11.3f %11.3f %7.3f  %s  %s\n", name.c_str(), a, b,
                  ratio, spreadText, changed ? (ratio > 1.0 ? "higher" : "lower") : "");
    text += line;
}

std::string describe(const BenchRun& run) {
    return run.glRenderer + ", " + std::to_string(run.width) + "x" + std::to_string(run.height) +
           (run.offscreen ? " off screen" : " in the window") + ", scene " + run.scene + ", " +
           std::to_string(run.frames.size()) + " frames, " + run.gpuTiming + ", program " +
           run.version;
}

} // namespace

std::string CompareRuns(const BenchRun& a, const BenchRun& b) {
    std::string text = "A: " + describe(a) + "\nB: " + describe(b) + "\n";
    if (a.width != b.width || a.height != b.height || a.offscreen != b.offscreen ||
        a.scene != b.scene || a.frames.size() != b.frames.size())
        text += "The runs differ in their settings: their frames are paired by number where "
                "both drew the same scene.\n";
    if (a.gpuTiming != b.gpuTiming)
        text += "The runs timed their passes differently: the GPU figures do not compare.\n";
    text += "Spread: three standard errors of the per-frame ratios B/A, averaged in blocks of "
            "consecutive frames;\nflagged where the ratio lies beyond it (and beyond 1 %).\n";
    text += "figure                                 A           B     B/A  spread\n";
    const auto frameMs = [](const BenchFrame& f) { return f.frameMs; };
    const auto cpuMs = [](const BenchFrame& f) { return f.cpuMs; };
    for (const std::string& scene : ScenesOf(a)) {
        if (SceneFrameMs(b, scene).empty())
            continue;
        const FrameStats sa = ComputeStats(SceneFrameMs(a, scene));
        const FrameStats sb = ComputeStats(SceneFrameMs(b, scene));
        const double spread = logSpread(pairs(a, b, scene, frameMs));
        const std::string name = "scene " + scene + " ";
        row(text, name + "mean ms", sa.meanMs, sb.meanMs, spread);
        row(text, name + "median ms", sa.medianMs, sb.medianMs, spread);
        row(text, name + "p95 ms", sa.p95Ms, sb.p95Ms, spread);
        row(text, name + "p99 ms", sa.p99Ms, sb.p99Ms, spread);
        row(text, name + "mean fps", sa.meanFps, sb.meanFps, spread);
        row(text, name + "1% low fps", sa.lowFps, sb.lowFps, spread);
        double cpuA = 0.0, cpuB = 0.0;
        for (const BenchFrame& f : a.frames)
            cpuA += scene == "all" || std::to_string(f.scene) == scene ? f.cpuMs / sa.frames : 0.0;
        for (const BenchFrame& f : b.frames)
            cpuB += scene == "all" || std::to_string(f.scene) == scene ? f.cpuMs / sb.frames : 0.0;
        row(text, name + "CPU mean ms", cpuA, cpuB, logSpread(pairs(a, b, scene, cpuMs)));
    }
    for (std::size_t ga = 0; ga < a.groups.size(); ++ga)
        for (std::size_t gb = 0; gb < b.groups.size(); ++gb) {
            if (a.groups[ga] != b.groups[gb] || !std::isfinite(GroupMeanMs(a, ga)) ||
                !std::isfinite(GroupMeanMs(b, gb)))
                continue;
            std::vector<std::pair<double, double>> gpu;
            for (std::size_t f = 0; f < a.frames.size() && f < b.frames.size(); ++f)
                if (ga < a.frames[f].gpuMs.size() && gb < b.frames[f].gpuMs.size() &&
                    std::isfinite(a.frames[f].gpuMs[ga]) && std::isfinite(b.frames[f].gpuMs[gb]))
                    gpu.emplace_back(a.frames[f].gpuMs[ga], b.frames[f].gpuMs[gb]);
            row(text, "GPU " + a.groups[ga] + " mean ms", GroupMeanMs(a, ga), GroupMeanMs(b, gb),
                logSpread(gpu));
        }
    return text;
}
