#include "Angles.h"
#include "Quaternion.h"
#include "Vector3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r = Matrix4::Zero();
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            for (int i = 0; i < 4; ++i)
                r[col * 4 + row] += a.at(row, i) * b.at(i, col);
    return r;
}

Quaternion AxisAngle(Vector3 axis, float degrees) {
    axis = axis.normalized();
    const float half = DegreesToRadians(degrees) * 0.5f;
    return {std::cos(half), axis.x * std::sin(half), axis.y * std::sin(half),
            axis.z * std::sin(half)};
}

} // namespace

TEST(QuaternionMath, MatrixRoundTripCoversEveryBranch) {
    // Small angles take the positive-trace branch; half turns about each axis need the
    // largest-diagonal branch with i = 0, 1 and 2.
    const Quaternion cases[] = {AxisAngle({1, 0, 0}, 30),     AxisAngle({1, 2, 3}, 120),
                                AxisAngle({1, 0, 0}, 180),    AxisAngle({0, 1, 0}, 180),
                                AxisAngle({0, 0, 1}, 180),    AxisAngle({1, 1, 0.2f}, 170),
                                AxisAngle({0.1f, 1, -1}, 200)};
    for (const Quaternion& q : cases) {
        Quaternion back = Quaternion::FromMatrix(q.toMatrix());
        if (back.w * q.w + back.x * q.x + back.y * q.y + back.z * q.z < 0) // -q is the same turn
            back = Quaternion(-back.w, -back.x, -back.y, -back.z);
        EXPECT_NEAR(back.w, q.w, 1e-5f);
        EXPECT_NEAR(back.x, q.x, 1e-5f);
        EXPECT_NEAR(back.y, q.y, 1e-5f);
        EXPECT_NEAR(back.z, q.z, 1e-5f);
    }
}

TEST(QuaternionMath, ProductComposesRotationsInOrder) {
    const Quaternion p = AxisAngle({0, 1, 0}, 40);
    const Quaternion q = AxisAngle({1, -1, 2}, 65);
    const Matrix4 pq = (p * q).toMatrix(), qp = (q * p).toMatrix();
    const Matrix4 expectedPq = Multiply(p.toMatrix(), q.toMatrix());
    const Matrix4 expectedQp = Multiply(q.toMatrix(), p.toMatrix());
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(pq[i], expectedPq[i], 1e-5f) << "entry " << i;
        EXPECT_NEAR(qp[i], expectedQp[i], 1e-5f) << "entry " << i;
    }
}
