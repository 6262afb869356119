#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// The bytes of a file (or of the rest of an open stream): the one way the program reads whole
// files. Read into one malloc block, so that a file too large for memory is a result, not an
// exception; or mapped, for large text parsed once from front to back.
class FileBytes {
  public:
    enum Status { Ok, OpenFailed, ReadFailed, OutOfMemory };

    FileBytes() = default;
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    Status readFile(const std::string& path);
    // From the stream's current position to its end; the position is left at the end.
    Status readRest(std::FILE* file);
    // A regular file is mapped read-only instead of copied; anything else is read.
    Status mapFile(const std::string& path);
    // A reader that is done with the bytes before `offset` lets their pages go, so a mapped
    // file never becomes resident as a whole. They stay readable (paged in again from the file).
    void releaseBefore(size_t offset);

    const unsigned char* data() const { return bytes; }
    size_t size() const { return length; }
    std::string_view text() const {
        return std::string_view(reinterpret_cast<const char*>(bytes), length);
    }

  private:
    void clear();
    Status readFrom(std::FILE* file, size_t capacityHint);

    unsigned char* bytes = nullptr;
    size_t length = 0;
    bool mapped = false;
    size_t released = 0; // bytes at the front whose pages have been let go
};

// The whole file as text; false when it cannot be opened or read.
bool ReadTextFile(const std::string& path, std::string& text);
