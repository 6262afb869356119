#pragma once

// Character classes of the C locale, for the text readers (no locale lookups, no sign traps
// with plain char).
inline bool isSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
