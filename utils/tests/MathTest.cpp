#include "Angles.h"
#include "Matrix4.h"
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

void ExpectMatrixNear(const Matrix4& a, const Matrix4& b, float tolerance) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a[i], b[i], tolerance) << "entry " << i;
}

Quaternion AxisAngle(Vector3 axis, float degrees) {
    axis = axis.normalized();
    const float half = DegreesToRadians(degrees) * 0.5f;
    const float s = std::sin(half);
    return {std::cos(half), axis.x * s, axis.y * s, axis.z * s};
}

} // namespace

TEST(VectorMath, CrossDotAndNormalise) {
    const Vector3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    const Vector3 xy = x.cross(y);
    EXPECT_EQ(xy.z, 1.0f);
    EXPECT_EQ(y.cross(z).x, 1.0f);
    EXPECT_EQ(z.cross(x).y, 1.0f);
    const Vector3 a(1, 2, 3), b(-4, 5, 0.5f);
    EXPECT_NEAR(a.cross(b).dot(a), 0.0f, 1e-5f);
    EXPECT_NEAR(a.cross(b).dot(b), 0.0f, 1e-5f);
    EXPECT_NEAR(Vector3(3, 0, 4).normalized().z, 0.8f, 1e-7f);
    EXPECT_NEAR(a.normalized().length(), 1.0f, 1e-6f);
}

TEST(VectorMath, NearlyEqualIsRelativeExceptAgainstZero) {
    EXPECT_TRUE(NearlyEqual(5e-7f, 0.0f));
    EXPECT_FALSE(NearlyEqual(2e-6f, 0.0f));
    EXPECT_TRUE(NearlyEqual(1000.0f, 1000.0005f));
    EXPECT_FALSE(NearlyEqual(1000.0f, 1000.01f));
    EXPECT_TRUE(NearlyEqual(-3.0f, -3.0f));
}

TEST(QuaternionMath, MatrixRoundTripCoversEveryBranch) {
    // Small angles take the positive-trace branch; half turns about each axis need the
    // largest-diagonal branch with i = 0, 1 and 2.
    const Quaternion cases[] = {
        Quaternion(),
        AxisAngle({1, 0, 0}, 30),
        AxisAngle({0, 1, 0}, -75),
        AxisAngle({1, 2, 3}, 120),
        AxisAngle({1, 0, 0}, 180),
        AxisAngle({0, 1, 0}, 180),
        AxisAngle({0, 0, 1}, 180),
        AxisAngle({1, 1, 0.2f}, 170),
        AxisAngle({0.1f, 1, -1}, 200),
    };
    for (const Quaternion& q : cases) {
        const Quaternion back = Quaternion::FromMatrix(q.toMatrix());
        // q and -q are the same rotation.
        const float sign = (back.w * q.w + back.x * q.x + back.y * q.y + back.z * q.z) < 0 ? -1 : 1;
        EXPECT_NEAR(back.w * sign, q.w, 1e-5f);
        EXPECT_NEAR(back.x * sign, q.x, 1e-5f);
        EXPECT_NEAR(back.y * sign, q.y, 1e-5f);
        EXPECT_NEAR(back.z * sign, q.z, 1e-5f);
        ExpectMatrixNear(back.toMatrix(), q.toMatrix(), 1e-5f);
    }
}

TEST(QuaternionMath, ProductComposesRotations) {
    const Quaternion p = AxisAngle({0, 1, 0}, 40);
    const Quaternion q = AxisAngle({1, -1, 2}, 65);
    ExpectMatrixNear((p * q).toMatrix(), Multiply(p.toMatrix(), q.toMatrix()), 1e-5f);
    ExpectMatrixNear((q * p).toMatrix(), Multiply(q.toMatrix(), p.toMatrix()), 1e-5f);
    // Not commutative: the two orders really differ.
    EXPECT_GT(std::fabs((p * q).x - (q * p).x) + std::fabs((p * q).z - (q * p).z), 1e-3f);
}

TEST(MatrixMath, EulerMatrixIsARotation) {
    const float angles[][3] = {{0, 0, 0}, {0.3f, -1.1f, 2.0f}, {-2.5f, 0.7f, -0.4f}};
    for (const auto& a : angles) {
        const Matrix4 r = Matrix4::FromEuler(a[0], a[1], a[2]);
        Matrix4 transposed = Matrix4::Zero();
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 4; ++col)
                transposed[col * 4 + row] = r.at(col, row);
        ExpectMatrixNear(Multiply(r, transposed), Matrix4::Identity(), 1e-5f);
    }
    // A pure first angle turns about the y axis.
    const Matrix4 heading = Matrix4::FromEuler(DegreesToRadians(90), 0, 0);
    EXPECT_NEAR(heading.at(0, 2), 1.0f, 1e-6f);
    EXPECT_NEAR(heading.at(2, 0), -1.0f, 1e-6f);
    EXPECT_NEAR(heading.at(1, 1), 1.0f, 1e-6f);
}
