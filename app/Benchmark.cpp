#include "Benchmark.h"

#include "BenchReport.h"
#include "BrastelConfiguration.h"
#include "DebugViews.h"
#include "Demo.h"
#include "DisplayFramebuffer.h"
#include "FileBytes.h"
#include "FrameCapture.h"
#include "KeyLightPass.h"
#include "MusicThread.h"
#include "PassTimer.h"
#include "ProgramVersion.h"
#include "ProgressLine.h"
#include "Recording.h"
#include "RunTree.h"
#include "Tick.h"
#include "Window.h"

#include <GL/glew.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iostream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct BenchmarkState {
    BenchmarkOptions options;
    int frameCount = 0;
} benchmark;

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

std::string glString(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "unknown";
}

std::string cpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        const std::size_t colon = line.find(':');
        if (line.rfind("model name", 0) == 0 && colon != std::string::npos)
            return line.substr(std::min(line.size(), colon + 2));
    }
    return "unknown";
}

// The frame just drawn, read back whole: through the off-screen target's own read-back (which
// resolves its samples), or from the window's back buffer.
std::string FrameChecksum(FrameCapture& target) {
    std::string checksum;
    const FrameSink sink = [&](const unsigned char* rgba, std::size_t bytes) {
        checksum = Checksum(rgba, bytes);
        return true;
    };
    if (target.framebuffer())
        return target.capture(sink) && target.flush(sink) ? checksum : "";
    std::vector<unsigned char> pixels(static_cast<std::size_t>(windowWidth) * windowHeight * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, windowWidth, windowHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return Checksum(pixels.data(), pixels.size());
}

bool WriteFile(const std::string& file, const std::string& text, const char* what) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        ErrorAfterProgressLine() << "Cannot write the " << what << " to '" << file << "'"
                                 << std::endl;
        return false;
    }
    std::cout << "Wrote the " << what << " to " << file << std::endl;
    return true;
}

BenchRun DescribeRun(const std::vector<std::string>& groups, PassTimer::Method method) {
    const BenchmarkOptions& options = benchmark.options;
    BenchRun run;
    run.version = programVersion;
    run.width = options.width;
    run.height = options.height;
    run.offscreen = options.offscreen;
    run.scene = options.scene == 0 ? "all" : std::to_string(options.scene);
    run.framesPerSecond = benchmarkFramesPerSecond;
    run.seed = frameClockSeed;
    run.cpuModel = cpuModel();
    run.cpuCores = static_cast<int>(std::thread::hardware_concurrency());
    run.glRenderer = glString(GL_RENDERER);
    run.glVendor = glString(GL_VENDOR);
    run.glVersion = glString(GL_VERSION);
    run.gpuTiming = PassTimer::name(method);
    run.groups = groups;
    return run;
}

} // namespace

bool PrepareBenchmark(const BenchmarkOptions& options) {
    benchmark.options = options;
    if ((!options.report.empty() && !CanWrite(options.report, "report")) ||
        (!options.plot.empty() && !CanWrite(options.plot, "plot")))
        return false;
    // Frame n shows the show at n x 1000 / 60 ms: the model scene's frames are those up to its
    // duration, the terrain's the rest of the music.
    const int modelFrames =
        static_cast<int>(std::floor(scene1Duration * benchmarkFramesPerSecond)) + 1;
    const auto showFrames = static_cast<int>(std::min<std::uint64_t>(
        FramesForMusic(benchmarkFramesPerSecond),
        static_cast<std::uint64_t>(maxBenchmarkSeconds) * benchmarkFramesPerSecond));
    if (options.frames == 0 && options.scene != 1 && showFrames == 0) {
        ErrorAfterProgressLine() << "Cannot benchmark the show: the music " << runtree::musicPath
                                 << " cannot be read, and its length is the show's (give "
                                    "--frames N)"
                                 << std::endl;
        return false;
    }
    benchmark.frameCount = options.frames       ? options.frames
                           : options.scene == 1 ? modelFrames
                           : options.scene == 2 ? std::max(1, showFrames - modelFrames)
                                                : showFrames;
    if (options.scene == 1)
        scene1Duration = 1e9; // the scene holds
    else if (options.scene == 2)
        scene1Duration = 0.0;
    UseFrameClock(options.width, options.height, benchmarkFramesPerSecond);
    return true;
}

int RunBenchmark() {
    const BenchmarkOptions& options = benchmark.options;
    UnthrottleWindow(options.offscreen);
    FrameCapture target;
    if (options.offscreen) {
        // Sampled as a recording's target is, so both draw the same show.
        if (!target.create(options.width, options.height,
                           multisampleWholeFrame ? multisampleSamples : 0))
            return 1;
        displayFramebuffer = target.framebuffer();
    }
    if (options.scene == 2) {
        sceneIndex = 2;
        RequestFullLightingUpdate(); // as the show's switch to the terrain scene does
    }

    debugViewsAllowed = false; // a benchmark times the final picture
    const PassTimer::Method method = PassTimer::available();
    BenchRun run = DescribeRun(PassGroups(), method);
    const int total = benchmark.frameCount;
    run.frames.resize(total);
    PassTimer timer(run.groups, method, [&](std::uint64_t frame, const std::vector<double>& ms) {
        if (frame < run.frames.size())
            run.frames[frame].gpuMs = ms;
    });
    std::cout << "Benchmark: " << total << " frames of "
              << (options.scene == 0 ? "the show" : "scene " + std::to_string(options.scene))
              << " at " << options.width << "x" << options.height
              << (options.offscreen ? " off screen" : " in the window") << ", passes timed by "
              << (method == PassTimer::Method::timerQueries
                      ? "GPU timer queries"
                      : "glFinish fences (this GL has no timer queries)")
              << std::endl;

    ProgressLine progress("Benchmark", total, benchmarkFramesPerSecond);
    int done = 0;
    Clock::time_point frameEnd = Clock::now();
    for (; done < total; ++done) {
        if (!PumpMessages()) {
            run.interrupted = true;
            break;
        }
        const double cpuStart = threadCpuMs();
        PollInput();
        if (!UpdateFrame())
            break;
        const std::vector<FramePass>& passes = FramePasses(sceneIndex);
        double checksumMs = 0.0, checksumCpuMs = 0.0;
        if (done + 1 < total) {
            RunPasses(passes, &timer);
        } else {
            // The last frame is read back before its present (whose buffer swap leaves the back
            // buffer undefined); its drawing is the frame's time, the read-back is not.
            RunPasses({passes.begin(), passes.end() - 1}, &timer);
            glFinish();
            const Clock::time_point start = Clock::now();
            const double cpu = threadCpuMs();
            run.lastFrameChecksum = FrameChecksum(target);
            checksumMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            checksumCpuMs = threadCpuMs() - cpu;
            RunPasses({passes.back()}, &timer);
        }
        timer.endFrame();
        const Clock::time_point now = Clock::now();
        BenchFrame& frame = run.frames[done];
        frame.scene = sceneIndex;
        frame.cpuMs = threadCpuMs() - cpuStart - checksumCpuMs;
        frame.frameMs =
            std::chrono::duration<double, std::milli>(now - frameEnd).count() - checksumMs;
        frameEnd = now;
        platform::advanceFrameClock();
        progress.update(done + 1);
    }
    // A closed window has taken the context with it, and the frames still in flight.
    const bool context = ContextIsCurrent();
    if (context)
        timer.flush();
    run.frames.resize(done);
    for (BenchFrame& frame : run.frames) // those whose times went with the context
        if (frame.gpuMs.size() != run.groups.size())
            frame.gpuMs.assign(run.groups.size(), std::nan(""));
    progress.update(done, true);
    if (context && options.offscreen)
        target.release();
    displayFramebuffer = 0;

    std::cout << SummaryText(run) << std::flush;
    bool written = true;
    if (!options.report.empty())
        written &= WriteFile(options.report, ReportJson(run), "report");
    if (!options.plot.empty())
        written &= WriteFile(options.plot, PlotSvg(run), "plot");
    return written ? 0 : 1;
}

int CompareReports(const std::string& a, const std::string& b) {
    BenchRun runs[2];
    const std::string* files[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        FileBytes bytes;
        std::string error;
        if (bytes.readFile(*files[i]) != FileBytes::Ok) {
            std::cerr << "brastel: cannot read the report '" << *files[i] << "'" << std::endl;
            return 1;
        }
        if (!ReadReport(bytes.text(), runs[i], error)) {
            std::cerr << "brastel: '" << *files[i] << "' is not a benchmark report: " << error
                      << std::endl;
            return 1;
        }
    }
    std::cout << CompareRuns(runs[0], runs[1]) << std::flush;
    return 0;
}
