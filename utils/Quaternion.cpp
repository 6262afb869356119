#include "Quaternion.h"

#include <cmath>

Quaternion Quaternion::operator*(const Quaternion& q) const {
    return {w * q.w - x * q.x - y * q.y - z * q.z, w * q.x + x * q.w + y * q.z - z * q.y,
            w * q.y - x * q.z + y * q.w + z * q.x, w * q.z + x * q.y - y * q.x + z * q.w};
}

Matrix4 Quaternion::toMatrix() const {
    Matrix4 r = Matrix4::Zero();
    r.m[0] = 1.0f - 2.0f * (y * y + z * z);
    r.m[1] = 2.0f * (x * y + w * z);
    r.m[2] = 2.0f * (x * z - w * y);
    r.m[4] = 2.0f * (x * y - w * z);
    r.m[5] = 1.0f - 2.0f * (x * x + z * z);
    r.m[6] = 2.0f * (y * z + w * x);
    r.m[8] = 2.0f * (x * z + w * y);
    r.m[9] = 2.0f * (y * z - w * x);
    r.m[10] = 1.0f - 2.0f * (x * x + y * y);
    r.m[15] = 1.0f;
    return r;
}

Quaternion Quaternion::FromMatrix(const Matrix4& m) {
    Quaternion q;
    const float trace = m[0] + m[5] + m[10];
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f);
        q.w = 0.5f * s;
        const float f = 0.5f / s;
        q.x = (m[6] - m[9]) * f;
        q.y = (m[8] - m[2]) * f;
        q.z = (m[1] - m[4]) * f;
        return q;
    }

    // Start from the largest diagonal entry, so s stays well away from 0.
    int i = 0;
    if (m[0] < m[5])
        i = 1;
    if (m.at(i, i) < m[10])
        i = 2;
    const int j = (i + 1) % 3;
    const int k = (j + 1) % 3;
    const float s = std::sqrt(m.at(i, i) - (m.at(j, j) + m.at(k, k)) + 1.0f);
    float v[3];
    v[i] = 0.5f * s;
    const float f = 0.5f / s;
    q.w = (m.at(k, j) - m.at(j, k)) * f;
    v[j] = (m.at(i, j) + m.at(j, i)) * f;
    v[k] = (m.at(i, k) + m.at(k, i)) * f;
    q.x = v[0];
    q.y = v[1];
    q.z = v[2];
    return q;
}
