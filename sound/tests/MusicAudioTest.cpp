// Plays through OpenAL Soft's wave-file backend, so no sound card is needed and what was
// played can be read back.
#include "CWaves.h"
#include "MusicThread.h"
#include "OpenALDeviceList.h"
#include "WaveBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

// A scratch run tree: the music thread runs in its bin/, with an OpenAL configuration.
class MusicThread : public testing::Test {
  protected:
    void SetUp() override {
        static bool configured = false; // OpenAL reads its configuration once per process
        if (configured)
            GTEST_SKIP() << "run each audio test in a process of its own, as ctest does";
        configured = true;
        fs::create_directories(root + "bin");
    }
    void TearDown() override { fs::remove_all(root); }

    void configure(const std::string& drivers) {
        const std::string conf = "[general]\ndrivers=" + drivers +
                                 "\nchannels=stereo\nsample-type=int16\nfrequency=44100\n"
                                 "sources=300\n[wave]\nfile=" +
                                 output + "\n";
        EXPECT_TRUE(writeBytes(root + "alsoft.conf", Bytes(conf.begin(), conf.end())));
        setenv("ALSOFT_CONF", (root + "alsoft.conf").c_str(), 1);
        unsetenv("ALSOFT_DRIVERS");
    }

    // Runs the music thread until it returns; what it printed, and in ended whether the demo
    // saw the music end.
    std::string play(const std::string& drivers, const char* path) {
        configure(drivers);
        const fs::path previous = fs::current_path();
        fs::current_path(root + "bin");
        auto* record = new MusicThreadRecord;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(StartMusicThread(*record, path));
        record->thread.join();
        ended = MusicHasEnded();
        ReleaseMusicThread(record);
        fs::current_path(previous);
        EXPECT_FALSE(musicStarted || musicPlaying);
        EXPECT_EQ(waveLoader, nullptr);
        return testing::internal::GetCapturedStdout();
    }

    std::string root = testing::TempDir() + "music_audio_" + std::to_string(getpid()) + "/";
    std::string output = root + "out.wav";
    bool ended = false;
};

TEST_F(MusicThread, PlaysAOneSecondWaveToTheEndAndEndsTheDemo) {
    Bytes pcm; // one second of a 441 Hz tone, 16-bit stereo at 44.1 kHz
    for (int i = 0; i < 44100; ++i) {
        const long v = std::lround(12000 * std::sin(M_PI * i / 50));
        putU16(pcm, static_cast<std::uint16_t>(v));
        putU16(pcm, static_cast<std::uint16_t>(v));
    }
    const std::string path = root + "tone.wav";
    ASSERT_TRUE(writeBytes(path, wave({{"fmt ", formatChunk(1, 2, 44100, 16)}, {"data", pcm}})));

    const std::string out = play("wave", path.c_str());
    EXPECT_TRUE(ended);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(out, m,
                                  std::regex("^PlayStatic Test Application\n\nSelect OpenAL "
                                             "Device:\n1\\. .*\\(DEFAULT\\)\n\nOpened .* "
                                             "Device\nPlaying Source (\\.+)\n$")))
        << out;
    EXPECT_GE(m[1].length(), 9) << out;
    EXPECT_LE(m[1].length(), 16) << out;

    // The device's output holds about one second of that tone: loud from its first to its last
    // frame, crossing zero 882 times a second.
    CWaves waves;
    int id = -1;
    ASSERT_EQ(waves.loadWaveFile(output.c_str(), &id), WaveResult::Ok);
    const WaveRecord* r = waves.waveRecord(id);
    ASSERT_EQ(r->format.blockAlign, 4);
    auto left = [&](size_t i) { return std::int16_t(r->data[4 * i] | r->data[4 * i + 1] << 8); };
    size_t first = r->dataSize, last = 0, crossings = 0;
    for (size_t i = 0; i < r->dataSize / 4; ++i)
        if (std::abs(left(i)) > 2000)
            first = std::min(first, i), last = i;
    for (size_t i = first + 1; i <= last; ++i)
        crossings += (left(i - 1) < 0) != (left(i) < 0);
    const double seconds = (last - first) / 44100.0;
    EXPECT_NEAR(seconds, 1.0, 0.05);
    EXPECT_NEAR(crossings / seconds, 882, 20);

    // The device would make 300 sources; the list counts no more than its 256 slots.
    OpenALDeviceList list;
    ASSERT_EQ(list.deviceCount(), 1);
    EXPECT_EQ(list.device(0)->sourceCount, 256u);
}

TEST_F(MusicThread, MissingFileIsReportedAndTheDemoEnds) {
    const std::string out = play("wave", musicPath);
    EXPECT_TRUE(ended);
    EXPECT_NE(out.find("\nFailed to load ../Media/Tidewell - Harbour - 08 - Rain.wav\n"
                       "Playing Source .\n"),
              std::string::npos)
        << out;
}

TEST_F(MusicThread, WithoutADeviceTheDemoKeepsRunning) {
    EXPECT_EQ(play("no-such-driver", musicPath),
              "PlayStatic Test Application\nFailed to initialize OpenAL\n");
    EXPECT_FALSE(ended);
}

TEST_F(MusicThread, ReleaseStopsItPromptlyAndClosesTheDevice) {
    const std::string path = root + "long.wav";
    ASSERT_TRUE(writeBytes(
        path, wave({{"fmt ", formatChunk(1, 2, 44100, 16)}, {"data", Bytes(20 * 44100 * 4, 0)}})));
    configure("wave");
    // At once (the thread is still opening its device), then while the music plays.
    for (const auto delay : {std::chrono::milliseconds(0), std::chrono::milliseconds(350)}) {
        auto* record = new MusicThreadRecord;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(StartMusicThread(*record, path.c_str()));
        std::this_thread::sleep_for(delay);
        const auto before = std::chrono::steady_clock::now();
        EXPECT_TRUE(ReleaseMusicThread(record));
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(250));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(record, nullptr);
        EXPECT_FALSE(musicStarted || musicPlaying);
        EXPECT_EQ(alcGetCurrentContext(), nullptr) << out;
        if (delay.count() == 0)
            continue;
        EXPECT_TRUE(std::regex_search(out, std::regex("Playing Source \\.{1,6}\n$"))) << out;
        // The device was closed, so its output file is complete: a fraction of the 20 s.
        CWaves waves;
        int id = -1;
        ASSERT_EQ(waves.loadWaveFile(output.c_str(), &id), WaveResult::Ok);
        const double seconds = waves.waveRecord(id)->dataSize / (44100.0 * 4);
        EXPECT_GT(seconds, 0.1);
        EXPECT_LT(seconds, 2.0);
    }
}

TEST_F(MusicThread, TheDemoNeverSeesTheMusicEndWhileItStarts) {
    // Without a device the music never ends, so any "ended" seen is the start read half-way.
    configure("no-such-driver");
    int seenEnded = 0;
    testing::internal::CaptureStdout();
    for (int run = 0; run < 500; ++run) {
        auto* record = new MusicThreadRecord;
        ASSERT_TRUE(StartMusicThread(*record, musicPath));
        for (int spin = 0; spin < 200000 && !(musicStarted && musicPlaying); ++spin)
            seenEnded += MusicHasEnded();
        seenEnded += MusicHasEnded();
        ReleaseMusicThread(record);
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(seenEnded, 0);
}
