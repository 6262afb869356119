#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32: the one clock every timer reads.
std::uint32_t tickMs();

// Replaces the clock (tests); nullptr restores the system clock.
using TickSource = std::uint32_t (*)();
void setTickSource(TickSource source);

} // namespace platform
