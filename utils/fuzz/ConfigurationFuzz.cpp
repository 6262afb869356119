#include "Configuration.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// The settings reader takes a file name, so each input goes through a scratch file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/brastel-config-fuzz-" + std::to_string(::getpid());
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
    (void)quiet;
    const Utils::Configuration conf(path);
    for (const auto& [key, value] : conf.getProperties()) {
        Utils::Configuration::toInt(value);
        Utils::Configuration::toFloat(value);
        Utils::Configuration::toBool(key);
    }
    return 0;
}
