#include "Configuration.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
    (void)quiet;
    const Utils::Configuration conf(data, size);
    for (const auto& [key, value] : conf.getProperties()) {
        Utils::Configuration::toInt(value);
        Utils::Configuration::toFloat(value);
        Utils::Configuration::toBool(key);
    }
    return 0;
}
