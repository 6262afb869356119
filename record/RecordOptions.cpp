#include "RecordOptions.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// A whole decimal number of at most six digits, no sign or spaces; -1 otherwise.
int parseCount(const std::string& text) {
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stoi(text);
}

bool endsWithNoCase(const std::string& text, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    if (text.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i])
            return false;
    return true;
}

std::string checkFile(const std::string& file) {
    if (file.empty())
        return "--record needs a file name";
    if (!endsWithNoCase(file, ".mp4") && !endsWithNoCase(file, ".mkv"))
        return "the recording must be an .mp4 or .mkv file: '" + file + "'";
    return "";
}

std::string parseFps(const std::string& text, int& fps) {
    fps = parseCount(text);
    if (fps < minRecordFps || fps > maxRecordFps)
        return "--fps must be a whole number from " + std::to_string(minRecordFps) + " to " +
               std::to_string(maxRecordFps) + ": '" + text + "'";
    return "";
}

std::string parseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    width = x == std::string::npos ? -1 : parseCount(text.substr(0, x));
    height = x == std::string::npos ? -1 : parseCount(text.substr(x + 1));
    if (width < 0 || height < 0)
        return "--size must be WIDTHxHEIGHT, for example 1280x720: '" + text + "'";
    if (width < minRecordSize || height < minRecordSize || width > maxRecordWidth ||
        height > maxRecordHeight)
        return "--size must lie between " + std::to_string(minRecordSize) + "x" +
               std::to_string(minRecordSize) + " and " + std::to_string(maxRecordWidth) + "x" +
               std::to_string(maxRecordHeight) + ": '" + text + "'";
    if (width % 2 != 0 || height % 2 != 0)
        return "--size must have an even width and height (H.264 4:2:0): '" + text + "'";
    return "";
}

} // namespace

CommandLine ParseCommandLine(int argc, const char* const argv[]) {
    CommandLine line;
    bool seenRecord = false, seenFps = false, seenSize = false, seenLossless = false;
    for (int i = 1; i < argc && line.error.empty(); ++i) {
        std::string flag = argv[i], value;
        const std::size_t equals = flag.find('=');
        const bool inlineValue = flag.rfind("--", 0) == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = flag.substr(equals + 1);
            flag.resize(equals);
        }
        if (flag == "--help" || flag == "-h" || flag == "--lossless") {
            if (inlineValue)
                line.error = flag + " takes no value";
            (flag == "--lossless" ? seenLossless : line.help) = true;
            continue;
        }
        bool* seen = flag == "--record" ? &seenRecord
                     : flag == "--fps"  ? &seenFps
                     : flag == "--size" ? &seenSize
                                        : nullptr;
        if (!seen) {
            line.error = "unknown argument '" + std::string(argv[i]) + "'";
            break;
        }
        if (*seen) {
            line.error = flag + " is given twice";
            break;
        }
        *seen = true;
        if (!inlineValue) {
            if (i + 1 >= argc) {
                line.error = flag + " needs a value";
                break;
            }
            value = argv[++i];
        }
        if (flag == "--record") {
            line.record.file = value;
            line.error = checkFile(value);
        } else if (flag == "--fps") {
            line.error = parseFps(value, line.record.framesPerSecond);
        } else {
            line.error = parseSize(value, line.record.width, line.record.height);
        }
    }
    if (line.error.empty() && (seenFps || seenSize || seenLossless) && !seenRecord)
        line.error = std::string(seenFps    ? "--fps"
                                 : seenSize ? "--size"
                                            : "--lossless") +
                     " is for recording: add --record FILE";
    // FFV1, the lossless video, has a place in Matroska only.
    if (line.error.empty() && seenLossless && !endsWithNoCase(line.record.file, ".mkv"))
        line.error = "--lossless records into an .mkv file: '" + line.record.file + "'";
    line.record.lossless = seenLossless;
    if (!line.error.empty())
        line.record = RecordOptions{};
    return line;
}
