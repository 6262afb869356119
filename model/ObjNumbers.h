#pragma once

#include "CharClass.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

// Numbers of OBJ and MTL text, read from a span that need not be NUL-terminated: nothing at or
// past `end` is ever read. On success `p` moves past the number; on failure neither `p` nor the
// result changes. Inline: a model file is mostly numbers.

namespace objnumbers {

constexpr uint64_t kPow10[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The run of ASCII digits at the start of 8 readable bytes, at most all 8: their count, and
// their value in `value`. Eight characters are classified and converted at once.
inline int eightDigits(const char* s, uint64_t& value) {
    uint64_t word;
    std::memcpy(&word, s, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word); // the first character in the lowest byte
#endif
    const uint64_t x = word ^ 0x3030303030303030u; // a digit byte becomes its value 0 ... 9
    const uint64_t notDigit =
        (x & 0xF0F0F0F0F0F0F0F0u) |
        (((x & 0x0F0F0F0F0F0F0F0Fu) + 0x0606060606060606u) & 0x1010101010101010u);
    const int count = notDigit ? __builtin_ctzll(notDigit) / 8 : 8;
    if (count == 0) {
        value = 0;
        return 0;
    }
    // Only the digits, moved up so that zero bytes stand for leading zeros; then pairs, fours
    // and the eight are combined by multiplication.
    uint64_t v = x << (8 * (8 - count));
    v = v * 10 + (v >> 8);
    v = (((v & 0x000000FF000000FFu) * 0x000F424000000064u) +
         (((v >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u)) >>
        32;
    value = uint32_t(v);
    return count;
}

// Appends the run of digits at s to `mantissa` and counts them in `digits`. Only up to 19
// digits are sure to fit; callers check the count.
inline void appendDigits(const char*& s, const char* end, uint64_t& mantissa, size_t& digits) {
    while (end - s >= 8) {
        uint64_t value;
        const int count = eightDigits(s, value);
        mantissa = mantissa * kPow10[count] + value;
        s += count;
        digits += size_t(count);
        if (count < 8)
            return;
    }
    for (; s != end && isDigit(*s); ++s, ++digits)
        mantissa = mantissa * 10 + unsigned(*s - '0');
}

} // namespace objnumbers

// Like "%d": an optional sign and at least one digit. Values beyond int saturate to INT_MIN or
// INT_MAX, which no index check accepts.
inline bool parseInt(const char*& p, const char* end, int& out) {
    const char* s = p;
    bool negative = false;
    if (s != end && (*s == '+' || *s == '-')) {
        negative = *s == '-';
        ++s;
    }
    if (s == end || !isDigit(*s))
        return false;
    uint64_t value = 0;
    size_t digits = 0;
    objnumbers::appendDigits(s, end, value, digits);
    constexpr uint64_t kBeyond = uint64_t(INT_MAX) + 1;
    if (digits > 18) // may have wrapped; beyond int either way
        value = kBeyond;
    const int64_t limited = int64_t(std::min(value, kBeyond));
    out = int(std::clamp<int64_t>(negative ? -limited : limited, INT_MIN, INT_MAX));
    p = s;
    return true;
}

// Like strtof, with the same float for every input: plain decimals take an exact fast path,
// everything else (hexadecimal, inf, nan, long mantissas, far exponents) goes to strtof itself.
bool parseFloat(const char*& p, const char* end, float& out);
