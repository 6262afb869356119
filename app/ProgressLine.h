#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

// Standard error, after ending an unfinished progress line on standard output, so a message
// never lands in the middle of that line.
std::ostream& ErrorAfterProgressLine();

// "m:ss".
std::string MinutesSeconds(double seconds);

// The progress of a run of frames of the show: one console line, rewritten in place about four
// times a second, "<verb> pct%  frame done/total  fps (x real time)  time left".
class ProgressLine {
  public:
    ProgressLine(const char* verb, std::uint64_t total, int showFramesPerSecond)
        : verb(verb), total(total), showRate(showFramesPerSecond) {}

    void update(std::uint64_t done, bool last = false);

    double seconds() const;
    double framesPerSecond(std::uint64_t done) const;

  private:
    using Clock = std::chrono::steady_clock;

    const char* verb;
    std::uint64_t total;
    int showRate;
    Clock::time_point begin = Clock::now();
    Clock::time_point shown{};
    std::uint64_t shownDone = 0;
};
