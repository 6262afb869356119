// Feeds arbitrary bytes to the wave reader as a file's bytes, then asks for its format.
#include "CWaves.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CWaves waves;
    int id = -1, format = 0;
    if (waves.loadWaveBytes(data, size, &id) == WaveResult::Ok) {
        const WaveRecord* record = waves.waveRecord(id);
        volatile unsigned char sink = record->data[0] ^ record->data[record->dataSize - 1];
        (void)sink;
        waves.getWaveFormatEnum(
            id, [](const char* name) { return name[0] == 'A' ? 0x1100 : 0; }, &format);
    }
    return 0;
}
