#include "Matrix4.h"

#include <cmath>

Matrix4 Matrix4::Zero() {
    Matrix4 result;
    for (float& v : result.m)
        v = 0.0f;
    return result;
}

Matrix4 Matrix4::FromEuler(float a1, float a2, float a3) {
    const float c1 = std::cos(a1), s1 = std::sin(a1);
    const float c2 = std::cos(a2), s2 = std::sin(a2);
    const float c3 = std::cos(a3), s3 = std::sin(a3);
    Matrix4 r = Zero();
    r.m[0] = c1 * c3 - s1 * s2 * s3;
    r.m[1] = s3 * c1 + s1 * c3 * s2;
    r.m[2] = -c2 * s1;
    r.m[4] = -s3 * c2;
    r.m[5] = c3 * c2;
    r.m[6] = s2;
    r.m[8] = c1 * s2 * s3 + s1 * c3;
    r.m[9] = s3 * s1 - c1 * c3 * s2;
    r.m[10] = c1 * c2;
    r.m[15] = 1.0f;
    return r;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 result = Matrix4::Zero();
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                result[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return result;
}

void transformPoint(const Matrix4& m, const float point[3], float result[4]) {
    for (int r = 0; r < 4; ++r)
        result[r] =
            m.at(r, 0) * point[0] + m.at(r, 1) * point[1] + m.at(r, 2) * point[2] + m.at(r, 3);
}
