#pragma once

// Degrees become radians with this single-precision pi (not the nearest float to pi), so the
// camera, the wedge tables and the sample sets all turn by the same amounts.
constexpr float kPi = 3.1415925f;

inline float DegreesToRadians(float degrees) {
    return degrees * kPi / 180.0f;
}
