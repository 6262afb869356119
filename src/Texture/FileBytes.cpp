#include "FileBytes.h"

#include <cstdlib>

FileBytes::~FileBytes() {
    clear();
}

void FileBytes::clear() {
    std::free(bytes);
    bytes = nullptr;
    length = 0;
}

FileBytes::Status FileBytes::readFile(const std::string& path) {
    clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return OpenFailed;
    // A size hint saves the copies of growing; the read loop still decides the length.
    size_t hint = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long end = std::ftell(file);
        if (end > 0)
            hint = (size_t)end + 1;
    }
    std::rewind(file);
    Status status = readFrom(file, hint);
    std::fclose(file);
    return status;
}

FileBytes::Status FileBytes::readRest(std::FILE* file) {
    return readFrom(file, 0);
}

FileBytes::Status FileBytes::readFrom(std::FILE* file, size_t capacityHint) {
    clear();
    // Grow geometrically rather than trusting the hint: the stream may not be seekable.
    size_t capacity = 0;
    for (;;) {
        if (length == capacity) {
            size_t grown = capacity ? capacity * 2 : (capacityHint ? capacityHint : 64 * 1024);
            if (grown < capacity)
                return OutOfMemory;
            auto* larger = static_cast<unsigned char*>(std::realloc(bytes, grown));
            if (!larger) {
                clear();
                return OutOfMemory;
            }
            bytes = larger;
            capacity = grown;
        }
        size_t got = std::fread(bytes + length, 1, capacity - length, file);
        length += got;
        if (got == 0) {
            if (std::ferror(file)) {
                clear();
                return ReadFailed;
            }
            return Ok;
        }
    }
}
