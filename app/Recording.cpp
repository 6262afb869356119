#include "Recording.h"

#include "BrastelConfiguration.h"
#include "CWaves.h"
#include "DebugViews.h"
#include "Demo.h"
#include "DisplayFramebuffer.h"
#include "EncoderPipe.h"
#include "FrameCapture.h"
#include "MusicThread.h"
#include "ProgressLine.h"
#include "RunTree.h"
#include "SphericalHarmonics.h"
#include "Tick.h"
#include "Window.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

struct RecordingState {
    RecordOptions options;
    std::string encoder;          // the ffmpeg program
    std::uint64_t frameCount = 0; // frames that cover the music
} recording;

std::uint32_t fixedSampleSeed() {
    return frameClockSeed;
}

} // namespace

std::optional<int> ReadCommandLine(int argc, const char* const argv[], CommandLine& line) {
    line = ParseCommandLine(argc, argv);
    if (!line.error.empty()) {
        std::cerr << "brastel: " << line.error << "\n" << commandLineUsage << std::endl;
        return 2;
    }
    if (line.help) {
        std::cout
            << commandLineUsage << "\n"
            << "  --record FILE  play the whole show off screen into a video file with its music\n"
            << "  --fps N        frames per second of the recording (default 60)\n"
            << "  --size WxH     picture size of the recording or benchmark (default 1280x720)\n"
            << "  --lossless     FFV1 video, every frame exactly as drawn (.mkv only)\n"
            << "  --benchmark    play the show on a fixed frame clock as fast as the machine can,\n"
            << "                 timing every frame and its passes; a summary at the end\n"
            << "  --scene S      1 (the model), 2 (the terrain) or all (the whole show, default)\n"
            << "  --frames N     only the first N frames (60 a second of the show)\n"
            << "  --seconds S    only the first S seconds of the show\n"
            << "  --report FILE  every frame's times and the machine, as JSON\n"
            << "  --plot FILE    frame times over the run, as SVG\n"
            << "  --offscreen    draw into an off-screen target instead of the window\n"
            << "  --compare A B  ratios B/A of every figure of two benchmark reports\n"
            << "Without arguments the show plays live." << std::endl;
        return 0;
    }
    return std::nullopt;
}

void UseFrameClock(int width, int height, int framesPerSecond) {
    windowWidth = width;
    windowHeight = height;
    useFullScreen = false;
    useSound = false;
    platform::useFrameClock(framesPerSecond);
    setSampleSeedSource(&fixedSampleSeed);
}

bool CanWrite(const std::string& file, const char* what) {
    std::error_code error;
    const bool existed = std::filesystem::exists(file, error);
    std::FILE* stream = std::fopen(file.c_str(), "ab"); // leaves what is there as it is
    if (!stream) {
        ErrorAfterProgressLine() << "Cannot write the " << what << " to '" << file
                                 << "': " << std::strerror(errno) << std::endl;
        return false;
    }
    std::fclose(stream);
    if (!existed)
        std::filesystem::remove(file, error);
    return true;
}

std::uint64_t FramesForMusic(int framesPerSecond) {
    WaveRecord wave;
    const WaveResult result = parseFile(runtree::musicPath, &wave);
    const WaveFormat& format = wave.format;
    if (result != WaveResult::Ok || format.blockAlign == 0 || format.samplesPerSec == 0)
        return 0;
    const std::uint64_t samples = wave.dataSize / format.blockAlign;
    return (samples * static_cast<std::uint64_t>(framesPerSecond) + format.samplesPerSec - 1) /
           format.samplesPerSec;
}

bool PrepareRecording(const RecordOptions& record) {
    recording.options = record;
    recording.encoder = FindOnPath("ffmpeg");
    if (recording.encoder.empty()) {
        ErrorAfterProgressLine()
            << "Recording needs ffmpeg, and there is none on the PATH (Debian package "
               "ffmpeg)."
            << std::endl;
        return false;
    }
    if (!CanWrite(record.file, "recording"))
        return false;
    recording.frameCount = FramesForMusic(record.framesPerSecond);
    if (recording.frameCount == 0) {
        ErrorAfterProgressLine() << "Cannot record: the music " << runtree::musicPath
                                 << " cannot be read, and its length is the recording's length"
                                 << std::endl;
        return false;
    }
    // No live sound: the music goes into the file instead.
    UseFrameClock(record.width, record.height, record.framesPerSecond);
    return true;
}

int RecordShow() {
    const RecordOptions& options = recording.options;
    // The window only carries the context: the show is drawn into the capture target.
    UnthrottleWindow(true);

    FrameCapture capture;
    if (!capture.create(options.width, options.height,
                        multisampleWholeFrame ? multisampleSamples : 0))
        return 1;
    EncoderPipe encoder;
    if (!encoder.start(
            recording.encoder,
            EncoderArguments({options.file, runtree::musicPath, options.width, options.height,
                              options.framesPerSecond, options.lossless})))
        return 1;
    displayFramebuffer = capture.framebuffer();

    const std::uint64_t total = recording.frameCount;
    std::cout << "Recording the show to " << options.file << ": " << options.width << "x"
              << options.height << ", " << options.framesPerSecond << " frames per second, "
              << total << " frames" << std::endl;

    std::uint64_t written = 0;
    const FrameSink toEncoder = [&](const unsigned char* rgba, std::size_t bytes) {
        if (!encoder.write(rgba, bytes))
            return false;
        ++written;
        return true;
    };
    debugViewsAllowed = false; // a recording shows the final picture
    ProgressLine progress("Recording", total, options.framesPerSecond);
    bool delivered = true, interrupted = false;
    for (std::uint64_t frame = 0; frame < total; ++frame) {
        if (!PumpMessages()) {
            interrupted = true;
            break;
        }
        ProcessFrame();
        if (!capture.capture(toEncoder)) {
            delivered = false;
            break;
        }
        platform::advanceFrameClock();
        progress.update(frame + 1);
    }
    // A closed window has taken the context with it, and with it the frames still in the ring.
    if (delivered && ContextIsCurrent())
        delivered = capture.flush(toEncoder);
    if (ContextIsCurrent())
        capture.release();
    displayFramebuffer = 0;
    progress.update(written, true);

    const double wallSeconds = progress.seconds();
    const int encoderExit = encoder.finish();
    if (interrupted && written == 0) {
        std::error_code error;
        std::filesystem::remove(options.file, error);
        std::cout << "Recording interrupted before its first frame: nothing recorded" << std::endl;
        return 0;
    }
    if (!delivered || encoderExit != 0) {
        std::cerr << "ffmpeg " << (encoderExit < 0 ? "was ended" : "failed") << " (exit code "
                  << encoderExit << "): the recording in " << options.file << " is incomplete"
                  << std::endl;
        return 1;
    }
    const double showSeconds = static_cast<double>(written) / options.framesPerSecond;
    std::cout << (interrupted ? "Recording interrupted: recorded " : "Recorded ") << written
              << " frames (" << showSeconds << " s of the show) to " << options.file << " in "
              << wallSeconds << " s: " << progress.framesPerSecond(written)
              << " frames per second, " << showSeconds / wallSeconds << "x real time" << std::endl;
    return 0;
}
