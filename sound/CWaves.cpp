#include "CWaves.h"

#include <AL/al.h>

#include <cstdlib>
#include <cstring>
#include <new>

CWaves* waveLoader = nullptr;

namespace {

constexpr std::uint16_t formatPcm = 1;
constexpr std::uint16_t formatExtensible = 0xFFFE;
// A plain PCM format needs its first 16 bytes; the extensible layout has 40.
constexpr std::uint32_t pcmFormatSize = 16;
constexpr std::uint32_t extensibleFormatSize = 40;

std::uint16_t u16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t u32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

WaveFormat decodeFormat(const unsigned char* b, bool extensible) {
    WaveFormat f;
    f.formatTag = u16(b);
    f.channels = u16(b + 2);
    f.samplesPerSec = u32(b + 4);
    f.avgBytesPerSec = u32(b + 8);
    f.blockAlign = u16(b + 12);
    f.bitsPerSample = u16(b + 14);
    if (extensible) {
        f.extraSize = u16(b + 16);
        f.validBitsPerSample = u16(b + 18);
        f.channelMask = u32(b + 20);
        std::memcpy(f.subFormat, b + 24, sizeof f.subFormat);
    }
    return f;
}

bool validId(int waveId) {
    return waveId >= 0 && waveId < CWaves::slotCount;
}

WaveResult closeWith(WaveRecord* record, WaveResult result) {
    if (record->file) {
        std::fclose(record->file);
        record->file = nullptr;
    }
    return result;
}

} // namespace

WaveRecord::~WaveRecord() {
    reset();
}

void WaveRecord::reset() {
    std::free(data);
    data = nullptr;
    if (file)
        std::fclose(file);
    file = nullptr;
    kind = WaveNone;
    format = WaveFormat{};
    dataSize = 0;
    dataOffset = 0;
}

WaveResult parseStream(std::FILE* file, WaveRecord* record) {
    if (!file || !record) {
        if (file)
            std::fclose(file);
        return WaveResult::BadParameter;
    }
    record->reset();
    record->file = file;

    // Chunk sizes come from the file: every skip is checked against what the file holds.
    if (std::fseek(file, 0, SEEK_END) != 0)
        return closeWith(record, WaveResult::NotAWave);
    const long fileSize = std::ftell(file);
    if (fileSize < 0 || std::fseek(file, 0, SEEK_SET) != 0)
        return closeWith(record, WaveResult::NotAWave);

    unsigned char header[12];
    if (std::fread(header, 1, sizeof header, file) != sizeof header ||
        std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return closeWith(record, WaveResult::NotAWave);

    long position = sizeof header;
    unsigned char chunk[8];
    while (std::fread(chunk, 1, sizeof chunk, file) == sizeof chunk) {
        position += sizeof chunk;
        const std::uint32_t size = u32(chunk + 4);
        const long remaining = fileSize - position;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= pcmFormatSize &&
            size <= extensibleFormatSize) {
            unsigned char buffer[extensibleFormatSize] = {};
            if (std::fread(buffer, 1, size, file) != size)
                break;
            const std::uint16_t tag = u16(buffer);
            if (tag == formatPcm) {
                record->kind = WavePcm;
                record->format = decodeFormat(buffer, false);
            } else if (tag == formatExtensible) {
                record->kind = WaveExtensible;
                record->format = decodeFormat(buffer, true);
            }
        } else {
            if (std::memcmp(chunk, "data", 4) == 0) {
                // Refused here, before a load allocates what the header claims.
                if (size > remaining || position > static_cast<long>(UINT32_MAX))
                    return closeWith(record, WaveResult::NotAWave);
                record->dataSize = size;
                record->dataOffset = static_cast<std::uint32_t>(position);
            }
            if (size > remaining)
                break;
            if (std::fseek(file, static_cast<long>(size), SEEK_CUR) != 0)
                break;
        }
        position += size;
        if (size & 1) {
            if (position >= fileSize || std::fseek(file, 1, SEEK_CUR) != 0)
                break;
            ++position;
        }
    }

    if (record->dataSize != 0 && record->dataOffset != 0 &&
        (record->kind == WavePcm || record->kind == WaveExtensible))
        return WaveResult::Ok;
    return closeWith(record, WaveResult::NotAWave);
}

WaveResult parseFile(const char* path, WaveRecord* record) {
    if (!path || !record)
        return WaveResult::BadParameter;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        record->reset();
        return WaveResult::CannotOpen;
    }
    return parseStream(file, record);
}

CWaves::~CWaves() {
    for (int id = 0; id < slotCount; ++id)
        deleteWaveFile(id);
}

WaveResult CWaves::loadWaveFile(const char* path, int* waveId) {
    if (!path || !waveId)
        return WaveResult::BadParameter;
    WaveRecord* record = new (std::nothrow) WaveRecord;
    if (!record)
        return WaveResult::OutOfMemory;
    WaveResult result = parseFile(path, record);
    if (result != WaveResult::Ok) {
        delete record;
        return result;
    }
    return load(record, waveId);
}

WaveResult CWaves::loadWaveStream(std::FILE* file, int* waveId) {
    if (!file || !waveId) {
        if (file)
            std::fclose(file);
        return WaveResult::BadParameter;
    }
    WaveRecord* record = new (std::nothrow) WaveRecord;
    if (!record) {
        std::fclose(file);
        return WaveResult::OutOfMemory;
    }
    WaveResult result = parseStream(file, record);
    if (result != WaveResult::Ok) {
        delete record;
        return result;
    }
    return load(record, waveId);
}

// Reads the parsed record's samples and files it in the lowest free slot; owns record.
WaveResult CWaves::load(WaveRecord* record, int* waveId) {
    WaveResult result = WaveResult::Ok;
    record->data = static_cast<unsigned char*>(std::malloc(record->dataSize));
    if (!record->data) {
        result = WaveResult::OutOfMemory;
    } else if (std::fseek(record->file, static_cast<long>(record->dataOffset), SEEK_SET) != 0 ||
               std::fread(record->data, 1, record->dataSize, record->file) != record->dataSize) {
        result = WaveResult::NotAWave;
    } else {
        result = WaveResult::OutOfMemory;
        for (int id = 0; id < slotCount; ++id) {
            if (!slots[id]) {
                slots[id] = record;
                *waveId = id;
                result = WaveResult::Ok;
                break;
            }
        }
    }
    closeWith(record, result);
    if (result != WaveResult::Ok)
        delete record;
    return result;
}

WaveResult CWaves::deleteWaveFile(int waveId) {
    if (!validId(waveId) || !slots[waveId])
        return WaveResult::NoSuchWave;
    delete slots[waveId];
    slots[waveId] = nullptr;
    return WaveResult::Ok;
}

const WaveRecord* CWaves::waveRecord(int waveId) const {
    return validId(waveId) ? slots[waveId] : nullptr;
}

WaveResult CWaves::getWaveFormatEnum(int waveId, EnumLookup enumLookup, int* format) const {
    const WaveRecord* record = waveRecord(waveId);
    if (!record)
        return WaveResult::NoSuchWave;
    if (!enumLookup || !format)
        return WaveResult::BadParameter;
    *format = 0;

    const WaveFormat& f = record->format;
    auto byBits = [&](const char* ima4, const char* eight, const char* sixteen) -> const char* {
        switch (f.bitsPerSample) {
        case 4:
            return ima4;
        case 8:
            return eight;
        case 16:
            return sixteen;
        default:
            return nullptr;
        }
    };
    auto mono = [&] {
        return byBits("AL_FORMAT_MONO_IMA4", "AL_FORMAT_MONO8", "AL_FORMAT_MONO16");
    };
    auto stereo = [&] {
        return byBits("AL_FORMAT_STEREO_IMA4", "AL_FORMAT_STEREO8", "AL_FORMAT_STEREO16");
    };
    auto only16 = [&](const char* name) { return f.bitsPerSample == 16 ? name : nullptr; };

    const char* name = nullptr;
    if (record->kind == WavePcm) {
        if (f.channels == 1)
            name = mono();
        else if (f.channels == 2)
            name = stereo();
        else if (f.channels == 4)
            name = only16("AL_FORMAT_QUAD16");
    } else if (record->kind == WaveExtensible) {
        const std::uint32_t mask = f.channelMask;
        if (f.channels == 1 && (mask == 0x4 || mask == 0x3 || mask == 0))
            name = mono();
        else if (f.channels == 2 && mask == 0x3)
            name = stereo();
        else if (f.channels == 2 && mask == 0x30)
            name = only16("AL_FORMAT_REAR16");
        else if (f.channels == 4 && mask == 0x33)
            name = only16("AL_FORMAT_QUAD16");
        else if (f.channels == 6 && mask == 0x3F)
            name = only16("AL_FORMAT_51CHN16");
        else if (f.channels == 7 && mask == 0x13F)
            name = only16("AL_FORMAT_61CHN16");
        else if (f.channels == 8 && mask == 0x63F)
            name = only16("AL_FORMAT_71CHN16");
    }
    if (!name)
        return WaveResult::UnsupportedFormat;
    *format = enumLookup(name);
    return *format == 0 ? WaveResult::UnsupportedFormat : WaveResult::Ok;
}

bool loadWaveIntoBuffer(const char* path, unsigned int buffer) {
    int waveId = -1;
    if (!waveLoader || waveLoader->loadWaveFile(path, &waveId) != WaveResult::Ok)
        return false;
    const WaveRecord* record = waveLoader->waveRecord(waveId);
    if (!record)
        return false;
    int format = 0;
    if (waveLoader->getWaveFormatEnum(waveId, alGetEnumValue, &format) != WaveResult::Ok)
        return false;
    // OpenAL takes sizes as signed ints; larger values would wrap.
    if (record->dataSize > INT32_MAX || record->format.samplesPerSec > INT32_MAX) {
        waveLoader->deleteWaveFile(waveId);
        return false;
    }

    alGetError();
    alBufferData(buffer, format, record->data, static_cast<ALsizei>(record->dataSize),
                 static_cast<ALsizei>(record->format.samplesPerSec));
    const bool result = alGetError() == AL_NO_ERROR;
    waveLoader->deleteWaveFile(waveId);
    return result;
}
