#include "DataFile.h"

#include <cstdio>
#include <iostream>

bool writeDataFile(const std::string& path, std::string_view bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out)
        ok = std::fclose(out) == 0 && ok;
    if (!ok)
        std::cerr << "Cannot write " << path << std::endl;
    return ok;
}

std::string fileName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}
