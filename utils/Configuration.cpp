#include "Configuration.h"

#include "ByteCursor.h"
#include "FileBytes.h"

#include <algorithm>
#include <iostream>
#include <sstream>

namespace Utils {

namespace {

// Lines are handled in pieces of at most this many characters; the rest of a longer line is
// dropped so that the lines after it are still read.
constexpr std::size_t kMaxLineLength = 999;

template <typename T> T parseNumber(const std::string& value) {
    T result = 0;
    std::istringstream in(value);
    in >> result; // a string that does not start with a number leaves 0
    return result;
}

} // namespace

Configuration::Configuration(const std::string& fileName) {
    FileBytes file;
    const FileBytes::Status status = file.readFile(fileName);
    if (status == FileBytes::OpenFailed) {
        std::cout << "ERROR: cannot open configuration file " << fileName << "." << std::endl;
        return;
    }
    if (status != FileBytes::Ok) {
        std::cout << "ERROR: Bad file " << fileName << "." << std::endl;
        return;
    }
    if (file.size() == 0) {
        std::cout << "ERROR: Empty file " << fileName << "." << std::endl;
        return;
    }
    parse(file.data(), file.size());
}

Configuration::Configuration(const unsigned char* bytes, std::size_t size) {
    parse(bytes, size);
}

void Configuration::parse(const unsigned char* bytes, std::size_t size) {
    ByteCursor in(bytes, size);
    const unsigned char* start = nullptr;
    std::size_t length = 0;
    while (in.readLine(start, length)) {
        std::string line(reinterpret_cast<const char*>(start), length);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kMaxLineLength)
            line.resize(kMaxLineLength);
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        properties[trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
    }
}

std::string Configuration::GetValue(const std::string& key) const {
    const auto it = properties.find(key);
    if (it == properties.end()) {
        std::cout << "Configuration::GetValue(): Cannot find the property " << key << std::endl;
        return std::string();
    }
    return it->second;
}

int Configuration::toInt(const std::string& value) {
    return parseNumber<int>(value);
}
float Configuration::toFloat(const std::string& value) {
    return parseNumber<float>(value);
}
double Configuration::toDouble(const std::string& value) {
    return parseNumber<double>(value);
}
bool Configuration::toBool(const std::string& value) {
    return value == "true";
}

std::string Configuration::joinPath(const std::string& folder, const std::string& file) {
    return folder + file;
}

// Removes a leading or trailing run made only of tabs or only of spaces; a mixed run is only
// partly removed, and a string of nothing but spaces (or tabs) is kept as it is.
std::string Configuration::trim(const std::string& text) {
    if (text.empty())
        return text;
    const std::size_t npos = std::string::npos;
    const std::size_t a = text.find_first_not_of('\t');
    const std::size_t b = text.find_first_not_of(' ');
    const std::size_t start = a == npos ? b : (b == npos ? 0 : std::max(a, b));
    const std::size_t c = text.find_last_not_of('\t');
    const std::size_t d = text.find_last_not_of(' ');
    const std::size_t end = c == npos ? d : (d == npos ? text.size() : std::min(c, d));
    if (end + 1 <= start)
        return std::string();
    return text.substr(start, end - start + 1);
}

} // namespace Utils
