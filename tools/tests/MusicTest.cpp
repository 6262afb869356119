#include "Music.h"
#include "CWaves.h"
#include "FileBytes.h"
#include "RunTree.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

double rms(const std::int16_t* samples, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / count) / 32768.0;
}

} // namespace

TEST(MusicGenerator, WritesTheSameFullStereoTrackEveryRun) {
    const ScratchFolder stage("datagen-music");
    const std::string path = stage.file(runtree::fromRoot(runtree::musicPath));
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(writeMusic(stage.path.string()));
    std::string once, again;
    ASSERT_TRUE(ReadTextFile(path, once));
    ASSERT_TRUE(writeMusic(stage.path.string()));
    ASSERT_TRUE(ReadTextFile(path, again));
    EXPECT_TRUE(once == again) << "a second run writes other bytes";

    CWaves waves;
    int id = -1;
    ASSERT_EQ(waves.loadWaveFile(path.c_str(), &id), WaveResult::Ok);
    const WaveRecord* r = waves.waveRecord(id);
    EXPECT_EQ(r->kind, WavePcm);
    EXPECT_EQ(r->format.channels, 2);
    EXPECT_EQ(r->format.bitsPerSample, 16);
    EXPECT_EQ(r->format.samplesPerSec, 44100u);
    EXPECT_EQ(r->format.blockAlign, 4);
    const double seconds = r->dataSize / 4.0 / 44100.0;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 90.0);

    std::vector<std::int16_t> pcm(r->dataSize / 2);
    std::memcpy(pcm.data(), r->data, r->dataSize);

    // Fades in from and out to silence, never clips, never drops out in between, and the two
    // channels differ.
    const size_t second = 2 * 44100;
    EXPECT_LT(rms(pcm.data(), second / 10), 0.001);
    EXPECT_LT(rms(pcm.data() + pcm.size() - second / 10, second / 10), 0.001);
    int peak = 0, sideDifferences = 0;
    for (size_t i = 0; i < pcm.size(); i += 2) {
        peak = std::max({peak, std::abs(pcm[i]), std::abs(pcm[i + 1])});
        sideDifferences += std::abs(pcm[i] - pcm[i + 1]) > 100;
    }
    EXPECT_LT(peak, 32000);
    EXPECT_GT(peak, 16000);
    EXPECT_GT(sideDifferences, static_cast<int>(pcm.size() / 4));
    for (size_t start = 5 * second; start + second < pcm.size() - 8 * second; start += second) {
        SCOPED_TRACE(start / second);
        const double level = rms(pcm.data() + start, second);
        EXPECT_GT(level, 0.03);
        EXPECT_LT(level, 0.5);
    }
}
