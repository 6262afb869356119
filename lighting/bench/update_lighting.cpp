// The frame's terrain lighting on the machine's GL (Mesa's software rasteriser here, under
// xvfb-run): UpdateLighting as a whole and each step of its list (LightingPasses.h), each timed
// to glFinish.

#include "HeightFieldPasses.h"
#include "KeyLight.h"
#include "KeyLightPass.h"
#include "LightingGLHarness.h"
#include "LightingPasses.h"
#include "WedgeTables.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <iostream>
#include <memory>
#include <sstream>

using namespace lighting_test;

namespace {

std::unique_ptr<LightingScene> scene;
double showClockMs = 0.0;

// Makes the scene once; false (and the benchmark skipped) without a GL context.
bool ready(benchmark::State& state) {
    if (!scene) {
        scene = std::make_unique<LightingScene>();
        std::ostringstream swallowed;
        std::streambuf* const console = std::cout.rdbuf(swallowed.rdbuf());
        const bool tables = scene->ok() && CalcWedge1D() && CalcWedge2D() && CalcKeyLight();
        std::cout.rdbuf(console);
        if (!tables)
            scene.reset();
        heightFieldClockMs = [] { return showClockMs += 16.0; };
    }
    if (!scene)
        state.SkipWithError("no GL context (run under xvfb-run)");
    return scene != nullptr;
}

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

// Wall time per call (to glFinish), and "cpu_ms": the CPU time of every thread of the process
// (the rasteriser's included) per call, which a machine loaded by other work inflates less.
template <typename Passes> void timePasses(benchmark::State& state, Passes passes) {
    if (!ready(state))
        return;
    passes();
    glFinish();
    const double cpuStart = processCpuMs();
    for (auto _ : state) {
        passes();
        glFinish();
    }
    state.counters["cpu_ms"] =
        (processCpuMs() - cpuStart) / static_cast<double>(state.iterations());
}

void BM_UpdateLighting(benchmark::State& state) {
    timePasses(state, [] {
        keyLightAzimuth -= 0.25;
        UpdateKeyLight();
        UpdateLighting();
    });
}

// As UpdateLighting runs it from frame to frame: one band of the rows.
void BM_KeyLightPassPart(benchmark::State& state) {
    timePasses(state, [] {
        keyLightAzimuth -= 0.25;
        UpdateKeyLight();
        lightingPart = 0;
        KeyLightPass();
        lightingPart = -1;
    });
}

} // namespace

BENCHMARK(BM_UpdateLighting)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyLightPassPart)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    // Each step of the lighting's list on its own, under its name in the frame.
    for (const FramePass& pass : lightingPasses)
        if (pass.name)
            benchmark::RegisterBenchmark(
                pass.name, [&pass](benchmark::State& state) { timePasses(state, pass.run); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
