#include "FileBytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

FileBytes::~FileBytes() {
    clear();
}

void FileBytes::clear() {
    if (mapped)
        munmap(bytes, length);
    else
        std::free(bytes);
    bytes = nullptr;
    length = 0;
    mapped = false;
    released = 0;
}

FileBytes::Status FileBytes::readFile(const std::string& path) {
    clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return OpenFailed;
    // A size hint saves the copies of growing; the read loop still decides the length. Only a
    // regular file has a size to go by (a folder's end offset can be any number).
    size_t hint = 0;
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        hint = size_t(info.st_size) + 1;
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

FileBytes::Status FileBytes::mapFile(const std::string& path) {
    clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return OpenFailed;
    struct stat info;
    void* view = MAP_FAILED;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        view = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (view == MAP_FAILED)
        return readFile(path); // empty, special or unmappable: the plain read decides
    madvise(view, size_t(info.st_size), MADV_SEQUENTIAL);
    bytes = static_cast<unsigned char*>(view);
    length = size_t(info.st_size);
    mapped = true;
    return Ok;
}

void FileBytes::releaseBefore(size_t offset) {
    if (!mapped || offset > length)
        return;
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t end = offset / page * page;
    if (end <= released)
        return;
    madvise(bytes + released, end - released, MADV_DONTNEED);
    released = end;
}

bool ReadTextFile(const std::string& path, std::string& text) {
    FileBytes file;
    if (file.readFile(path) != FileBytes::Ok)
        return false;
    text.assign(file.text());
    return true;
}
