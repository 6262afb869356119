#include "ObjNumbers.h"

#include "CharClass.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

inline bool digitAt(const char* s, const char* end) {
    return s != end && isDigit(*s);
}

// strtof on the token at p; the number cannot reach past the token.
bool parseFloatSlow(const char*& p, const char* end, float& out) {
    const char* tokenEnd = p;
    while (tokenEnd != end && !isSpace(*tokenEnd))
        ++tokenEnd;
    const size_t length = size_t(tokenEnd - p);
    char small[64];
    std::string large;
    char* buffer = small;
    if (length < sizeof small) {
        std::memcpy(small, p, length);
        small[length] = '\0';
    } else {
        large.assign(p, length);
        buffer = large.data();
    }
    char* stop = nullptr;
    const float value = std::strtof(buffer, &stop);
    if (stop == buffer)
        return false;
    out = value;
    p += stop - buffer;
    return true;
}

const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Integers up to 2^24 and powers of ten up to 10^10 (5^10 < 2^24) are exact floats.
constexpr uint64_t kExactFloatMantissa = uint64_t(1) << 24;
const float kPow10Float[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

} // namespace

// A decimal of at most 19 digits is read into a 64-bit mantissa. Up to 2^53 with a power of ten
// up to 10^22 both are exact doubles, so one double operation rounds correctly; the conversion to
// float then rounds once more, which can only differ from rounding directly when the double lands
// exactly half-way between two floats: those, and everything else, go to strtof.
bool parseFloat(const char*& p, const char* end, float& out) {
    const char* s = p;
    bool negative = false;
    if (s != end && (*s == '+' || *s == '-')) {
        negative = *s == '-';
        ++s;
    }
    uint64_t mantissa = 0;
    size_t digits = 0;
    objnumbers::appendDigits(s, end, mantissa, digits);
    int exponent = 0;
    if (s != end && *s == '.') {
        const size_t integerDigits = digits;
        objnumbers::appendDigits(++s, end, mantissa, digits);
        exponent = -int(std::min<size_t>(digits - integerDigits, 64));
    }
    // No digits (inf, nan, ".") or too many for the mantissa, or hexadecimal after a "0".
    if (digits == 0 || digits > 19 || (s != end && (*s == 'x' || *s == 'X')))
        return parseFloatSlow(p, end, out);
    if (s != end && (*s == 'e' || *s == 'E')) {
        const char* e = s + 1;
        bool negativeExponent = false;
        if (e != end && (*e == '+' || *e == '-')) {
            negativeExponent = *e == '-';
            ++e;
        }
        if (digitAt(e, end)) { // otherwise the "e" is not part of the number
            int value = 0;
            for (; digitAt(e, end); ++e)
                value = std::min(value * 10 + (*e - '0'), 100000);
            exponent += negativeExponent ? -value : value;
            s = e;
        }
    }
    float value = 0.0f;
    if (mantissa != 0 && mantissa <= kExactFloatMantissa && exponent >= -10 && exponent <= 10) {
        // Both operands are exact floats: one correctly rounded float operation.
        value = exponent < 0 ? float(mantissa) / kPow10Float[-exponent]
                             : float(mantissa) * kPow10Float[exponent];
    } else if (mantissa != 0) {
        if (mantissa > (uint64_t(1) << 53) || exponent < -22 || exponent > 22)
            return parseFloatSlow(p, end, out);
        const double d = exponent < 0 ? double(mantissa) / kPow10[-exponent]
                                      : double(mantissa) * kPow10[exponent];
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        const bool halfWay = (bits & ((uint64_t(1) << 29) - 1)) == (uint64_t(1) << 28);
        if (d < double(FLT_MIN) || d > double(FLT_MAX) || halfWay)
            return parseFloatSlow(p, end, out);
        value = float(d);
    }
    out = negative ? -value : value;
    p = s;
    return true;
}
