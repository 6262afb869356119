// Feeds arbitrary bytes to the wave reader as if they were a file, then asks for its format.
#include "CWaves.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {
int anyFormat(const char* name) {
    return name[0] == 'A' ? 0x1100 : 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::vector<unsigned char> copy(data, data + size);
    std::FILE* stream = fmemopen(copy.data(), copy.size(), "rb");
    if (!stream)
        return 0;
    CWaves waves;
    int id = -1;
    if (waves.loadWaveStream(stream, &id) == WaveResult::Ok) {
        const WaveRecord* record = waves.waveRecord(id);
        volatile unsigned char sink = record->data[0] ^ record->data[record->dataSize - 1];
        (void)sink;
        int format = 0;
        waves.getWaveFormatEnum(id, anyFormat, &format);
        waves.deleteWaveFile(id);
    }
    return 0;
}
