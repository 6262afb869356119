// The whole program's start-up, as a user sees it: from starting the process in the staged run
// tree to its window's creation, and to the first presented frame (the first window title that
// shows a frame rate). Watches the X server named by DISPLAY through its events, so the times do
// not depend on a polling interval; each repetition ends the program with SIGTERM.
//
//   xvfb-run -a -s "-noreset -screen 0 1280x1024x24" build/app/bench_startup
//   (or scripts/startup-bench.sh)

#include "WindowTitles.h"

#include <benchmark/benchmark.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using bench::ignoreXError;
using bench::showsFrameRate;
using bench::windowTitle;

using Clock = std::chrono::steady_clock;

struct StartupTimes {
    double toWindow = -1.0; // seconds
    double toFirstFrame = -1.0;
};

pid_t startProgram() {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (chdir(BRASTEL_STAGE_DIR "/bin") != 0 || null < 0 || dup2(null, 1) < 0 ||
            dup2(null, 2) < 0)
            _exit(127);
        execl("./brastel", "brastel", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

StartupTimes measureOnce(Display* display) {
    StartupTimes times;
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);

    const auto start = Clock::now();
    const auto since = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    const pid_t pid = startProgram();
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (times.toFirstFrame < 0 && since() < 60.0 && waitpid(pid, nullptr, WNOHANG) == 0) {
        if (!XPending(display))
            poll(&connection, 1, 10);
        while (XPending(display) && times.toFirstFrame < 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify) {
                if (times.toWindow < 0)
                    times.toWindow = since();
                XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
                if (showsFrameRate(windowTitle(display, event.xcreatewindow.window)))
                    times.toFirstFrame = since();
            } else if (event.type == PropertyNotify &&
                       (event.xproperty.atom == XA_WM_NAME || event.xproperty.atom == netWmName) &&
                       showsFrameRate(windowTitle(display, event.xproperty.window))) {
                times.toFirstFrame = since();
            }
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XSelectInput(display, DefaultRootWindow(display), NoEventMask);
    XSync(display, True);
    return times;
}

void StartupToFirstFrame(benchmark::State& state) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        state.SkipWithError("no X server (run under xvfb-run)");
        return;
    }
    XSetErrorHandler(ignoreXError);
    double toWindow = 0.0;
    for (auto _ : state) {
        const StartupTimes times = measureOnce(display);
        if (times.toFirstFrame < 0) {
            state.SkipWithError("the program showed no frame");
            break;
        }
        state.SetIterationTime(times.toFirstFrame);
        toWindow += times.toWindow;
    }
    state.counters["to_window_ms"] =
        benchmark::Counter(toWindow * 1000.0, benchmark::Counter::kAvgIterations);
    XCloseDisplay(display);
}

} // namespace

BENCHMARK(StartupToFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(10);

BENCHMARK_MAIN();
