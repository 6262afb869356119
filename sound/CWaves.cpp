#include "CWaves.h"

#include "ByteCursor.h"
#include "FileBytes.h"

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

// The file's bytes, mapped rather than copied: only the header and the samples are read.
WaveResult readWaveFile(const char* path, FileBytes& file) {
    switch (file.mapFile(path)) {
    case FileBytes::Ok:
        return WaveResult::Ok;
    case FileBytes::OpenFailed:
        return WaveResult::CannotOpen;
    case FileBytes::OutOfMemory:
        return WaveResult::OutOfMemory;
    default:
        return WaveResult::NotAWave;
    }
}

} // namespace

WaveRecord::~WaveRecord() {
    reset();
}

void WaveRecord::reset() {
    std::free(data);
    data = nullptr;
    kind = WaveNone;
    format = WaveFormat{};
    dataSize = 0;
    dataOffset = 0;
}

WaveResult parseBytes(const unsigned char* bytes, std::size_t size, WaveRecord* record) {
    if (!record || (!bytes && size != 0))
        return WaveResult::BadParameter;
    record->reset();

    // Chunk sizes come from the file: every skip is checked against what the bytes hold.
    ByteCursor in(bytes, size);
    unsigned char header[12];
    if (!in.read(header, sizeof header) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return WaveResult::NotAWave;

    unsigned char chunk[8];
    while (in.read(chunk, sizeof chunk)) {
        const std::uint32_t chunkSize = u32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && chunkSize >= pcmFormatSize &&
            chunkSize <= extensibleFormatSize) {
            unsigned char buffer[extensibleFormatSize] = {};
            if (!in.read(buffer, chunkSize))
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
                if (chunkSize > in.remaining() || in.position() > UINT32_MAX)
                    return WaveResult::NotAWave;
                record->dataSize = chunkSize;
                record->dataOffset = static_cast<std::uint32_t>(in.position());
            }
            if (!in.skip(chunkSize))
                break;
        }
        if ((chunkSize & 1) && !in.skip(1))
            break;
    }

    if (record->dataSize != 0 && record->dataOffset != 0 &&
        (record->kind == WavePcm || record->kind == WaveExtensible))
        return WaveResult::Ok;
    return WaveResult::NotAWave;
}

WaveResult parseFile(const char* path, WaveRecord* record) {
    if (!path || !record)
        return WaveResult::BadParameter;
    FileBytes file;
    const WaveResult read = readWaveFile(path, file);
    if (read != WaveResult::Ok) {
        record->reset();
        return read;
    }
    return parseBytes(file.data(), file.size(), record);
}

CWaves::~CWaves() {
    for (int id = 0; id < slotCount; ++id)
        deleteWaveFile(id);
}

WaveResult CWaves::loadWaveFile(const char* path, int* waveId) {
    if (!path || !waveId)
        return WaveResult::BadParameter;
    FileBytes file;
    const WaveResult read = readWaveFile(path, file);
    return read == WaveResult::Ok ? loadWaveBytes(file.data(), file.size(), waveId) : read;
}

WaveResult CWaves::loadWaveBytes(const unsigned char* bytes, std::size_t size, int* waveId) {
    if (!waveId)
        return WaveResult::BadParameter;
    WaveRecord* record = new (std::nothrow) WaveRecord;
    if (!record)
        return WaveResult::OutOfMemory;
    WaveResult result = parseBytes(bytes, size, record);
    if (result != WaveResult::Ok) {
        delete record;
        return result;
    }
    return load(record, bytes, waveId);
}

// Copies the parsed record's samples and files it in the lowest free slot; owns record.
WaveResult CWaves::load(WaveRecord* record, const unsigned char* bytes, int* waveId) {
    WaveResult result = WaveResult::OutOfMemory;
    record->data = static_cast<unsigned char*>(std::malloc(record->dataSize));
    if (record->data) {
        std::memcpy(record->data, bytes + record->dataOffset, record->dataSize);
        for (int id = 0; id < slotCount; ++id) {
            if (!slots[id]) {
                slots[id] = record;
                *waveId = id;
                result = WaveResult::Ok;
                break;
            }
        }
    }
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
