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
    RecordOptions record;
    if (const int exitCode = ReadCommandLine(argc, argv, record); exitCode >= 0)
        return exitCode;
    const bool recording = !record.file.empty();

    std::cout << "Hello Realtime Rendering (WinApi version)" << std::endl;
    std::cout << "RELEASE compile" << std::endl;

    std::cout << "Loading configuration ... " << std::flush;
    LoadConfig();
    std::cout << "done." << std::flush;
    if (recording && !PrepareRecording(record))
        return 1;

    // A recording draws off screen, into a target of its own: its hidden window needs no samples.
    const int windowSamples = !recording && multisampleWholeFrame ? multisampleSamples : 0;
    if (CreateGLWindow({windowWidth, windowHeight, colorBits, useFullScreen, windowSamples}) < 1) {
        std::cerr << "Failed to create desired OpenGL window - exitting..." << std::endl;
        ReleaseMusicThread(musicThreadRecord);
        DestroyGLWindow();
        return recording ? 1 : 0; // a recording cannot go on without a context
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
