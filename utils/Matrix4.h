#pragma once

// Sixteen floats in column order: m[c * 4 + r] is row r of column c. GL takes them as they are.
// Default-constructed as the identity.
struct Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    float at(int row, int column) const { return m[column * 4 + row]; }
    const float* data() const { return m; }

    // All sixteen entries zero.
    static Matrix4 Zero();
    // Rotation from three angles in radians, in the camera's own Euler order.
    static Matrix4 FromEuler(float a1, float a2, float a3);
};

// The product a x b: b applied first.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);

// The point (x, y, z, 1) carried through m, in homogeneous coordinates.
void transformPoint(const Matrix4& m, const float point[3], float result[4]);
