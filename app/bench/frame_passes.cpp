// Where a frame's time goes, per group of passes, in the program's own window at its own size:
// the show is set up as the program sets it up (settings, window, programs, the whole scene),
// then the frame's own pass list (FramePasses) is run and timed by the benchmark mode's pass
// timer with glFinish fences, so that the software rasteriser's deferred work is charged to the
// group that queued it. The fenced frame is a little slower than the show's own frame, which is
// timed too, unfenced.
//
// The settings are read during static initialisation from "../resources/brastel.conf", so the
// working directory must be the run tree's bin/ folder:
//   cd build/stage/bin && xvfb-run -a -s "-screen 0 1280x1024x24" ../../app/bench_frame_passes
//   (or scripts/frame-rate-bench.sh)
//
// Counters per group (update, then the frame's steps: clear, noise, ..., present): <group>_ms
// (wall time per frame, to glFinish), <group>_pct (its share of the fenced frame) and, for the
// whole frame, cpu_cores (CPU time of all the process's threads,
// the rasteriser's included, over the wall time).

#include "BrastelConfiguration.h"
#include "Demo.h"
#include "ModelScene.h"
#include "PassTimer.h"
#include "RenderTargets.h"
#include "Shaders.h"
#include "Window.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// The program's start-up up to its first frame, console output discarded; false when the show
// cannot be set up here.
bool SetUpShow() {
    std::fflush(stdout);
    std::cout.flush();
    const int console = dup(1), null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    LoadConfig();
    bool ok = windowWidth > 0 && windowHeight > 0 &&
              CreateGLWindow({windowWidth, windowHeight, colorBits, useFullScreen}) >= 1 &&
              LoadShaders();
    if (ok) {
        BuildScene();
        demoTimer.restart();
        StartDemo();
    }
    std::fflush(stdout);
    std::cout.flush();
    dup2(console, 1);
    close(console);
    close(null);
    return ok;
}

void Update() {
    PumpMessages();
    PollInput();
    UpdateFrame();
}

void EnterScene(int scene) {
    sceneIndex = scene;
    scene1Duration = scene == 1 ? 1e9 : 0.0; // the scene holds
}

// The frame's groups, each fenced; "update" is the frame's update before its passes.
void TimeGroups(benchmark::State& state, int scene) {
    EnterScene(scene);
    for (int warmUp = 0; warmUp < 3; ++warmUp) { // the rasteriser compiles on first use
        Update();
        RunPasses(FramePasses(scene));
    }
    glFinish();
    const std::vector<std::string> groups = PassGroups();
    std::vector<double> ms(groups.size(), 0.0);
    double updateMs = 0.0;
    PassTimer timer(groups, PassTimer::Method::finishFences,
                    [&](std::uint64_t, const std::vector<double>& frameMs) {
                        for (std::size_t g = 0; g < groups.size(); ++g)
                            ms[g] += std::isfinite(frameMs[g]) ? frameMs[g] : 0.0;
                    });
    const double cpuStart = processCpuSeconds();
    for (auto _ : state) {
        const auto start = Clock::now();
        Update();
        updateMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        RunPasses(FramePasses(scene), &timer);
        timer.endFrame();
    }
    timer.flush();
    double total = updateMs;
    for (const double m : ms)
        total += m;
    const double frames = static_cast<double>(state.iterations());
    state.counters["update_ms"] = updateMs / frames;
    state.counters["update_pct"] = 100.0 * updateMs / total;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (ms[g] == 0.0)
            continue; // not a step of this scene's frame
        state.counters[groups[g] + "_ms"] = ms[g] / frames;
        state.counters[groups[g] + "_pct"] = 100.0 * ms[g] / total;
    }
    state.counters["cpu_cores"] = (processCpuSeconds() - cpuStart) * 1e3 / total;
}

// The frame as the show draws it, without fences.
void TimeFrames(benchmark::State& state, int scene) {
    EnterScene(scene);
    for (int warmUp = 0; warmUp < 3; ++warmUp)
        ProcessFrame();
    glFinish();
    const auto start = Clock::now();
    const double cpuStart = processCpuSeconds();
    for (auto _ : state)
        ProcessFrame();
    glFinish();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["fps"] = static_cast<double>(state.iterations()) / seconds;
    state.counters["cpu_cores"] = (processCpuSeconds() - cpuStart) / seconds;
}

// Parts of two groups, to see what they cost: the terrain draw with every fragment scissored
// away (its vertex work and set-up), and the mipmaps of one lighting target, which the key-light
// and the environment-light passes each make after drawing.
void TerrainWithoutFragments(benchmark::State& state) {
    EnterScene(2);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    for (auto _ : state) {
        RenderTerrain();
        glFinish();
    }
    glDisable(GL_SCISSOR_TEST);
}

void LightingTargetMipmaps(benchmark::State& state) {
    glBindTexture(GL_TEXTURE_2D, keyLightTarget);
    for (auto _ : state) {
        glGenerateMipmap(GL_TEXTURE_2D);
        glFinish();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void ModelFrame(benchmark::State& state) {
    TimeFrames(state, 1);
}
void ModelFrameGroups(benchmark::State& state) {
    TimeGroups(state, 1);
}
void TerrainFrame(benchmark::State& state) {
    TimeFrames(state, 2);
}
void TerrainFrameGroups(benchmark::State& state) {
    TimeGroups(state, 2);
}

} // namespace

BENCHMARK(ModelFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(ModelFrameGroups)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(TerrainFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);
BENCHMARK(TerrainFrameGroups)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);
BENCHMARK(TerrainWithoutFragments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(LightingTargetMipmaps)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!SetUpShow()) {
        std::cerr << "Cannot set the show up: run from the run tree's bin/ folder under an X "
                     "server (see the top of bench/frame_passes.cpp)"
                  << std::endl;
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseScene();
    KillGLWindow();
    DestroyGLWindow();
    return 0;
}
