// Where a frame's time goes, per group of passes, in the program's own window at its own size:
// the show is set up as the program sets it up (settings, window, programs, the whole scene),
// then frames are drawn as RenderFrame draws them, with a glFinish after each group so that the
// software rasteriser's deferred work is charged to the group that queued it. The fenced frame
// is a little slower than the show's own frame, which is timed too, unfenced.
//
// The settings are read during static initialisation from "../resources/brastel.conf", so the
// working directory must be the run tree's bin/ folder:
//   cd build/stage/bin && xvfb-run -a -s "-screen 0 1280x1024x24" ../../app/bench_frame_passes
//   (or scripts/frame-rate-bench.sh)
//
// Counters per group: <group>_ms (wall time per frame, to glFinish), <group>_pct (its share of
// the fenced frame) and, for the whole frame, cpu_cores (CPU time of all the process's threads,
// the rasteriser's included, over the wall time).

#include "BrastelConfiguration.h"
#include "Camera.h"
#include "CubeMapTexture.h"
#include "Demo.h"
#include "EnvLightPass.h"
#include "GLError.h"
#include "HeightFieldPasses.h"
#include "KeyLight.h"
#include "KeyLightPass.h"
#include "ModelScene.h"
#include "PyramidLevels.h"
#include "RenderTargets.h"
#include "Shaders.h"
#include "Window.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <string>
#include <unistd.h>
#include <utility>
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

// One group of a frame: a name and what it draws.
using Group = std::pair<const char*, std::function<void()>>;

void Update() {
    PumpMessages();
    PollInput();
    UpdateFrame();
}

void Present() {
    SetWindowTitle(FormatFps(UpdateFps()).c_str());
    SwapWindowBuffers();
    CheckGLError("main loop");
}

void Clear() {
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(0.03f, 0.035f, 0.045f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The terrain scene's frame as RenderFrame draws it, cut into groups.
const std::vector<Group> terrainFrame = {
    {"update", Update},
    {"clear",
     [] {
         Clear();
         glDisable(GL_DEPTH_TEST);
         glDisable(GL_CULL_FACE);
     }},
    {"noise", NoisePass},
    {"reduce",
     [] {
         for (int i = 0; i <= pyramidLevelCount - 2; ++i)
             ReducePass(i);
     }},
    {"synthesize",
     [] {
         for (int i = pyramidLevelCount - 1; i >= 0; --i)
             SynthesizePass(i);
     }},
    {"normal", NormalPass},
    {"env_light", EnvLightPass},
    {"key_light", KeyLightPass},
    {"sky",
     [] { RenderSkyBox(camera.viewMatrix, camera.projectionMatrix, windowWidth, windowHeight); }},
    {"terrain", RenderTerrain},
    {"present", Present},
};

const std::vector<Group> modelFrame = {
    {"update", Update},
    {"clear", Clear},
    {"model", RenderBrastelModel},
    {"present", Present},
};

void EnterScene(int scene) {
    sceneIndex = scene;
    scene1Duration = scene == 1 ? 1e9 : 0.0; // the scene holds
}

void TimeGroups(benchmark::State& state, int scene, const std::vector<Group>& groups) {
    EnterScene(scene);
    for (int warmUp = 0; warmUp < 3; ++warmUp) // the rasteriser compiles on first use
        for (const Group& group : groups)
            group.second();
    glFinish();
    std::vector<double> seconds(groups.size(), 0.0);
    const double cpuStart = processCpuSeconds();
    double total = 0.0;
    for (auto _ : state) {
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const auto start = Clock::now();
            groups[g].second();
            glFinish();
            seconds[g] += std::chrono::duration<double>(Clock::now() - start).count();
        }
    }
    for (const double s : seconds)
        total += s;
    const double frames = static_cast<double>(state.iterations());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const std::string name = groups[g].first;
        state.counters[name + "_ms"] = seconds[g] * 1e3 / frames;
        state.counters[name + "_pct"] = 100.0 * seconds[g] / total;
    }
    state.counters["cpu_cores"] = (processCpuSeconds() - cpuStart) / total;
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
    TimeGroups(state, 1, modelFrame);
}
void TerrainFrame(benchmark::State& state) {
    TimeFrames(state, 2);
}
void TerrainFrameGroups(benchmark::State& state) {
    TimeGroups(state, 2, terrainFrame);
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
