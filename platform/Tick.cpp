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

} // namespace

std::uint32_t tickMs() {
    return tickSource.load()();
}

void setTickSource(TickSource source) {
    tickSource.store(source ? source : &systemTickMs);
}

} // namespace platform
