#pragma once

#include "CharClass.h"
#include "ObjNumbers.h"

#include <string_view>

// A bounded cursor over OBJ or MTL text, read as whitespace-separated tokens the way the C
// scanner reads them; nothing is ever read outside [p, end).
struct ObjCursor {
    const char* p;
    const char* end;

    explicit ObjCursor(std::string_view text) : p(text.data()), end(text.data() + text.size()) {}

    void skipSpace() {
        while (p != end && isSpace(*p))
            ++p;
    }
    bool nextToken(std::string_view& token) {
        skipSpace();
        const char* start = p;
        while (p != end && !isSpace(*p))
            ++p;
        token = std::string_view(start, size_t(p - start));
        return p != start;
    }
    // A lone '\r' also ends a line, so old Mac files do not collapse into one line.
    std::string_view restOfLine() {
        const char* start = p;
        while (p != end && *p != '\n' && *p != '\r')
            ++p;
        const std::string_view line(start, size_t(p - start));
        if (p != end)
            ++p;
        return line;
    }
    void skipLine() { restOfLine(); }
    // Like one "%f": on failure the cursor stays where it was, before the white space.
    bool scanFloat(float& value) {
        const char* start = p;
        skipSpace();
        if (parseFloat(p, end, value))
            return true;
        p = start;
        return false;
    }
    // Like "%f %f ...": stops at the first number that does not scan, leaving the rest as it was.
    void scanFloats(float* values, int count) {
        for (int i = 0; i < count && scanFloat(values[i]); ++i) {
        }
    }
    bool scanInt(int& value) {
        const char* start = p;
        skipSpace();
        if (parseInt(p, end, value))
            return true;
        p = start;
        return false;
    }
};

// The first whitespace-separated word of a line.
inline std::string_view firstWord(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && isSpace(line[start]))
        ++start;
    size_t stop = start;
    while (stop < line.size() && !isSpace(line[stop]))
        ++stop;
    return line.substr(start, stop - start);
}
