#include "BenchReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

struct Series {
    std::string name;
    std::vector<std::pair<double, double>> points; // (seconds of the show, ms)
};

// The frame times in black and dark red, drawn heavier; the groups in the palette's colours.
const char* const frameColours[] = {"#111111", "#b00020"};
const char* const palette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#9467bd", "#8c564b", "#e377c2",
                               "#7f7f7f", "#bcbd22", "#17becf", "#aec7e8", "#98df8a", "#c5b0d5"};

// 1, 2 or 5 times a power of ten, giving about `ticks` steps over the range.
double niceStep(double range, int ticks) {
    const double raw = range / ticks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * magnitude >= raw)
            return m * magnitude;
    return 10.0 * magnitude;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text)
        out += c == '&'   ? "&amp;"
               : c == '<' ? "&lt;"
               : c == '>' ? "&gt;"
               : c == '"' ? "&quot;"
                          : std::string(1, c);
    return out;
}

std::string num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

std::string PlotSvg(const BenchRun& run) {
    std::vector<Series> series;
    std::size_t frameSeries = 0;
    const double fps = run.framesPerSecond > 0 ? run.framesPerSecond : 60;
    for (const int scene : {1, 2}) {
        Series s{std::string("frame time, scene ") + (scene == 1 ? "1 (model)" : "2 (terrain)"),
                 {}};
        for (std::size_t f = 0; f < run.frames.size(); ++f)
            if (run.frames[f].scene == scene)
                s.points.emplace_back(f / fps, run.frames[f].frameMs);
        if (!s.points.empty())
            series.push_back(std::move(s));
    }
    frameSeries = series.size();
    for (std::size_t g = 0; g < run.groups.size(); ++g) {
        Series s{"GPU " + run.groups[g], {}};
        for (std::size_t f = 0; f < run.frames.size(); ++f)
            if (g < run.frames[f].gpuMs.size() && std::isfinite(run.frames[f].gpuMs[g]))
                s.points.emplace_back(f / fps, run.frames[f].gpuMs[g]);
        if (!s.points.empty())
            series.push_back(std::move(s));
    }

    const double width = 960, height = 540, left = 70, right = 200, top = 40, bottom = 55;
    const double plotW = width - left - right, plotH = height - top - bottom;
    double xMax = std::max<double>(run.frames.size(), 1.0) / fps, yMax = 0.0;
    for (const Series& s : series)
        for (const auto& point : s.points)
            yMax = std::max(yMax, point.second);
    const double xStep = niceStep(xMax, 8), yStep = niceStep(yMax > 0.0 ? yMax : 1.0, 6);
    xMax = std::ceil(xMax / xStep) * xStep;
    yMax = std::max(1.0, std::ceil(yMax / yStep)) * yStep;
    const auto x = [&](double seconds) { return num(left + seconds / xMax * plotW); };
    const auto y = [&](double ms) { return num(top + plotH - ms / yMax * plotH); };

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      num(width) + "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(width) +
                      " " + num(height) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + num(left) + "\" y=\"24\" font-size=\"14\">" +
           escaped("brastel benchmark: " + std::to_string(run.width) + "x" +
                   std::to_string(run.height) + ", " + run.glRenderer) +
           "</text>\n";
    for (double t = 0.0; t <= xMax + xStep / 2; t += xStep)
        svg += "<line x1=\"" + x(t) + "\" y1=\"" + num(top) + "\" x2=\"" + x(t) + "\" y2=\"" +
               num(top + plotH) + "\" stroke=\"#e4e4e4\"/><text x=\"" + x(t) + "\" y=\"" +
               num(top + plotH + 16) + "\" text-anchor=\"middle\">" + num(t) + "</text>\n";
    for (double ms = 0.0; ms <= yMax + yStep / 2; ms += yStep)
        svg += "<line x1=\"" + num(left) + "\" y1=\"" + y(ms) + "\" x2=\"" + num(left + plotW) +
               "\" y2=\"" + y(ms) + "\" stroke=\"#e4e4e4\"/><text x=\"" + num(left - 6) +
               "\" y=\"" + num(std::stod(y(ms)) + 4) + "\" text-anchor=\"end\">" + num(ms) +
               "</text>\n";
    svg += "<rect x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(plotW) +
           "\" height=\"" + num(plotH) + "\" fill=\"none\" stroke=\"#444\"/>\n";
    svg += "<text x=\"" + num(left + plotW / 2) + "\" y=\"" + num(height - 12) +
           "\" text-anchor=\"middle\">time in the show (s)</text>\n";
    svg += "<text transform=\"translate(18 " + num(top + plotH / 2) +
           ") rotate(-90)\" text-anchor=\"middle\">time per frame (ms)</text>\n";
    for (std::size_t i = 0; i < series.size(); ++i) {
        const bool frame = i < frameSeries;
        const char* colour = frame
                                 ? frameColours[i]
                                 : palette[(i - frameSeries) % (sizeof palette / sizeof *palette)];
        svg += "<polyline data-series=\"" + escaped(series[i].name) + "\" fill=\"none\" stroke=\"" +
               colour + "\" stroke-width=\"" + (frame ? "1.5" : "1") + "\" points=\"";
        for (std::size_t p = 0; p < series[i].points.size(); ++p)
            svg +=
                (p ? " " : "") + x(series[i].points[p].first) + "," + y(series[i].points[p].second);
        const std::string legendY = num(top + 8 + 16 * static_cast<double>(i));
        svg += "\"/>\n<line x1=\"" + num(left + plotW + 12) + "\" y1=\"" + legendY + "\" x2=\"" +
               num(left + plotW + 32) + "\" y2=\"" + legendY + "\" stroke=\"" + colour +
               "\" stroke-width=\"2\"/><text x=\"" + num(left + plotW + 38) + "\" y=\"" +
               num(std::stod(legendY) + 4) + "\">" + escaped(series[i].name) + "</text>\n";
    }
    return svg + "</svg>\n";
}
