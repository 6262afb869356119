#include "Recording.h"

#include "BrastelConfiguration.h"
#include "CWaves.h"
#include "Demo.h"
#include "DisplayFramebuffer.h"
#include "EncoderPipe.h"
#include "FrameCapture.h"
#include "MusicThread.h"
#include "RunTree.h"
#include "SphericalHarmonics.h"
#include "Tick.h"
#include "Window.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct RecordingState {
    RecordOptions options;
    std::string encoder;          // the ffmpeg program
    std::uint64_t frameCount = 0; // frames that cover the music
} recording;

// Any fixed value makes two recordings alike; the live show seeds from the calendar.
std::uint32_t fixedSampleSeed() {
    return 20240611u;
}

// Ends the unfinished progress line on standard output before the message on standard error.
std::ostream& Refusal() {
    std::cout << std::endl;
    return std::cerr;
}

bool CanWrite(const std::string& file) {
    std::error_code error;
    const bool existed = std::filesystem::exists(file, error);
    std::FILE* stream = std::fopen(file.c_str(), "ab"); // leaves what is there as it is
    if (!stream) {
        Refusal() << "Cannot write the recording to '" << file << "': " << std::strerror(errno)
                  << std::endl;
        return false;
    }
    std::fclose(stream);
    if (!existed)
        std::filesystem::remove(file, error);
    return true;
}

// The number of frames that cover the music, 0 (after a message) when it cannot be read.
std::uint64_t FramesForMusic(const char* path, int framesPerSecond) {
    WaveRecord wave;
    const WaveResult result = parseFile(path, &wave);
    const WaveFormat& format = wave.format;
    if (result != WaveResult::Ok || format.blockAlign == 0 || format.samplesPerSec == 0) {
        Refusal() << "Cannot record: the music " << path
                  << " cannot be read, and its length is the recording's length" << std::endl;
        return 0;
    }
    const std::uint64_t samples = wave.dataSize / format.blockAlign;
    return (samples * static_cast<std::uint64_t>(framesPerSecond) + format.samplesPerSec - 1) /
           format.samplesPerSec;
}

std::string MinutesSeconds(double seconds) {
    const long whole = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// One console line, rewritten in place about four times a second.
class Progress {
  public:
    explicit Progress(std::uint64_t total) : total(total) {}

    void update(std::uint64_t done, bool last = false) {
        const Clock::time_point now = Clock::now();
        if (last && done == shownDone) {
            std::cout << std::endl; // the line already shows it
            return;
        }
        if (!last && now - shown < std::chrono::milliseconds(250))
            return;
        shown = now;
        shownDone = done;
        const double rate = framesPerSecond(done);
        const double left = rate > 0.0 ? static_cast<double>(total - done) / rate : 0.0;
        char text[160];
        std::snprintf(text, sizeof text,
                      "\rRecording %3d%%  frame %llu/%llu  %.1f fps (%.2fx real time)  %s left ",
                      static_cast<int>(100 * done / total), static_cast<unsigned long long>(done),
                      static_cast<unsigned long long>(total), rate,
                      rate / recording.options.framesPerSecond, MinutesSeconds(left).c_str());
        std::cout << text << (last ? "\n" : "") << std::flush;
    }

    double seconds() const { return std::chrono::duration<double>(Clock::now() - begin).count(); }
    double framesPerSecond(std::uint64_t done) const {
        const double s = seconds();
        return s > 0.0 ? static_cast<double>(done) / s : 0.0;
    }

  private:
    std::uint64_t total;
    Clock::time_point begin = Clock::now();
    Clock::time_point shown{};
    std::uint64_t shownDone = 0;
};

} // namespace

int ReadCommandLine(int argc, const char* const argv[], RecordOptions& record) {
    const CommandLine line = ParseCommandLine(argc, argv);
    if (!line.error.empty()) {
        std::cerr << "brastel: " << line.error << "\n" << commandLineUsage << std::endl;
        return 2;
    }
    if (line.help) {
        std::cout << commandLineUsage << "\n"
                  << "  --record FILE  play the whole show off screen into a video file with its "
                     "music\n"
                  << "  --fps N        frames per second of the recording (default 60)\n"
                  << "  --size WxH     picture size of the recording (default 1280x720)\n"
                  << "Without arguments the show plays live." << std::endl;
        return 0;
    }
    record = line.record;
    return -1;
}

bool PrepareRecording(const RecordOptions& record) {
    recording.options = record;
    recording.encoder = FindOnPath("ffmpeg");
    if (recording.encoder.empty()) {
        Refusal() << "Recording needs ffmpeg, and there is none on the PATH (Debian package "
                     "ffmpeg)."
                  << std::endl;
        return false;
    }
    if (!CanWrite(record.file))
        return false;
    recording.frameCount = FramesForMusic(runtree::musicPath, record.framesPerSecond);
    if (recording.frameCount == 0)
        return false;

    windowWidth = record.width;
    windowHeight = record.height;
    useFullScreen = false;
    useSound = false; // the music goes into the file instead
    platform::useFrameClock(record.framesPerSecond);
    setSampleSeedSource(&fixedSampleSeed);
    return true;
}

int RecordShow() {
    const RecordOptions& options = recording.options;
    // The window only carries the context: the show is drawn into the capture target.
    HideWindow();
    SetSwapInterval(0);

    FrameCapture capture;
    if (!capture.create(options.width, options.height))
        return 1;
    EncoderPipe encoder;
    if (!encoder.start(recording.encoder,
                       EncoderArguments({options.file, runtree::musicPath, options.width,
                                         options.height, options.framesPerSecond})))
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
    Progress progress(total);
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
    if (delivered && HasGLContext())
        delivered = capture.flush(toEncoder);
    if (HasGLContext())
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
