#include "Tick.h"

#include <atomic>
#include <chrono>

namespace platform {

namespace {

std::uint32_t systemTickMs() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

std::atomic<TickSource> tickSource{&systemTickMs};

// Frames per second of the frame clock; 0 while the tick source runs the clock.
std::atomic<int> frameClockRate{0};
std::atomic<std::uint64_t> frameClockFrame{0};

} // namespace

std::uint32_t tickMs() {
    if (const int rate = frameClockRate.load())
        return static_cast<std::uint32_t>(frameClockFrame.load() * 1000u /
                                          static_cast<std::uint64_t>(rate));
    return tickSource.load()();
}

double tickMsExact() {
    if (const int rate = frameClockRate.load())
        return static_cast<double>(frameClockFrame.load()) * 1000.0 / rate;
    return static_cast<double>(tickSource.load()());
}

void setTickSource(TickSource source) {
    tickSource.store(source ? source : &systemTickMs);
}

void useFrameClock(int framesPerSecond) {
    frameClockFrame.store(0);
    frameClockRate.store(framesPerSecond > 0 ? framesPerSecond : 0);
}

void advanceFrameClock() {
    ++frameClockFrame;
}

} // namespace platform
