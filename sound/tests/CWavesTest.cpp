#include "CWaves.h"
#include "WaveBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

WaveResult loadBytes(CWaves& waves, const Bytes& bytes, int* id) {
    return waves.loadWaveBytes(bytes.data(), bytes.size(), id);
}

// Distinct bytes, so a read from the wrong offset shows.
Bytes samples(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(40 + i);
    return b;
}

const Bytes stereo16 = formatChunk(1, 2, 44100, 16);

int recordName(const char*) {
    return 0x1234;
}

} // namespace

TEST(WaveReader, FindsFormatAndDataAcrossChunkLayouts) {
    const Bytes odd = samples(7);
    Bytes noPad = wave({{"fmt ", stereo16}, {"data", odd}});
    noPad.pop_back(); // an odd chunk at the very end needs no pad byte
    const Bytes images[] = {
        // Odd-sized chunks are followed by their pad byte; the next header starts after it.
        wave({{"LIST", samples(5)}, {"fmt ", stereo16}, {"junk", samples(3)}, {"data", odd}}),
        wave({{"data", odd}, {"fmt ", stereo16}}),
        noPad,
        wave({{"fmt ", formatChunk(1, 2, 44100, 16, 18)}, {"data", odd}}), // with extra size
        // A huge chunk that is not data only ends the chunk walk.
        wave({{"fmt ", stereo16}, {"data", odd}, {"huge", {}, 0x7FFFFFFF}}),
    };
    CWaves waves;
    for (const Bytes& image : images) {
        SCOPED_TRACE(&image - images);
        int id = -1;
        ASSERT_EQ(loadBytes(waves, image, &id), WaveResult::Ok);
        const WaveRecord* r = waves.waveRecord(id);
        EXPECT_EQ(r->kind, WavePcm);
        EXPECT_EQ(r->format.samplesPerSec, 44100u);
        ASSERT_EQ(r->dataSize, 7u);
        EXPECT_EQ(std::memcmp(r->data, odd.data(), 7), 0);
    }
}

TEST(WaveReader, RefusesWhatIsNotAUsableWave) {
    const Bytes data = samples(4);
    Bytes rifx = wave({{"fmt ", stereo16}, {"data", data}}),
          cut = wave({{"data", data}, {"fmt ", stereo16}});
    rifx[3] = 'X';
    cut.resize(cut.size() - 3);
    const Bytes images[] = {
        {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A'},
        rifx,
        wave({{"fmt ", stereo16}, {"data", data}}, "AVI "),
        wave({{"fmt ", formatChunk(1, 2, 44100, 16, 50)}, {"data", data}}), // too long: skipped
        wave({{"fmt ", formatChunk(1, 2, 44100, 16, 14)}, {"data", data}}), // shorter than PCM's
        wave({{"fmt ", formatChunk(3, 2, 44100, 32)}, {"data", data}}),     // not PCM or extensible
        wave({{"data", data}}),
        wave({{"fmt ", stereo16}}),
        wave({{"fmt ", stereo16}, {"data", {}}}),
        cut,
    };
    CWaves waves;
    int id = -1;
    for (const Bytes& image : images) {
        SCOPED_TRACE(&image - images);
        EXPECT_EQ(loadBytes(waves, image, &id), WaveResult::NotAWave);
    }
    EXPECT_EQ(waves.waveRecord(0), nullptr);
    EXPECT_EQ(waves.loadWaveFile("/nonexistent/dir/x.wav", &id), WaveResult::CannotOpen);
    EXPECT_EQ(waves.loadWaveFile(nullptr, &id), WaveResult::BadParameter);

    // A data chunk larger than the file is refused by the parser, before a load allocates it.
    for (std::uint32_t declared : {17u, 0xFFFFFFF0u}) {
        Bytes image = wave({{"fmt ", stereo16}, {"data", samples(16), declared}});
        WaveRecord record;
        EXPECT_EQ(parseBytes(image.data(), image.size(), &record), WaveResult::NotAWave);
    }
}

// What OpenAL makes of the formats it has is the audio test's; here, what it has no format for.
TEST(WaveReader, WavesOpenALHasNoFormatForAreRefused) {
    const struct {
        std::uint16_t tag, channels, bits;
        std::uint32_t mask;
    } cases[] = {{1, 2, 24, 0}, {1, 6, 16, 0}, {0xFFFE, 2, 16, 0x6}, {0xFFFE, 6, 24, 0x3F}};
    CWaves waves;
    int id = -1, format = -1;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Bytes fmt = formatChunk(c.tag, c.channels, 44100, c.bits, c.tag == 1 ? 16 : 40, c.mask);
        ASSERT_EQ(loadBytes(waves, wave({{"fmt ", fmt}, {"data", samples(8)}}), &id),
                  WaveResult::Ok);
        EXPECT_EQ(waves.getWaveFormatEnum(id, recordName, &format), WaveResult::UnsupportedFormat);
        EXPECT_EQ(format, 0);
        waves.deleteWaveFile(id);
    }
    // A name the library does not know is no format either.
    ASSERT_EQ(loadBytes(waves, wave({{"fmt ", stereo16}, {"data", samples(8)}}), &id),
              WaveResult::Ok);
    EXPECT_EQ(waves.getWaveFormatEnum(
                  id, [](const char*) { return 0; }, &format),
              WaveResult::UnsupportedFormat);
}

TEST(WaveReader, SlotsFillFromTheLowestAndRefuseIdsOutOfRange) {
    auto waves = std::make_unique<CWaves>();
    const Bytes image = wave({{"fmt ", stereo16}, {"data", samples(8)}});
    int id = -1, format = 0;
    for (int i = 0; i < CWaves::slotCount; ++i) {
        ASSERT_EQ(loadBytes(*waves, image, &id), WaveResult::Ok);
        ASSERT_EQ(id, i);
    }
    id = -7;
    EXPECT_EQ(loadBytes(*waves, image, &id), WaveResult::OutOfMemory);
    EXPECT_EQ(id, -7);

    EXPECT_EQ(waves->deleteWaveFile(5), WaveResult::Ok);
    EXPECT_EQ(waves->deleteWaveFile(5), WaveResult::NoSuchWave);
    ASSERT_EQ(loadBytes(*waves, image, &id), WaveResult::Ok);
    EXPECT_EQ(id, 5);

    for (int bad : {-1, CWaves::slotCount, -(1 << 30)}) {
        EXPECT_EQ(waves->deleteWaveFile(bad), WaveResult::NoSuchWave);
        EXPECT_EQ(waves->waveRecord(bad), nullptr);
        EXPECT_EQ(waves->getWaveFormatEnum(bad, recordName, &format), WaveResult::NoSuchWave);
    }
    waves.reset(); // the destructor frees every occupied slot (checked by the sanitizer build)
}
