#include "RgbeReader.h"

#include "CharClass.h"
#include "FileBytes.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const char kFormatLine[] = "FORMAT=32-bit_rle_rgbe\n";

int readError(const char* reason) {
    std::fprintf(stderr, "RGBE read error: %s\n", reason);
    return -1;
}

int streamError() {
    std::perror("RGBE read error");
    return -1;
}

int formatError(const char* message) {
    std::fprintf(stderr, "RGBE bad file format: %s\n", message);
    return -1;
}

int memoryError(const char* message) {
    std::fprintf(stderr, "RGBE error: %s\n", message);
    return -1;
}

const char kTruncated[] = "unexpected end of file";

// 2^(E-136) for every exponent byte; all of them are exact in float (the smallest is a
// denormal), so a lookup gives the same values as ldexp per pixel.
const float* exponentScale() {
    static const struct Table {
        float scale[256];
        Table() {
            scale[0] = 0.0f;
            for (int e = 1; e < 256; ++e)
                scale[e] = (float)std::ldexp(1.0, e - 136);
        }
    } table;
    return table.scale;
}

inline void convert(unsigned char r, unsigned char g, unsigned char b, unsigned char e,
                    const float* scale, float* out) {
    const float f = scale[e];
    out[0] = r * f;
    out[1] = g * f;
    out[2] = b * f;
}

// Matches the line against "-Y %d +X %d" as the C library's scanner would and returns how
// many numbers it converted. Numbers beyond int (which the scanner leaves undefined) set
// outOfRange.
int scanResolution(const unsigned char* line, size_t length, int& height, int& width,
                   bool& outOfRange) {
    size_t i = 0;
    auto at = [&](size_t k) -> unsigned char { return k < length ? line[k] : 0; };
    auto skipSpace = [&] {
        while (isSpace(at(i)))
            ++i;
    };
    auto number = [&](int& out) {
        skipSpace();
        bool negative = false;
        if (at(i) == '+' || at(i) == '-')
            negative = at(i++) == '-';
        if (at(i) < '0' || at(i) > '9')
            return false;
        long long value = 0;
        while (at(i) >= '0' && at(i) <= '9') {
            if (value <= INT_MAX)
                value = value * 10 + (at(i) - '0');
            ++i;
        }
        if (value > INT_MAX) {
            outOfRange = true;
            value = INT_MAX;
        }
        out = (int)(negative ? -value : value);
        return true;
    };
    if (at(i) != '-' || at(i + 1) != 'Y')
        return 0;
    i += 2;
    skipSpace();
    if (!number(height))
        return 0;
    skipSpace();
    if (at(i) != '+' || at(i + 1) != 'X')
        return 1;
    i += 2;
    skipSpace();
    return number(width) ? 2 : 1;
}

// Brings a stream back to just after the bytes a cursor over its rest consumed.
bool reposition(std::FILE* file, long start, const ByteCursor& in) {
    return std::fseek(file, start + (long)in.position(), SEEK_SET) == 0;
}

} // namespace

// A run covers at most 127 bytes of a channel plane for 2 bytes of file, and a flat pixel takes 4.
size_t minimumRgbePixelBytes(int width, int height) {
    if (width < 8 || width > 0x7fff)
        return (size_t)width * (size_t)height * 4;
    return (size_t)height * (4 + 8 * (((size_t)width + 126) / 127));
}

void rgbeToFloat(const unsigned char rgbe[4], float* rgb) {
    convert(rgbe[0], rgbe[1], rgbe[2], rgbe[3], exponentScale(), rgb);
}

int readRgbeHeader(ByteCursor& in, int& height, int& width) {
    const unsigned char* line;
    size_t length;
    if (!in.readLine(line, length))
        return readError(kTruncated);
    if (length < 2 || line[0] != '#' || line[1] != '?')
        return formatError("bad initial token");

    const size_t formatLength = sizeof(kFormatLine) - 1;
    for (;;) {
        if (line[0] == '\n')
            return formatError("no FORMAT specifier found");
        if (length == formatLength && std::memcmp(line, kFormatLine, formatLength) == 0)
            break;
        if (!in.readLine(line, length))
            return readError(kTruncated);
        if (line[0] == '\0')
            return formatError("no FORMAT specifier found");
    }

    // The header runs on to an empty line, however many lines it holds; then the resolution.
    do {
        if (!in.readLine(line, length))
            return readError(kTruncated);
    } while (line[0] != '\n');
    if (!in.readLine(line, length))
        return readError(kTruncated);

    int h = 0, w = 0;
    bool outOfRange = false;
    if (scanResolution(line, length, h, w, outOfRange) < 2)
        return formatError("missing image size specifier");
    if (outOfRange || h <= 0 || w <= 0 ||
        (uint64_t)h * (uint64_t)w > SIZE_MAX / (3 * sizeof(float)))
        return formatError("invalid image size");
    height = h;
    width = w;
    return 0;
}

int readRgbePixels(ByteCursor& in, float* data, size_t count) {
    const size_t available = in.remaining() / 4;
    const size_t n = count < available ? count : available;
    const unsigned char* p = in.here();
    const float* scale = exponentScale();
    for (size_t i = 0; i < n; ++i, p += 4, data += 3)
        convert(p[0], p[1], p[2], p[3], scale, data);
    in.skip(n * 4);
    if (n < count)
        return readError(kTruncated);
    return 0;
}

int readRgbePixelsRle(ByteCursor& in, float* data, int width, int height) {
    if (width < 8 || width > 0x7fff)
        return readRgbePixels(in, data, (size_t)width * (size_t)height);

    std::unique_ptr<unsigned char, decltype(&std::free)> buffer(nullptr, &std::free);
    const float* scale = exponentScale();
    for (int left = height; left > 0; --left) {
        unsigned char rgbe[4];
        if (!in.read(rgbe, 4))
            return readError(kTruncated);
        if (rgbe[0] != 2 || rgbe[1] != 2 || (rgbe[2] & 0x80)) {
            // Not run-length encoded: these bytes are a pixel, and the rest of the file is flat.
            rgbeToFloat(rgbe, data);
            buffer.reset();
            return readRgbePixels(in, data + 3, (size_t)width * (size_t)left - 1);
        }
        if (rgbe[2] * 256 + rgbe[3] != width)
            return formatError("wrong scanline width");
        if (!buffer) {
            buffer.reset(static_cast<unsigned char*>(std::malloc((size_t)width * 4)));
            if (!buffer)
                return memoryError("unable to allocate buffer space");
        }
        for (int plane = 0; plane < 4; ++plane) {
            unsigned char* p = buffer.get() + (size_t)plane * width;
            unsigned char* const end = p + width;
            while (p < end) {
                unsigned char pair[2];
                if (!in.read(pair, 2))
                    return readError(kTruncated);
                size_t n = pair[0] > 128 ? pair[0] - 128 : pair[0];
                if (n == 0 || n > (size_t)(end - p))
                    return formatError("bad scanline data");
                if (pair[0] > 128) {
                    std::memset(p, pair[1], n);
                } else {
                    p[0] = pair[1];
                    if (!in.read(p + 1, n - 1))
                        return readError(kTruncated);
                }
                p += n;
            }
        }
        const unsigned char* r = buffer.get();
        const unsigned char* g = r + width;
        const unsigned char* b = g + width;
        const unsigned char* e = b + width;
        for (int x = 0; x < width; ++x, data += 3)
            convert(r[x], g[x], b[x], e[x], scale, data);
    }
    return 0;
}

namespace {

// Runs a reader on the rest of the file, then leaves the file just after what the reader used.
template <typename Read> int readFromFile(std::FILE* file, Read read) {
    const long start = std::ftell(file);
    FileBytes rest;
    if (start < 0 || rest.readRest(file) != FileBytes::Ok)
        return streamError();
    ByteCursor in(rest.data(), rest.size());
    const int result = read(in);
    if (!reposition(file, start, in))
        return streamError();
    return result;
}

} // namespace

int readRgbeHeader(std::FILE* file, int& height, int& width) {
    return readFromFile(file, [&](ByteCursor& in) { return readRgbeHeader(in, height, width); });
}

int readRgbePixels(std::FILE* file, float* data, size_t count) {
    return readFromFile(file, [&](ByteCursor& in) { return readRgbePixels(in, data, count); });
}

int readRgbePixelsRle(std::FILE* file, float* data, int width, int height) {
    return readFromFile(file,
                        [&](ByteCursor& in) { return readRgbePixelsRle(in, data, width, height); });
}

HdrStatus decodeHdr(const unsigned char* bytes, size_t size, Texture& texture) {
    ByteCursor in(bytes, size);
    int height = 0, width = 0;
    if (readRgbeHeader(in, height, width) != 0)
        return HdrStatus::Refused;
    if (in.remaining() < minimumRgbePixelBytes(width, height)) {
        readError(kTruncated);
        return HdrStatus::Refused;
    }
    // Zeroed, so pixels a damaged file never reaches are black rather than undefined.
    auto* pixels = static_cast<float*>(std::calloc((size_t)width * height, 3 * sizeof(float)));
    if (!pixels)
        return HdrStatus::OutOfMemory;
    texture.data = reinterpret_cast<unsigned char*>(pixels);
    texture.width = width;
    texture.height = height;
    std::fprintf(stderr, "\n Texture size: %d x %d\n", width, height);
    int result = readRgbePixelsRle(in, pixels, width, height);
    texture.format = PIXEL_RGB;
    texture.type = PIXEL_FLOAT;
    return result == 0 ? HdrStatus::Loaded : HdrStatus::Damaged;
}

void loadHdr(const std::string& path, Texture& texture) {
    FileBytes file;
    FileBytes::Status status = file.readFile(path);
    if (status == FileBytes::OpenFailed) {
        std::fprintf(stderr, "\n Error opening HDR file: %s\n", path.c_str());
        std::exit(1);
    }
    if (status == FileBytes::ReadFailed) {
        streamError();
        return;
    }
    if (status == FileBytes::OutOfMemory ||
        decodeHdr(file.data(), file.size(), texture) == HdrStatus::OutOfMemory) {
        std::printf("\n Not enough memory to load hdr file!\n");
        std::fflush(stdout);
        std::exit(1);
    }
}
