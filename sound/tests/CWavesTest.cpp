#include "CWaves.h"
#include "WaveBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

WaveResult loadBytes(CWaves& waves, Bytes bytes, int* id) {
    static Bytes keep; // fmemopen reads from it until the load closes the stream
    keep = std::move(bytes);
    return waves.loadWaveStream(fmemopen(keep.data(), keep.size(), "rb"), id);
}

Bytes samples(std::size_t n, unsigned char first = 1) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(first + i);
    return b;
}

Bytes simpleWave(const Bytes& fmt, const Bytes& data) {
    return WaveImage().chunk("fmt ", fmt).chunk("data", data).done();
}

Bytes stereo16(const Bytes& data = samples(8)) {
    return simpleWave(formatChunk(1, 2, 44100, 16), data);
}

std::string lookedUp;
int fakeLookup(const char* name) {
    static const std::map<std::string, int> values = {
        {"AL_FORMAT_MONO8", 0x1100},     {"AL_FORMAT_MONO16", 0x1101},
        {"AL_FORMAT_STEREO8", 0x1102},   {"AL_FORMAT_STEREO16", 0x1103},
        {"AL_FORMAT_MONO_IMA4", 0x1300}, {"AL_FORMAT_STEREO_IMA4", 0x1301},
        {"AL_FORMAT_QUAD16", 0x1205},    {"AL_FORMAT_REAR16", 0x1208},
        {"AL_FORMAT_51CHN16", 0x120B},   {"AL_FORMAT_61CHN16", 0x120E},
        {"AL_FORMAT_71CHN16", 0x1211},
    };
    lookedUp = name;
    auto it = values.find(name);
    return it == values.end() ? 0 : it->second;
}
int noFormats(const char*) {
    return 0;
}

} // namespace

TEST(WaveReader, FindsFormatAndDataAcrossChunkLayouts) {
    CWaves waves;
    int id = -1;

    // An odd-sized chunk is followed by its pad byte; the next header starts after it.
    Bytes data = samples(6, 40);
    ASSERT_EQ(loadBytes(waves,
                        WaveImage()
                            .chunk("LIST", samples(5))
                            .chunk("fmt ", formatChunk(1, 2, 22050, 16))
                            .chunk("junk", samples(3))
                            .chunk("data", data)
                            .done(),
                        &id),
              WaveResult::Ok);
    const WaveRecord* r = waves.waveRecord(id);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, WavePcm);
    EXPECT_EQ(r->format.channels, 2);
    EXPECT_EQ(r->format.samplesPerSec, 22050u);
    EXPECT_EQ(r->format.bitsPerSample, 16);
    ASSERT_EQ(r->dataSize, 6u);
    EXPECT_EQ(std::memcmp(r->data, data.data(), 6), 0);
    EXPECT_EQ(r->file, nullptr);

    // An odd-sized data chunk at the very end needs no pad byte; fmt may come after data.
    Bytes odd = samples(7, 90);
    Bytes image = WaveImage().chunk("data", odd).chunk("fmt ", formatChunk(1, 1, 8000, 8)).done();
    ASSERT_EQ(loadBytes(waves, image, &id), WaveResult::Ok);
    EXPECT_EQ(waves.waveRecord(id)->dataSize, 7u);
    EXPECT_EQ(std::memcmp(waves.waveRecord(id)->data, odd.data(), 7), 0);
    image = WaveImage().chunk("fmt ", formatChunk(1, 1, 8000, 8)).chunk("data", odd).done();
    image.pop_back(); // drop the trailing pad
    ASSERT_EQ(loadBytes(waves, image, &id), WaveResult::Ok);
    EXPECT_EQ(std::memcmp(waves.waveRecord(id)->data, odd.data(), 7), 0);

    // 18-byte PCM format (with its extra-size field) is a plain PCM format.
    ASSERT_EQ(loadBytes(waves, simpleWave(formatChunk(1, 2, 44100, 16, 18), samples(4)), &id),
              WaveResult::Ok);
    EXPECT_EQ(waves.waveRecord(id)->kind, WavePcm);
    EXPECT_EQ(waves.waveRecord(id)->format.extraSize, 0);

    // Extensible format keeps its channel mask.
    ASSERT_EQ(
        loadBytes(waves, simpleWave(formatChunk(0xFFFE, 6, 48000, 16, 40, 0x3F), samples(12)), &id),
        WaveResult::Ok);
    EXPECT_EQ(waves.waveRecord(id)->kind, WaveExtensible);
    EXPECT_EQ(waves.waveRecord(id)->format.channelMask, 0x3Fu);
    EXPECT_EQ(waves.waveRecord(id)->format.extraSize, 22);
}

TEST(WaveReader, RefusesWhatIsNotAUsableWave) {
    CWaves waves;
    int id = -1;
    const Bytes fmt = formatChunk(1, 2, 44100, 16);
    struct Case {
        const char* what;
        Bytes image;
    } cases[] = {
        {"empty", {}},
        {"short header", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A'}},
        {"form type", WaveImage("AVI ").chunk("fmt ", fmt).chunk("data", samples(4)).done()},
        {"not RIFF",
         [&] {
             Bytes b = stereo16();
             b[0] = 'R', b[1] = 'I', b[2] = 'F', b[3] = 'X';
             return b;
         }()},
        {"50-byte fmt is skipped", simpleWave(formatChunk(1, 2, 44100, 16, 50), samples(4))},
        {"fmt shorter than PCM", simpleWave(formatChunk(1, 2, 44100, 16, 14), samples(4))},
        {"other format tag", simpleWave(formatChunk(3, 2, 44100, 32), samples(8))},
        {"no fmt", WaveImage().chunk("data", samples(4)).done()},
        {"no data", WaveImage().chunk("fmt ", fmt).done()},
        {"empty data", WaveImage().chunk("fmt ", fmt).chunk("data", {}).done()},
        {"data larger than the file",
         WaveImage().chunk("fmt ", fmt).chunk("data", samples(16), 17).done()},
        {"data of 4 GiB",
         WaveImage().chunk("fmt ", fmt).chunk("data", samples(16), 0xFFFFFFF0).done()},
        {"fmt cut short",
         [&] {
             Bytes b = WaveImage().chunk("data", samples(4)).chunk("fmt ", fmt).done();
             b.resize(b.size() - 3);
             return b;
         }()},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.image.empty()) {
            char none[1] = {};
            EXPECT_EQ(waves.loadWaveStream(fmemopen(none, 0, "rb"), &id), WaveResult::NotAWave);
            continue;
        }
        EXPECT_EQ(loadBytes(waves, c.image, &id), WaveResult::NotAWave);
    }
    // An oversized data chunk is refused by the parser, before a load could allocate it.
    for (std::uint32_t declared : {17u, 0xFFFFFFF0u}) {
        Bytes image = WaveImage().chunk("fmt ", fmt).chunk("data", samples(16), declared).done();
        WaveRecord record;
        EXPECT_EQ(parseStream(fmemopen(image.data(), image.size(), "rb"), &record),
                  WaveResult::NotAWave);
        EXPECT_EQ(record.file, nullptr);
    }

    // Nothing of the failed loads stays behind.
    for (int i = 0; i < CWaves::slotCount; ++i)
        EXPECT_EQ(waves.waveRecord(i), nullptr);

    // A huge chunk that is not data only ends the chunk walk.
    EXPECT_EQ(loadBytes(waves,
                        WaveImage()
                            .chunk("fmt ", fmt)
                            .chunk("data", samples(4))
                            .chunk("huge", samples(2), 0x7FFFFFFF)
                            .done(),
                        &id),
              WaveResult::Ok);
}

TEST(WaveReader, FileEntryPointsReportOpenAndParameterFailures) {
    CWaves waves;
    int id = -1;
    EXPECT_EQ(waves.loadWaveFile("/nonexistent/dir/x.wav", &id), WaveResult::CannotOpen);
    EXPECT_EQ(waves.loadWaveFile(nullptr, &id), WaveResult::BadParameter);
    EXPECT_EQ(waves.loadWaveStream(nullptr, &id), WaveResult::BadParameter);

    const std::string path =
        testing::TempDir() + "wave_reader_" + std::to_string(getpid()) + ".wav";
    ASSERT_TRUE(writeBytes(path, stereo16(samples(8, 7))));
    EXPECT_EQ(waves.loadWaveFile(path.c_str(), nullptr), WaveResult::BadParameter);
    ASSERT_EQ(waves.loadWaveFile(path.c_str(), &id), WaveResult::Ok);
    EXPECT_EQ(waves.waveRecord(id)->data[0], 7);

    WaveRecord record;
    EXPECT_EQ(parseFile(path.c_str(), &record), WaveResult::Ok);
    EXPECT_NE(record.file, nullptr); // the parser leaves the file open for the load
    EXPECT_EQ(record.dataOffset, 44u);
    EXPECT_EQ(parseFile(path.c_str(), nullptr), WaveResult::BadParameter);
    std::remove(path.c_str());
}

TEST(WaveReader, FormatTableMapsKindChannelsBitsAndMask) {
    struct Case {
        std::uint16_t tag, channels, bits;
        std::uint32_t mask;
        const char* name; // nullptr: no OpenAL format
    } cases[] = {
        {1, 1, 8, 0, "AL_FORMAT_MONO8"},
        {1, 1, 16, 0, "AL_FORMAT_MONO16"},
        {1, 2, 8, 0, "AL_FORMAT_STEREO8"},
        {1, 2, 16, 0, "AL_FORMAT_STEREO16"},
        {1, 2, 4, 0, "AL_FORMAT_STEREO_IMA4"},
        {1, 4, 16, 0, "AL_FORMAT_QUAD16"},
        {1, 2, 24, 0, nullptr},
        {1, 1, 32, 0, nullptr},
        {1, 6, 16, 0, nullptr},
        {0xFFFE, 1, 16, 0x4, "AL_FORMAT_MONO16"},
        {0xFFFE, 1, 16, 0, "AL_FORMAT_MONO16"},
        {0xFFFE, 1, 16, 0x1, nullptr},
        {0xFFFE, 2, 16, 0x3, "AL_FORMAT_STEREO16"},
        {0xFFFE, 2, 4, 0x3, "AL_FORMAT_STEREO_IMA4"},
        {0xFFFE, 2, 16, 0x30, "AL_FORMAT_REAR16"},
        {0xFFFE, 2, 16, 0x6, nullptr},
        {0xFFFE, 4, 16, 0x33, "AL_FORMAT_QUAD16"},
        {0xFFFE, 4, 16, 0x3F, nullptr},
        {0xFFFE, 6, 16, 0x3F, "AL_FORMAT_51CHN16"},
        {0xFFFE, 6, 24, 0x3F, nullptr},
        {0xFFFE, 7, 16, 0x13F, "AL_FORMAT_61CHN16"},
        {0xFFFE, 8, 16, 0x63F, "AL_FORMAT_71CHN16"},
    };
    CWaves waves;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.tag) + " " + std::to_string(c.channels) + "ch " +
                     std::to_string(c.bits) + "bit mask " + std::to_string(c.mask));
        int id = -1;
        ASSERT_EQ(loadBytes(waves,
                            WaveImage()
                                .chunk("fmt ", formatChunk(c.tag, c.channels, 44100, c.bits,
                                                           c.tag == 1 ? 16 : 40, c.mask))
                                .chunk("data", samples(16))
                                .done(),
                            &id),
                  WaveResult::Ok);
        lookedUp.clear();
        int format = -1;
        WaveResult result = waves.getWaveFormatEnum(id, fakeLookup, &format);
        if (c.name) {
            EXPECT_EQ(result, WaveResult::Ok);
            EXPECT_EQ(lookedUp, c.name);
            EXPECT_EQ(format, fakeLookup(c.name));
        } else {
            EXPECT_EQ(result, WaveResult::UnsupportedFormat);
            EXPECT_EQ(format, 0);
            EXPECT_EQ(lookedUp, "");
        }
        waves.deleteWaveFile(id);
    }

    int id = -1, format = -1;
    ASSERT_EQ(loadBytes(waves, stereo16(), &id), WaveResult::Ok);
    EXPECT_EQ(waves.getWaveFormatEnum(id, noFormats, &format), WaveResult::UnsupportedFormat);
    EXPECT_EQ(format, 0);
    EXPECT_EQ(waves.getWaveFormatEnum(id, nullptr, &format), WaveResult::BadParameter);
    EXPECT_EQ(waves.getWaveFormatEnum(id, fakeLookup, nullptr), WaveResult::BadParameter);
    EXPECT_EQ(waves.getWaveFormatEnum(id + 1, fakeLookup, &format), WaveResult::NoSuchWave);
}

TEST(WaveReader, SlotsFillFromTheLowestAndRefuseIdsOutOfRange) {
    auto waves = std::make_unique<CWaves>();
    const Bytes image = stereo16();
    int id = -1;
    for (int i = 0; i < CWaves::slotCount; ++i) {
        ASSERT_EQ(loadBytes(*waves, image, &id), WaveResult::Ok);
        ASSERT_EQ(id, i);
    }
    id = -7;
    EXPECT_EQ(loadBytes(*waves, image, &id), WaveResult::OutOfMemory);
    EXPECT_EQ(id, -7);

    EXPECT_EQ(waves->deleteWaveFile(5), WaveResult::Ok);
    EXPECT_EQ(waves->deleteWaveFile(5), WaveResult::NoSuchWave);
    EXPECT_EQ(waves->waveRecord(5), nullptr);
    ASSERT_EQ(loadBytes(*waves, image, &id), WaveResult::Ok);
    EXPECT_EQ(id, 5);

    int format = 0;
    for (int bad : {-1, CWaves::slotCount, 1 << 30, -(1 << 30)}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(waves->deleteWaveFile(bad), WaveResult::NoSuchWave);
        EXPECT_EQ(waves->waveRecord(bad), nullptr);
        EXPECT_EQ(waves->getWaveFormatEnum(bad, fakeLookup, &format), WaveResult::NoSuchWave);
    }
    waves.reset(); // the destructor frees every occupied slot (checked by the sanitizer build)
}
