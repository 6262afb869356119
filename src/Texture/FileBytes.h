#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The bytes of a file (or of the rest of an open stream), held in one malloc block so that a
// file too large for memory is a result, not an exception. Readers parse them with ByteCursor.
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

    const unsigned char* data() const { return bytes; }
    size_t size() const { return length; }

  private:
    void clear();
    Status readFrom(std::FILE* file, size_t capacityHint);

    unsigned char* bytes = nullptr;
    size_t length = 0;
};
