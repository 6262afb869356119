#pragma once

#include "Matrix4.h"

// Rotation quaternion, components in the order w, x, y, z.
struct Quaternion {
    float w = 1.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Quaternion() = default;
    Quaternion(float w_, float x_, float y_, float z_) : w(w_), x(x_), y(y_), z(z_) {}

    // Hamilton product: the rotation q applied after this one is q * (*this).
    Quaternion operator*(const Quaternion& q) const;

    Matrix4 toMatrix() const;
    // From the upper 3 x 3 of a rotation matrix.
    static Quaternion FromMatrix(const Matrix4& m);
};
