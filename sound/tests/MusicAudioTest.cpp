// Plays through OpenAL Soft's wave-file backend, so no sound card is needed and what was
// played can be read back. OpenAL reads its configuration once per process: ctest runs each
// test in a process of its own.
#include "CWaves.h"
#include "MusicThread.h"
#include "WaveBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

bool openALConfigured = false;

// A scratch folder with bin/ (the working directory of a run) and an OpenAL configuration.
struct AudioRun {
    explicit AudioRun(const char* drivers) {
        root = testing::TempDir() + "music_audio_" + std::to_string(getpid()) + "/";
        mkdir(root.c_str(), 0755);
        mkdir((root + "bin").c_str(), 0755);
        output = root + "out.wav";
        std::remove(output.c_str());
        const std::string conf = root + "alsoft.conf";
        const std::string text = std::string("[general]\ndrivers=") + drivers +
                                 "\nchannels=stereo\nsample-type=int16\nfrequency=44100\n"
                                 "\n[wave]\nfile=" +
                                 output + "\n";
        writeBytes(conf, Bytes(text.begin(), text.end()));
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        unsetenv("ALSOFT_DRIVERS");
    }
    ~AudioRun() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string root, output;
};

// Runs the music thread to its end and returns what it printed.
std::string playToEnd(const char* path, bool expectEnd) {
    auto* record = new MusicThreadRecord;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(StartMusicThread(*record, path));
    if (expectEnd) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!MusicHasEnded() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(MusicHasEnded());
    }
    record->thread.join();
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    ReleaseMusicThread(record);
    EXPECT_EQ(record, nullptr);
    EXPECT_FALSE(musicStarted);
    EXPECT_FALSE(musicPlaying);
    EXPECT_EQ(waveLoader, nullptr);
    return out;
}

// The dots between "Playing Source " and the line end.
int dotsOf(const std::string& out) {
    const std::string mark = "Playing Source ";
    size_t at = out.find(mark);
    if (at == std::string::npos)
        return -1;
    size_t end = out.find('\n', at);
    std::string dots = out.substr(at + mark.size(), end - at - mark.size());
    return dots.find_first_not_of('.') == std::string::npos ? static_cast<int>(dots.size()) : -2;
}

#define ONE_OPENAL_CONFIG_PER_PROCESS()                                                            \
    if (openALConfigured)                                                                          \
        GTEST_SKIP() << "OpenAL is configured once per process; run this test on its own";         \
    openALConfigured = true

} // namespace

TEST(MusicThread, PlaysAOneSecondWaveToTheEndAndEndsTheDemo) {
    ONE_OPENAL_CONFIG_PER_PROCESS();
    AudioRun run("wave");

    // One second of a 441 Hz tone, 16-bit stereo at 44.1 kHz.
    Bytes pcm;
    for (int i = 0; i < 44100; ++i) {
        int v = static_cast<int>(std::lround(12000.0 * std::sin(2.0 * M_PI * 441.0 * i / 44100.0)));
        putU16(pcm, static_cast<std::uint16_t>(v));
        putU16(pcm, static_cast<std::uint16_t>(v));
    }
    const std::string path = run.root + "tone.wav";
    ASSERT_TRUE(writeBytes(
        path, WaveImage().chunk("fmt ", formatChunk(1, 2, 44100, 16)).chunk("data", pcm).done()));

    std::string out = playToEnd(path.c_str(), true);
    EXPECT_EQ(out.rfind("PlayStatic Test Application\n\nSelect OpenAL Device:\n1. ", 0), 0u) << out;
    EXPECT_NE(out.find("(DEFAULT)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nOpened "), std::string::npos) << out;
    EXPECT_EQ(out.find("Failed"), std::string::npos) << out;
    int dots = dotsOf(out);
    EXPECT_GE(dots, 9) << out;
    EXPECT_LE(dots, 16) << out;

    // The device's output holds about one second of that tone.
    CWaves waves;
    int id = -1;
    ASSERT_EQ(waves.loadWaveFile(run.output.c_str(), &id), WaveResult::Ok);
    const WaveRecord* r = waves.waveRecord(id);
    ASSERT_EQ(r->format.bitsPerSample, 16);
    ASSERT_EQ(r->format.channels, 2);
    ASSERT_EQ(r->format.samplesPerSec, 44100u);
    const size_t frames = r->dataSize / 4;
    auto left = [&](size_t i) {
        return static_cast<std::int16_t>(r->data[4 * i] | r->data[4 * i + 1] << 8);
    };
    size_t first = frames, last = 0;
    for (size_t i = 0; i < frames; ++i)
        if (std::abs(left(i)) > 2000) {
            first = std::min(first, i);
            last = i;
        }
    ASSERT_LT(first, last);
    const double seconds = (last - first) / 44100.0;
    EXPECT_NEAR(seconds, 1.0, 0.05);
    int crossings = 0;
    for (size_t i = first + 1; i <= last; ++i)
        crossings += (left(i - 1) < 0) != (left(i) < 0);
    EXPECT_NEAR(crossings / seconds, 882.0, 20.0);
}

TEST(MusicThread, MissingFileIsReportedAndTheDemoEnds) {
    ONE_OPENAL_CONFIG_PER_PROCESS();
    AudioRun run("wave");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir((run.root + "bin").c_str()), 0);

    std::string out = playToEnd(musicPath, true);
    EXPECT_EQ(chdir(previous), 0);
    EXPECT_NE(out.find("\nFailed to load ../Media/Tidewell - Harbour - 08 - Rain.wav\n"
                       "Playing Source .\n"),
              std::string::npos)
        << out;
}

TEST(MusicThread, WithoutADeviceTheDemoKeepsRunning) {
    ONE_OPENAL_CONFIG_PER_PROCESS();
    AudioRun run("no-such-driver");
    auto* record = new MusicThreadRecord;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(StartMusicThread(*record, musicPath));
    record->thread.join();
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "PlayStatic Test Application\nFailed to initialize OpenAL\n");
    EXPECT_TRUE(musicStarted);
    EXPECT_TRUE(musicPlaying);
    EXPECT_FALSE(MusicHasEnded());
    EXPECT_EQ(waveLoader, nullptr);
    ReleaseMusicThread(record);
    EXPECT_FALSE(musicStarted);
    EXPECT_FALSE(musicPlaying);
}
