// Feeds arbitrary bytes to the wave reader as if they were a file, then asks for its format.
#include "CWaves.h"

#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::vector<unsigned char> copy(data, data + size);
    std::FILE* stream = fmemopen(copy.data(), copy.size(), "rb");
    CWaves waves;
    int id = -1, format = 0;
    if (stream && waves.loadWaveStream(stream, &id) == WaveResult::Ok) {
        const WaveRecord* record = waves.waveRecord(id);
        volatile unsigned char sink = record->data[0] ^ record->data[record->dataSize - 1];
        (void)sink;
        waves.getWaveFormatEnum(
            id, [](const char* name) { return name[0] == 'A' ? 0x1100 : 0; }, &format);
    }
    return 0;
}
