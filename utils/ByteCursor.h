#pragma once

#include <cstddef>
#include <cstring>

// Read-only view of bytes already in memory. Every read is bounded: running past the end
// yields false and leaves the cursor where it was, never garbage.
class ByteCursor {
  public:
    ByteCursor(const unsigned char* bytes, size_t size) : bytes(bytes), size(size) {}

    size_t position() const { return pos; }
    size_t remaining() const { return size - pos; }
    const unsigned char* here() const { return bytes + pos; }

    bool skip(size_t count) {
        if (count > remaining())
            return false;
        pos += count;
        return true;
    }

    bool seek(size_t offset) {
        if (offset > size)
            return false;
        pos = offset;
        return true;
    }

    bool read(void* out, size_t count) {
        if (count > remaining())
            return false;
        if (count > 0)
            std::memcpy(out, bytes + pos, count);
        pos += count;
        return true;
    }

    bool readU8(unsigned char& out) { return read(&out, 1); }

    bool readU16(unsigned& out) {
        unsigned char b[2];
        if (!read(b, 2))
            return false;
        out = b[0] | (unsigned(b[1]) << 8);
        return true;
    }

    bool readU32(unsigned long& out) {
        unsigned char b[4];
        if (!read(b, 4))
            return false;
        out =
            b[0] | (unsigned long)b[1] << 8 | (unsigned long)b[2] << 16 | (unsigned long)b[3] << 24;
        return true;
    }

    // Little-endian two's complement, as BMP stores its sizes.
    bool readI32(long& out) {
        unsigned long u;
        if (!readU32(u))
            return false;
        out = u >= 0x80000000UL ? (long)u - 0x100000000L : (long)u;
        return true;
    }

    // One text line including its line feed when there is one; false only at the very end,
    // like the C library's line reader.
    bool readLine(const unsigned char*& line, size_t& length) {
        if (pos >= size)
            return false;
        const void* lf = std::memchr(bytes + pos, '\n', size - pos);
        size_t end = lf ? (size_t)((const unsigned char*)lf - bytes) + 1 : size;
        line = bytes + pos;
        length = end - pos;
        pos = end;
        return true;
    }

  private:
    const unsigned char* bytes;
    size_t size;
    size_t pos = 0;
};
