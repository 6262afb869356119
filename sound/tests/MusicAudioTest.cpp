// Plays through OpenAL Soft's wave-file backend, so no sound card is needed and what was
// played can be read back.
#include "CWaves.h"
#include "FileBytes.h"
#include "MusicThread.h"
#include "OpenALDeviceList.h"
#include "WaveBytes.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

// A scratch run tree: the music thread runs in its bin/. OpenAL reads its configuration once
// per process, so every test shares one: the wave-file backend writing out.wav. A test takes the
// device away by putting a folder where that file goes.
class MusicThread : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        fs::create_directories(root + "bin");
        const std::string conf = "[general]\ndrivers=wave\nchannels=stereo\nsample-type=int16\n"
                                 "frequency=44100\nsources=300\n[wave]\nfile=" +
                                 output + "\n";
        ASSERT_TRUE(writeFile(root + "alsoft.conf", Bytes(conf.begin(), conf.end())));
        setenv("ALSOFT_CONF", (root + "alsoft.conf").c_str(), 1);
        unsetenv("ALSOFT_DRIVERS");
    }
    static void TearDownTestSuite() { fs::remove_all(root); }
    void TearDown() override { fs::remove_all(output); }

    static void withoutDevice() { fs::create_directories(output); }

    // Runs the music thread until it returns; what it printed, and in ended whether the demo
    // saw the music end.
    std::string play(const char* path) {
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

    static inline const std::string root =
        testing::TempDir() + "music_audio_" + std::to_string(getpid()) + "/";
    static inline const std::string output = root + "out.wav";
    bool ended = false;
};

TEST_F(MusicThread, PlaysAOneSecondWaveToTheEndAndEndsTheDemo) {
    const std::string path = root + "tone.wav";
    ASSERT_TRUE(writeFile(path, toneWave(1.0, 441.0, 12000)));

    const std::string out = play(path.c_str());
    EXPECT_TRUE(ended);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(out, m,
                                  std::regex("^PlayStatic Test Application\n\nSelect OpenAL "
                                             "Device:\n1\\. .*\\(DEFAULT\\)\n\nOpened .* "
                                             "Device\nPlaying Source (\\.+)\n$")))
        << out;
    EXPECT_GE(m[1].length(), 5) << out; // a dot for each look at the source while it plays

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

// The OpenAL format chosen for each kind of wave, as OpenAL itself reads the buffer made with it.
TEST_F(MusicThread, OpenALReadsEachWaveWithTheChannelsAndBitsItHas) {
    ALCdevice* device = alcOpenDevice(nullptr);
    ASSERT_NE(device, nullptr);
    ALCcontext* context = alcCreateContext(device, nullptr);
    alcMakeContextCurrent(context);
    const struct {
        std::uint16_t tag, channels, bits;
        std::uint32_t mask;
    } kinds[] = {{1, 1, 8, 0},          {1, 2, 16, 0},         {1, 4, 16, 0},
                 {0xFFFE, 1, 16, 0x4},  {0xFFFE, 2, 16, 0x30}, {0xFFFE, 6, 16, 0x3F},
                 {0xFFFE, 8, 16, 0x63F}};
    CWaves waves;
    for (const auto& k : kinds) {
        SCOPED_TRACE(&k - kinds);
        const Bytes file = wave(
            {{"fmt ", formatChunk(k.tag, k.channels, 44100, k.bits, k.tag == 1 ? 16 : 40, k.mask)},
             {"data", Bytes(k.channels * k.bits / 2, 0)}});
        int id = -1, format = 0;
        ASSERT_EQ(waves.loadWaveBytes(file.data(), file.size(), &id), WaveResult::Ok);
        ASSERT_EQ(waves.getWaveFormatEnum(id, alGetEnumValue, &format), WaveResult::Ok);
        ALuint buffer = 0;
        alGenBuffers(1, &buffer);
        const WaveRecord* record = waves.waveRecord(id);
        alBufferData(buffer, format, record->data, ALsizei(record->dataSize), 44100);
        ALint channels = 0, bits = 0;
        alGetBufferi(buffer, AL_CHANNELS, &channels);
        alGetBufferi(buffer, AL_BITS, &bits);
        EXPECT_EQ(channels, k.channels);
        EXPECT_EQ(bits, k.bits);
        alDeleteBuffers(1, &buffer);
        waves.deleteWaveFile(id);
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
}

TEST_F(MusicThread, MissingFileIsReportedAndTheDemoEnds) {
    const std::string out = play(runtree::musicPath);
    EXPECT_TRUE(ended);
    EXPECT_NE(out.find("\nFailed to load ../Media/Tidewell - Harbour - 08 - Rain.wav\n"
                       "Playing Source .\n"),
              std::string::npos)
        << out;
}

TEST_F(MusicThread, WithoutADeviceTheDemoKeepsRunning) {
    withoutDevice();
    EXPECT_EQ(play(runtree::musicPath),
              "PlayStatic Test Application\nFailed to initialize OpenAL\n");
    EXPECT_FALSE(ended);
}

TEST_F(MusicThread, ReleaseStopsItPromptlyAndClosesTheDevice) {
    const std::string path = root + "long.wav";
    ASSERT_TRUE(writeFile(path, toneWave(20.0, 441.0, 4000)));
    // At once (the thread is still opening its device), then once the device has played a fifth
    // of a second of the tone. Released means the thread ended within the time shutdown gives it.
    const auto played = [&] {
        std::string bytes;
        ReadTextFile(output, bytes);
        std::size_t loud = 0;
        for (std::size_t i = 44; i + 1 < bytes.size(); i += 2)
            loud += bytes[i] != 0 || bytes[i + 1] != 0;
        return loud > 44100 * 2 / 5;
    };
    for (const bool playing : {false, true}) {
        fs::remove(output);
        auto* record = new MusicThreadRecord;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(StartMusicThread(*record, path.c_str()));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (playing && !played() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        EXPECT_TRUE(ReleaseMusicThread(record));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(record, nullptr);
        EXPECT_FALSE(musicStarted || musicPlaying);
        EXPECT_EQ(alcGetCurrentContext(), nullptr) << out;
        if (!playing)
            continue;
        EXPECT_TRUE(std::regex_search(out, std::regex("Playing Source \\.+\n$"))) << out;
        // The device was closed, so its output file is complete: a fraction of the 20 s.
        CWaves waves;
        int id = -1;
        ASSERT_EQ(waves.loadWaveFile(output.c_str(), &id), WaveResult::Ok);
        const double seconds = waves.waveRecord(id)->dataSize / (44100.0 * 4);
        EXPECT_GT(seconds, 0.1) << out;
        EXPECT_LT(seconds, 10.0) << out;
    }
}

TEST_F(MusicThread, TheDemoNeverSeesTheMusicEndWhileItStarts) {
    // Without a device the music never ends, so any "ended" seen is the start read half-way.
    withoutDevice();
    int seenEnded = 0;
    testing::internal::CaptureStdout();
    for (int run = 0; run < 500; ++run) {
        auto* record = new MusicThreadRecord;
        ASSERT_TRUE(StartMusicThread(*record, runtree::musicPath));
        for (int spin = 0; spin < 200000 && !(musicStarted && musicPlaying); ++spin)
            seenEnded += MusicHasEnded();
        seenEnded += MusicHasEnded();
        ReleaseMusicThread(record);
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(seenEnded, 0);
}

// A machine out of threads: pthread_create fails when the new thread's stack does not fit under
// the address-space limit, set here to what the process already maps.
TEST(MusicThreadStart, WithoutAThreadThereIsNoMusicAndTheDemoRunsOn) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer maps memory of its own for a new thread and ends the process "
                    "when it cannot, so the start cannot fail cleanly in this build";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process, without OpenAL's threads
    EXPECT_EXIT(
        {
            auto* record = new MusicThreadRecord;
            std::ifstream status("/proc/self/status");
            std::string line;
            while (std::getline(status, line) && line.rfind("VmSize:", 0) != 0) {
            }
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur = (std::stoul(line.substr(7)) + 1024) * 1024; // 1 MB to spare
            setrlimit(RLIMIT_AS, &limit);
            const bool started = StartMusicThread(*record, runtree::musicPath);
            const bool ended = MusicHasEnded();
            const bool released = ReleaseMusicThread(record);
            std::_Exit(!started && !ended && released && !record ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
