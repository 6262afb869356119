#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32: the one clock every timer reads.
std::uint32_t tickMs();

// The same clock with the fraction of a millisecond the frame clock has; the tick as it is
// otherwise. Timers read this one, so a recorded show's frames fall at exact times.
double tickMsExact();

// Replaces the clock (tests); nullptr restores the system clock.
using TickSource = std::uint32_t (*)();
void setTickSource(TickSource source);

// Recording: the clock stands at 0 and moves only by advanceFrameClock, by exactly
// 1000 / framesPerSecond ms a frame (frame n reads n * 1000 / framesPerSecond, computed afresh, so
// no rounding accumulates), however long a frame takes to make. 0 hands the clock back to the
// tick source.
void useFrameClock(int framesPerSecond);
void advanceFrameClock();

} // namespace platform
