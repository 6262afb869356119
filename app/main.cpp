#include "Benchmark.h"
#include "BrastelConfiguration.h"
#include "Demo.h"
#include "DriverMessages.h"
#include "MusicThread.h"
#include "Recording.h"
#include "Shaders.h"
#include "Window.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

namespace {

// GL objects go while the context is still current; false when the music thread did not stop.
bool Shutdown() {
    ReleaseScene();
    KillGLWindow();
    const bool musicStopped = ReleaseMusicThread(musicThreadRecord);
    DestroyGLWindow();
    return musicStopped;
}

} // namespace

int main(int argc, char* argv[]) {
    CommandLine line;
    if (const std::optional<int> exitCode = ReadCommandLine(argc, argv, line))
        return *exitCode;
    if (!line.compareA.empty())
        return CompareReports(line.compareA, line.compareB);
    const bool recording = !line.record.file.empty();
    const bool benchmark = line.benchmark.run;

    std::cout << "Hello Realtime Rendering (WinApi version)" << std::endl;
    std::cout << "RELEASE compile" << std::endl;

    std::cout << "Loading configuration ... " << std::flush;
    LoadConfig();
    std::cout << "done." << std::flush;
    if ((recording && !PrepareRecording(line.record)) ||
        (benchmark && !PrepareBenchmark(line.benchmark)))
        return 1;

    // A recording (or an off-screen benchmark) draws into a target of its own: its hidden window
    // needs no samples.
    const bool offScreen = recording || (benchmark && line.benchmark.offscreen);
    const int windowSamples = !offScreen && multisampleWholeFrame ? multisampleSamples : 0;
    if (CreateGLWindow({windowWidth, windowHeight, colorBits, useFullScreen, windowSamples}) < 1) {
        std::cerr << "Failed to create desired OpenGL window - exitting..." << std::endl;
        if (benchmark)
            std::cerr << "brastel: the benchmark needs an OpenGL 3.2 context, and this machine "
                         "has none to give (no display, or no GL driver)"
                      << std::endl;
        ReleaseMusicThread(musicThreadRecord);
        DestroyGLWindow();
        // A recording or a benchmark cannot go on without a context.
        return recording || benchmark ? 1 : 0;
    }

    std::cout << "\n\n\nTESTING OpenGL context\n" << std::flush;
    TestGLContext();
    std::cout << "\n\n" << std::flush;
    // After the context test: its GL error is provoked on purpose.
    StartDriverMessages();

    if (!LoadShaders())
        return 1;

    BuildScene();

    demoTimer.restart();
    if (useSound)
        StartMusicThread(*musicThreadRecord);
    StartDemo();
    int exitCode = 0;
    if (recording)
        exitCode = RecordShow();
    else if (benchmark)
        exitCode = RunBenchmark();
    else
        while (PumpMessages())
            ProcessFrame();

    if (!Shutdown()) {
        // The music thread is still inside OpenAL, whose exit-time clean-up would pull the
        // library from under it: end without running the exit handlers.
        std::cout.flush();
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
