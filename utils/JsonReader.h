#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A reader for JSON text (RFC 8259) from bytes in memory: the benchmark's reports. Text from a
// file is untrusted: every read is bounded by the text, nesting deeper than maxJsonDepth is
// refused rather than recursed into, and numbers that do not fit a double are refused.

constexpr int maxJsonDepth = 32;

struct JsonValue {
    enum class Type { null, boolean, number, string, array, object };

    Type type = Type::null;
    bool boolean = false;
    double number = 0.0;
    std::string string;
    std::vector<JsonValue> items;                           // an array's
    std::vector<std::pair<std::string, JsonValue>> members; // an object's, in order

    // An object's member by name (the first of that name); nullptr when there is none.
    const JsonValue* find(std::string_view name) const;
};

// The value the whole text holds; false with error set (what and where) otherwise.
bool ParseJson(std::string_view text, JsonValue& value, std::string& error);
