#include "RecordOptions.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

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

// The size alone; the recording's evenness is checked once the whole line is read.
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
    return "";
}

std::string parseScene(const std::string& text, int& scene) {
    scene = text == "1" ? 1 : text == "2" ? 2 : 0;
    if (scene == 0 && text != "all")
        return "--scene must be 1, 2 or all: '" + text + "'";
    return "";
}

std::string parseLength(const std::string& flag, const std::string& text, int& frames) {
    const int most =
        flag == "--frames" ? maxBenchmarkSeconds * benchmarkFramesPerSecond : maxBenchmarkSeconds;
    const int count = parseCount(text);
    if (count < 1 || count > most)
        return flag + " must be a whole number from 1 to " + std::to_string(most) + ": '" + text +
               "'";
    frames = flag == "--frames" ? count : count * benchmarkFramesPerSecond;
    return "";
}

std::string parseFileName(const std::string& flag, const std::string& text, std::string& file) {
    file = text;
    return text.empty() ? flag + " needs a file name" : "";
}

// Flags that take no value, and those for one mode only.
const char* const switches[] = {"--benchmark", "--offscreen", "--lossless"};
const char* const benchmarkFlags[] = {"--scene",  "--frames", "--seconds",
                                      "--report", "--plot",   "--offscreen"};
const char* const valueFlags[] = {"--record",  "--fps",    "--size", "--scene",  "--frames",
                                  "--seconds", "--report", "--plot", "--compare"};

template <std::size_t n> bool among(const std::string& flag, const char* const (&names)[n]) {
    return std::find(std::begin(names), std::end(names), flag) != std::end(names);
}

// After every flag is read: what does not go together.
std::string checkCombination(const std::set<std::string>& seen, const CommandLine& line) {
    const int modes = seen.count("--record") + seen.count("--benchmark") + seen.count("--compare");
    if (modes > 1)
        return "--record, --benchmark and --compare each stand alone";
    for (const char* flag : {"--fps", "--lossless"})
        if (seen.count(flag) && !seen.count("--record"))
            return std::string(flag) + " is for recording: add --record FILE";
    // FFV1, the lossless video, has a place in Matroska only.
    if (seen.count("--lossless") && !endsWithNoCase(line.record.file, ".mkv"))
        return "--lossless records into an .mkv file: '" + line.record.file + "'";
    if (seen.count("--size") && !seen.count("--record") && !seen.count("--benchmark"))
        return "--size is for recording or the benchmark: add --record FILE or --benchmark";
    for (const char* flag : benchmarkFlags)
        if (seen.count(flag) && !seen.count("--benchmark"))
            return std::string(flag) + " is for the benchmark: add --benchmark";
    if (seen.count("--frames") && seen.count("--seconds"))
        return "give --frames or --seconds, not both";
    if (seen.count("--record") && (line.record.width % 2 != 0 || line.record.height % 2 != 0))
        return "--size must have an even width and height (H.264 4:2:0): '" +
               std::to_string(line.record.width) + "x" + std::to_string(line.record.height) + "'";
    return "";
}

} // namespace

CommandLine ParseCommandLine(int argc, const char* const argv[]) {
    CommandLine line;
    std::set<std::string> seen;
    for (int i = 1; i < argc && line.error.empty(); ++i) {
        std::string flag = argv[i], value;
        const std::size_t equals = flag.find('=');
        const bool inlineValue = flag.rfind("--", 0) == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = flag.substr(equals + 1);
            flag.resize(equals);
        }
        if (flag == "--help" || flag == "-h") {
            if (inlineValue)
                line.error = flag + " takes no value";
            line.help = true;
            continue;
        }
        if (!among(flag, switches) && !among(flag, valueFlags)) {
            line.error = "unknown argument '" + std::string(argv[i]) + "'";
            break;
        }
        if (!seen.insert(flag).second) {
            line.error = flag + " is given twice";
            break;
        }
        if (among(flag, switches)) {
            if (inlineValue)
                line.error = flag + " takes no value";
            line.benchmark.run |= flag == "--benchmark";
            line.benchmark.offscreen |= flag == "--offscreen";
            line.record.lossless |= flag == "--lossless";
            continue;
        }
        const int values = flag == "--compare" ? 2 : 1;
        if (!inlineValue || values == 2) {
            if (i + values - inlineValue >= argc) {
                line.error = flag + (values == 2 ? " needs two files" : " needs a value");
                break;
            }
            if (!inlineValue)
                value = argv[++i];
        }
        if (flag == "--record") {
            line.record.file = value;
            line.error = checkFile(value);
        } else if (flag == "--fps") {
            line.error = parseFps(value, line.record.framesPerSecond);
        } else if (flag == "--size") {
            line.error = parseSize(value, line.record.width, line.record.height);
            line.benchmark.width = line.record.width;
            line.benchmark.height = line.record.height;
        } else if (flag == "--scene") {
            line.error = parseScene(value, line.benchmark.scene);
        } else if (flag == "--frames" || flag == "--seconds") {
            line.error = parseLength(flag, value, line.benchmark.frames);
        } else if (flag == "--report") {
            line.error = parseFileName(flag, value, line.benchmark.report);
        } else if (flag == "--plot") {
            line.error = parseFileName(flag, value, line.benchmark.plot);
        } else { // --compare
            line.compareA = value;
            line.compareB = argv[++i];
            if (line.compareA.empty() || line.compareB.empty())
                line.error = "--compare needs two files";
        }
    }
    if (line.error.empty())
        line.error = checkCombination(seen, line);
    if (!line.error.empty()) {
        const bool help = line.help;
        const std::string error = line.error;
        line = CommandLine{};
        line.help = help;
        line.error = error;
    }
    return line;
}
