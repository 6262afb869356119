#include "ProgressLine.h"

#include <cmath>
#include <cstdio>
#include <iostream>

std::ostream& ErrorAfterProgressLine() {
    std::cout << std::endl;
    return std::cerr;
}

std::string MinutesSeconds(double seconds) {
    const long whole = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

void ProgressLine::update(std::uint64_t done, bool last) {
    const Clock::time_point now = Clock::now();
    if (last && done == shownDone) {
        std::cout << std::endl; // the line already shows it
        return;
    }
    if (!last && now - shown < std::chrono::milliseconds(250))
        return;
    shown = now;
    shownDone = done;
    const double rate = framesPerSecond(done);
    const double left = rate > 0.0 ? static_cast<double>(total - done) / rate : 0.0;
    char text[200];
    std::snprintf(text, sizeof text,
                  "\r%s %3d%%  frame %llu/%llu  %.1f fps (%.2fx real time)  %s left ", verb,
                  static_cast<int>(total ? 100 * done / total : 100),
                  static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                  rate, rate / showRate, MinutesSeconds(left).c_str());
    std::cout << text << (last ? "\n" : "") << std::flush;
}

double ProgressLine::seconds() const {
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

double ProgressLine::framesPerSecond(std::uint64_t done) const {
    const double s = seconds();
    return s > 0.0 ? static_cast<double>(done) / s : 0.0;
}
