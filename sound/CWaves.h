#pragma once

#include <cstddef>
#include <cstdint>

// Result codes of the wave reader; every negative value is a failure.
enum class WaveResult : int {
    Ok = 0,
    CannotOpen = -1,
    NotAWave = -2,
    BadParameter = -3,
    NoSuchWave = -4,
    OutOfMemory = -14,
    UnsupportedFormat = -16,
};

// The start of a "fmt " chunk in wave-format-extensible layout (40 bytes in the file).
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
    std::uint16_t validBitsPerSample = 0;
    std::uint32_t channelMask = 0;
    std::uint8_t subFormat[16] = {};
};

enum WaveKind : int { WaveNone = 0, WavePcm = 1, WaveExtensible = 2 };

struct WaveRecord {
    WaveRecord() = default;
    ~WaveRecord();
    WaveRecord(const WaveRecord&) = delete;
    WaveRecord& operator=(const WaveRecord&) = delete;
    // Frees the data and zeroes every field.
    void reset();

    int kind = WaveNone;
    WaveFormat format;             // for plain PCM only the first 16 bytes are filled
    unsigned char* data = nullptr; // malloc'd, owned
    std::uint32_t dataSize = 0;
    std::uint32_t dataOffset = 0; // where the samples start in the parsed bytes
};

// Maps an OpenAL format name to its value; alGetEnumValue has this type.
using EnumLookup = int (*)(const char* name);

// Parses the chunk structure of a wave file's bytes into record (format, data size and offset;
// no samples are copied).
WaveResult parseBytes(const unsigned char* bytes, std::size_t size, WaveRecord* record);
// The same for a file's bytes: CannotOpen when it cannot be opened.
WaveResult parseFile(const char* path, WaveRecord* record);

// Wave files held in memory in a fixed table of slots; a wave id is a slot index.
class CWaves {
  public:
    static constexpr int slotCount = 1024;

    CWaves() = default;
    virtual ~CWaves();
    CWaves(const CWaves&) = delete;
    CWaves& operator=(const CWaves&) = delete;

    WaveResult loadWaveFile(const char* path, int* waveId);
    // Loads a wave file's bytes held in memory; the record keeps a copy of the samples.
    WaveResult loadWaveBytes(const unsigned char* bytes, std::size_t size, int* waveId);
    WaveResult deleteWaveFile(int waveId);
    WaveResult getWaveFormatEnum(int waveId, EnumLookup enumLookup, int* format) const;
    // nullptr for an id out of range or an empty slot.
    const WaveRecord* waveRecord(int waveId) const;

  private:
    WaveResult load(WaveRecord* record, const unsigned char* bytes, int* waveId);

    WaveRecord* slots[slotCount] = {};
};

// The reader the music thread publishes; loadWaveIntoBuffer uses it (nullptr: none).
extern CWaves* waveLoader;

// Fills the OpenAL buffer from a wave file through waveLoader.
bool loadWaveIntoBuffer(const char* path, unsigned int buffer);
