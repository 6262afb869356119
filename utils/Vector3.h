#pragma once

#include <cmath>
#include <ostream>

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    Vector3 operator+(const Vector3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    Vector3 operator-(const Vector3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    Vector3 operator-() const { return {-x, -y, -z}; }
    Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vector3& operator+=(const Vector3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }

    float dot(const Vector3& v) const { return x * v.x + y * v.y + z * v.z; }
    Vector3 cross(const Vector3& v) const {
        return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
    }
    float length() const { return std::sqrt(dot(*this)); }
    // No zero-length guard: callers never hand in a zero vector.
    Vector3 normalized() const { return *this * (1.0f / std::sqrt(dot(*this))); }
};

inline Vector3 operator*(float s, const Vector3& v) {
    return v * s;
}

// Relative comparison; against 0 it is an absolute one.
inline bool NearlyEqual(float a, float b) {
    const float d = (b == 0.0f) ? 1.0f : b;
    return std::fabs((a - b) / d) < 1e-6f;
}

// Written as "[x, y, z]".
inline std::ostream& operator<<(std::ostream& out, const Vector3& v) {
    return out << "[" << v.x << ", " << v.y << ", " << v.z << "]";
}
