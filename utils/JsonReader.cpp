#include "JsonReader.h"

#include "CharClass.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

class Reader {
  public:
    explicit Reader(std::string_view text) : text(text) {}

    bool document(JsonValue& value) {
        if (!parse(value, 0))
            return false;
        skipSpace();
        return at == text.size() || fail("text after the value");
    }

    std::string error;

  private:
    bool fail(const char* what) {
        if (error.empty())
            error = std::string(what) + " at byte " + std::to_string(at);
        return false;
    }

    void skipSpace() {
        while (at < text.size() &&
               (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
            ++at;
    }

    bool literal(const char* word) {
        const std::size_t n = std::strlen(word);
        if (text.substr(at, n) != word)
            return fail("an unknown word");
        at += n;
        return true;
    }

    bool parse(JsonValue& value, int depth) {
        if (depth > maxJsonDepth)
            return fail("nesting too deep");
        skipSpace();
        if (at >= text.size())
            return fail("the text ends where a value should be");
        value = JsonValue{};
        const char c = text[at];
        if (c == '{')
            return object(value, depth);
        if (c == '[')
            return array(value, depth);
        if (c == '"') {
            value.type = JsonValue::Type::string;
            return string(value.string);
        }
        if (c == 't' || c == 'f') {
            value.type = JsonValue::Type::boolean;
            value.boolean = c == 't';
            return literal(c == 't' ? "true" : "false");
        }
        if (c == 'n')
            return literal("null");
        value.type = JsonValue::Type::number;
        return number(value.number);
    }

    bool object(JsonValue& value, int depth) {
        value.type = JsonValue::Type::object;
        ++at; // {
        skipSpace();
        if (at < text.size() && text[at] == '}') {
            ++at;
            return true;
        }
        for (;;) {
            skipSpace();
            std::string name;
            if (at >= text.size() || text[at] != '"' || !string(name))
                return fail("a member name was expected");
            skipSpace();
            if (at >= text.size() || text[at] != ':')
                return fail("':' was expected");
            ++at;
            value.members.emplace_back(std::move(name), JsonValue{});
            if (!parse(value.members.back().second, depth + 1))
                return false;
            if (!separator('}'))
                return false;
            if (text[at - 1] == '}')
                return true;
        }
    }

    bool array(JsonValue& value, int depth) {
        value.type = JsonValue::Type::array;
        ++at; // [
        skipSpace();
        if (at < text.size() && text[at] == ']') {
            ++at;
            return true;
        }
        for (;;) {
            value.items.emplace_back();
            if (!parse(value.items.back(), depth + 1))
                return false;
            if (!separator(']'))
                return false;
            if (text[at - 1] == ']')
                return true;
        }
    }

    // A ',' or the closing character, consumed.
    bool separator(char close) {
        skipSpace();
        if (at < text.size() && (text[at] == ',' || text[at] == close)) {
            ++at;
            return true;
        }
        return fail(close == '}' ? "',' or '}' was expected" : "',' or ']' was expected");
    }

    bool string(std::string& out) {
        ++at; // "
        while (at < text.size() && text[at] != '"') {
            const unsigned char c = static_cast<unsigned char>(text[at++]);
            if (c < 0x20)
                return fail("a control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (at >= text.size())
                break;
            const char e = text[at++];
            const char* const escapes = "\"\\/bfnrt";
            const char* const meanings = "\"\\/\b\f\n\r\t";
            if (const char* found = std::strchr(escapes, e); found && e != '\0') {
                out += meanings[found - escapes];
            } else if (e == 'u') {
                unsigned code = 0;
                for (int i = 0; i < 4; ++i, ++at) {
                    if (at >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[at])))
                        return fail("a bad \\u escape");
                    const char h = text[at];
                    code = code * 16 + (isDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
                }
                appendUtf8(out, code); // a surrogate stays as its own code unit
            } else {
                return fail("an unknown escape");
            }
        }
        if (at >= text.size())
            return fail("a string without its end");
        ++at; // "
        return true;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // The grammar's number, checked before strtod sees a copy of it (the text has no end mark).
    bool number(double& out) {
        const std::size_t start = at;
        auto digits = [&] {
            const std::size_t from = at;
            while (at < text.size() && isDigit(text[at]))
                ++at;
            return at > from;
        };
        if (at < text.size() && text[at] == '-')
            ++at;
        if (at < text.size() && text[at] == '0')
            ++at;
        else if (!digits())
            return fail("a value was expected");
        if (at < text.size() && text[at] == '.' && (++at, !digits()))
            return fail("a number without digits after its point");
        if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
            ++at;
            if (at < text.size() && (text[at] == '+' || text[at] == '-'))
                ++at;
            if (!digits())
                return fail("a number without digits in its exponent");
        }
        if (at - start > 64)
            return fail("a number too long");
        const std::string copy(text.substr(start, at - start));
        out = std::strtod(copy.c_str(), nullptr);
        return std::isfinite(out) || fail("a number too large");
    }

    std::string_view text;
    std::size_t at = 0;
};

} // namespace

const JsonValue* JsonValue::find(std::string_view name) const {
    for (const auto& [key, value] : members)
        if (key == name)
            return &value;
    return nullptr;
}

bool ParseJson(std::string_view text, JsonValue& value, std::string& error) {
    Reader reader(text);
    value = JsonValue{};
    if (reader.document(value))
        return true;
    error = reader.error;
    value = JsonValue{};
    return false;
}
