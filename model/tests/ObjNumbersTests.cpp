#include "ObjNumbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <vector>

// Every float equals strtof's, also for the forms the fast path hands over, and nothing is read
// past the span: each text lies in a buffer of exactly its own length.
TEST(ObjNumbers, FloatsEqualStrtofAndStayInsideTheSpan) {
    std::istringstream awkward("0x1.8p1 inf -nan 1e40 1e-50 1e-40 16777217 33554433.0 "
                               "1.00000017881393432617187499 +.5 7. 0000000000000000000000001.5 "
                               "3.4028235677973366e38 1e 2e+ .e1 - . 12345678 123456789.25 -0");
    std::vector<std::string> texts;
    for (std::string t; awkward >> t;)
        texts.push_back(t);
    std::mt19937 rng(7);
    for (int i = 0; i < 30000; ++i) {
        const std::string digits = std::to_string(rng() | 1u << 31) + std::to_string(rng());
        texts.push_back((rng() % 2 ? "-" : "") + digits.substr(0, rng() % 10) + "." +
                        digits.substr(10, rng() % 11) +
                        (rng() % 4 ? "" : "e" + std::to_string(int(rng() % 60) - 30)) +
                        (rng() % 3 ? "" : "/x"));
    }
    for (const std::string& text : texts) {
        const std::vector<char> span(text.begin(), text.end());
        const char* p = span.data();
        float got = 99.0f;
        const bool read = parseFloat(p, span.data() + span.size(), got);
        char* stop = nullptr;
        const float want = std::strtof(text.c_str(), &stop);
        ASSERT_EQ(read, stop != text.c_str()) << text;
        if (!read) {
            EXPECT_EQ(got, 99.0f) << text;
            continue;
        }
        EXPECT_EQ(p - span.data(), stop - text.c_str()) << text;
        EXPECT_TRUE(std::isnan(want) ? std::isnan(got) : std::memcmp(&want, &got, 4) == 0)
            << text << " " << got;
    }
}

TEST(ObjNumbers, IntegersReadLikeScanfAndSaturate) {
    const struct {
        const char* text;
        bool read;
        int value;
        size_t used;
    } cases[] = {
        {"42", true, 42, 2},
        {"-7/3", true, -7, 2},
        {"+12345678", true, 12345678, 9},
        {"123456789 ", true, 123456789, 9},
        {"2147483647", true, INT_MAX, 10},
        {"2147483648", true, INT_MAX, 10},
        {"-2147483648", true, INT_MIN, 11},
        {"-99999999999999999999999", true, INT_MIN, 24},
        {"-", false, 0, 0},
        {"/1", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const auto& c : cases) {
        const std::vector<char> span(c.text, c.text + std::strlen(c.text));
        const char* p = span.data();
        int value = 0;
        EXPECT_EQ(parseInt(p, span.data() + span.size(), value), c.read) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(size_t(p - span.data()), c.used) << c.text;
    }
}
