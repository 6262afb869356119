#include "Camera.h"
#include "Angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

void ExpectVector(const Vector3& v, const Vector3& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, expected.x, tolerance);
    EXPECT_NEAR(v.y, expected.y, tolerance);
    EXPECT_NEAR(v.z, expected.z, tolerance);
}

} // namespace

TEST(CameraLookAt, AxesTranslationOrientationAndItsRebuild) {
    Camera c;
    c.lookAt({0, 0, 5}, {0, 0, 0}, {0, 1, 0});
    ExpectVector(c.xAxis, {1, 0, 0});
    ExpectVector(c.yAxis, {0, 1, 0});
    ExpectVector(c.viewDirection, {0, 0, -1});
    ExpectVector({c.viewMatrix[12], c.viewMatrix[13], c.viewMatrix[14]}, {0, 0, -5});
    EXPECT_NEAR(c.orientation.w, 1.0f, 1e-6f);

    // updateViewMatrix rebuilds the same matrix from the orientation and position.
    const Vector3 eyes[] = {{7.57824f, 2.2425f, 10.0493f}, {-4, 3, -1}, {2.5f, 6, -3}};
    for (const Vector3& eye : eyes) {
        c.lookAt(eye, {2.5f, 0.5f, 2.5f}, {0, 1, 0});
        const Matrix4 built = c.viewMatrix;
        c.updateViewMatrix();
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(c.viewMatrix[i], built[i], 1e-4f) << "entry " << i;
    }
}

TEST(CameraProjection, PerspectiveMatrix) {
    Camera c;
    c.setPerspective(45, 1, 0.01f, 1000);
    const Matrix4& m = c.projectionMatrix;
    EXPECT_NEAR(m[0], 2.41421f, 1e-5f);
    EXPECT_NEAR(m[5], 2.41421f, 1e-5f);
    EXPECT_NEAR(m[10], -1.00002f, 1e-6f);
    EXPECT_NEAR(m[14], -0.0200002f, 1e-8f);
    EXPECT_EQ(m[11], -1.0f);
    EXPECT_EQ(m[15], 0.0f);
    c.setPerspective(45, 4.0f / 3.0f, 0.01f, 1000);
    EXPECT_NEAR(c.projectionMatrix[0], 3.2189f, 1e-4f);
    EXPECT_NEAR(c.projectionMatrix[5], 4.2919f, 1e-4f);
}

TEST(CameraRotate, TurnsTheOrientationAndTheAxes) {
    Camera c;
    c.rotate(0, 0, 0);
    EXPECT_EQ(c.orientation.w, 1.0f);
    c.rotate(90, 0, 0);
    EXPECT_NEAR(c.orientation.w, 0.70711f, 1e-5f);
    EXPECT_NEAR(c.orientation.y, -0.70711f, 1e-5f);
    ExpectVector(c.viewDirection, {-1, 0, 0});
    // move then goes along the new right axis (-z), world up and the view direction.
    c.move(1, 2, 3);
    ExpectVector(c.position, {-3, 2, -1});
    EXPECT_NEAR(c.viewMatrix[13], -2.0f, 1e-5f);

    Camera pitched;
    pitched.rotate(0, 10, 0);
    EXPECT_NEAR(pitched.viewDirection.y, std::sin(DegreesToRadians(10)), 1e-6f);
}

TEST(CameraFlight, AcceleratesToTheLimitAndBrakesToExactlyZero) {
    Camera c;
    c.acceleration = Vector3(80, 80, 80);
    c.maxVelocity = Vector3(50, 50, 50);
    // From rest the first step moves nothing and only raises the velocity.
    c.updatePosition({0, 0, 1}, 0.1f);
    ExpectVector(c.position, {0, 0, 0});
    EXPECT_FLOAT_EQ(c.velocity.z, 8.0f);
    c.updatePosition({0, 0, 1}, 0.01f); // then v t + a t^2 / 2 forward, along -z
    ExpectVector(c.position, {0, 0, -(8.0f * 0.01f + 40.0f * 0.01f * 0.01f)});
    for (int i = 0; i < 10; ++i)
        c.updateVelocity({0, 0, 1}, 0.1f);
    EXPECT_EQ(c.velocity.z, 50.0f);

    for (int i = 0; i < 7; ++i) {
        c.updateVelocity({0, 0, 0}, 0.1f);
        EXPECT_GE(c.velocity.z, 0.0f);
    }
    EXPECT_EQ(c.velocity.z, 0.0f);
    c.updateVelocity({-1, 0, 0}, 1.0f);
    EXPECT_EQ(c.velocity.x, -50.0f);
    c.updateVelocity({0, 0, 0}, 0.7f);
    EXPECT_EQ(c.velocity.x, 0.0f);
    EXPECT_EQ(c.velocity.y, 0.0f);
}

TEST(CameraSetup, ValidPoseProjectionAndPaths) {
    const std::string dir = testing::TempDir();
    std::ofstream(dir + "pos.txt") << "1 0 0\n0 0 1\n-1 0 0\n0 0 -1\n";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    setupCamera(dir + "pos.txt", dir + "pos.txt", dir + "missing_up.txt", 1024, 768);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(out.rfind("Spline\n\t\tLength: 11.3137\n", 0), 0u);
    EXPECT_EQ(out.substr(out.size() - 3), "]\n\n");
    EXPECT_NE(err.find("missing_up.txt"), std::string::npos);
    ASSERT_TRUE(camera.positionPath && camera.viewPath && camera.upPath);
    EXPECT_EQ(camera.upPath->numControlPoints(), 0);
    // The start-up look-at must leave a usable orientation, not NaN.
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(std::isfinite(camera.viewMatrix[i])) << "entry " << i;
    ExpectVector(camera.position, {4.08942f, 3.86375f, 1.28896f});
    EXPECT_NEAR(camera.projectionMatrix[0], 3.2189f, 1e-4f);
    camera = Camera();
}
