// Frames per second of the whole program in each scene, as a user sees it: the program runs in
// a copy of the run tree at its own window size (sound off; the model scene held for the whole
// run, or the terrain scene from the first frame) under the X server named by DISPLAY. Every
// frame sets the window title (to the frame rate) just before it is presented, so the server's
// title-change events, with the server's own timestamps, count the frames; the program is not
// changed and prints nothing for it. After a warm-up the frames of a few seconds are counted.
//
//   scripts/frame-rate-bench.sh (or, under xvfb-run, build/app/bench_frame_rate)
//
// Counters: fps (counted), title_fps (what the program showed at the end), cpu_cores (the
// program's CPU time over the wall time: how many cores it kept busy; the X server's share of
// presenting the frames is not in it), load1 (the machine's one-minute load at the start).

#include "DemoRun.h"
#include "WindowTitles.h"

#include <benchmark/benchmark.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

namespace {

using bench::ignoreXError;
using bench::showsFrameRate;
using bench::windowTitle;

constexpr double kWarmUpSeconds = 2.0; // the terrain scene's first frames compile its shaders
constexpr double kCountSeconds = 5.0;

// User plus system CPU seconds of a process, all its threads; 0 when it cannot be read.
double cpuSeconds(pid_t pid) {
    std::istringstream stat(e2e::readText("/proc/" + std::to_string(pid) + "/stat"));
    std::string field;
    // Fields 14 and 15 (utime, stime); the command name (field 2) has no spaces here.
    double ticks = 0.0;
    for (int i = 1; i <= 15 && stat >> field; ++i)
        if (i >= 14)
            ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double loadAverage() {
    std::istringstream loadavg(e2e::readText("/proc/loadavg"));
    double load = -1.0;
    loadavg >> load;
    return load;
}

struct Measurement {
    double fps = -1.0;
    double titleFps = 0.0;
    double cpuCores = 0.0;
};

Measurement measureOnce(Display* display, int scene) {
    Measurement result;
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);
    e2e::RunTree tree(e2e::Settings{{"demo.scene1.duration", scene == 1 ? "100000" : "0"}});
    e2e::DemoProcess demo(tree);

    // Server times in milliseconds: the first frame, then the frames counted.
    Time firstFrame = 0, countFrom = 0, lastCounted = 0;
    long counted = 0;
    Window window = 0;
    double cpuAtStart = 0.0;
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + std::chrono::seconds(120);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (std::chrono::steady_clock::now() < deadline && !demo.hasExited() &&
           (counted == 0 || lastCounted - countFrom < kCountSeconds * 1000.0)) {
        if (!XPending(display))
            poll(&connection, 1, 50);
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify) {
                XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
            } else if (event.type == PropertyNotify && event.xproperty.atom == XA_WM_NAME &&
                       event.xproperty.state == PropertyNewValue &&
                       // Once the window is known, no round trip per frame.
                       (window ? event.xproperty.window == window
                               : showsFrameRate(windowTitle(display, event.xproperty.window)))) {
                const Time now = event.xproperty.time;
                if (!firstFrame) {
                    firstFrame = now;
                    window = event.xproperty.window;
                } else if (!countFrom && now - firstFrame >= kWarmUpSeconds * 1000.0) {
                    countFrom = now;
                    cpuAtStart = cpuSeconds(demo.pid);
                } else if (countFrom) {
                    ++counted;
                    lastCounted = now;
                }
            }
        }
    }
    if (counted > 0 && lastCounted > countFrom) {
        const double seconds = static_cast<double>(lastCounted - countFrom) / 1000.0;
        result.fps = static_cast<double>(counted) / seconds;
        result.cpuCores = (cpuSeconds(demo.pid) - cpuAtStart) / seconds;
        result.titleFps = std::atof(windowTitle(display, window).c_str());
    }
    if (window)
        e2e::sendKey(window, "Escape", "key");
    demo.waitForExit(std::chrono::seconds(10));
    XSelectInput(display, DefaultRootWindow(display), NoEventMask);
    XSync(display, True);
    return result;
}

// Arg: the scene, 1 (the product model) or 2 (the terrain).
void FrameRate(benchmark::State& state) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        state.SkipWithError("no X server (run under xvfb-run)");
        return;
    }
    XSetErrorHandler(ignoreXError);
    double fpsSum = 0.0, titleFpsSum = 0.0, cpuCoresSum = 0.0;
    const double load = loadAverage();
    for (auto _ : state) {
        const Measurement m = measureOnce(display, static_cast<int>(state.range(0)));
        if (m.fps <= 0.0) {
            state.SkipWithError("the program showed no frames to count");
            break;
        }
        state.SetIterationTime(1.0 / m.fps); // the time column: one frame
        fpsSum += m.fps;
        titleFpsSum += m.titleFps;
        cpuCoresSum += m.cpuCores;
    }
    const auto average = benchmark::Counter::kAvgIterations;
    state.counters["fps"] = benchmark::Counter(fpsSum, average);
    state.counters["title_fps"] = benchmark::Counter(titleFpsSum, average);
    state.counters["cpu_cores"] = benchmark::Counter(cpuCoresSum, average);
    state.counters["load1"] = load;
    XCloseDisplay(display);
}

} // namespace

BENCHMARK(FrameRate)
    ->ArgName("scene")
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);

BENCHMARK_MAIN();
