#include "CameraControls.h"

#include "Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kLeft = 0x25, kUp = 0x26, kDown = 0x28, kDigit2 = 0x32, kDigit3 = 0x33;

// The global camera after set-up, looking down -z from (0, 1, 5), with a loop around (2.5, 2.5).
class CameraControls : public testing::Test {
  protected:
    void SetUp() override {
        camera = Camera();
        camera.acceleration = Vector3(80, 80, 80);
        camera.maxVelocity = Vector3(50, 50, 50);
        camera.lookAt({0, 1, 5}, {0, 1, 0}, {0, 1, 0});
        camera.positionPath = std::make_unique<Spline>(
            std::vector<Vector3>{{6, 2, 2.5f}, {2.5f, 2, 6}, {-1, 2, 2.5f}, {2.5f, 2, -1}}, 0, 0,
            0);
        frame(); // nothing held: clears the latches an earlier test left set
    }
    void TearDown() override { camera = Camera(); }

    void frame(double T = 0.0, double dt = 16.0, int scene = 1, bool autostart = false) {
        UpdateCameraControls({keys, left, right, x, y, previousX, previousY, toggle}, T, dt, scene,
                             1.0f, autostart);
    }

    bool keys[256] = {};
    bool left = false, right = false, toggle = false;
    int x = 100, y = 100, previousX = 100, previousY = 100;
};

} // namespace

TEST_F(CameraControls, ArrowKeysFlyTheFreeCamera) {
    keys[kUp] = true;
    for (int i = 0; i < 20; ++i)
        frame();
    EXPECT_LT(camera.position.z, 4.97f);
    EXPECT_EQ(camera.position.x, 0.0f);
    keys[kUp] = false;
    keys[kLeft] = true;
    for (int i = 0; i < 10; ++i)
        frame();
    EXPECT_LT(camera.position.x, -0.001f);
    const Vector3 before = camera.position;
    frame(0, 0); // a zero step never moves the camera
    EXPECT_EQ(camera.position.x, before.x);
}

TEST_F(CameraControls, NewlyHeldForwardOrBackwardStopsOnlyTheZVelocity) {
    camera.velocity = Vector3(3, 4, 20);
    keys[kDown] = true;
    frame(0, 0);
    EXPECT_EQ(camera.velocity.z, 0.0f);
    EXPECT_EQ(camera.velocity.x, 3.0f);
    EXPECT_EQ(camera.velocity.y, 4.0f);
    frame(0, 1000); // still held: the velocity builds up
    EXPECT_LT(camera.velocity.z, 0.0f);

    // Both held: no direction, but the newly pressed key still clears z, once.
    keys[kUp] = true;
    frame(0, 0);
    EXPECT_EQ(camera.velocity.z, 0.0f);
    camera.velocity.z = -10;
    frame(0, 0);
    EXPECT_EQ(camera.velocity.z, -10.0f);
}

TEST_F(CameraControls, KeyTwoPrintsEveryFrameKeyThreeOncePerPress) {
    keys[kDigit2] = true;
    testing::internal::CaptureStdout();
    frame(0, 0);
    frame(0, 0);
    const std::string lines = "Cam    pos: x=0 y=1 z=5\nCam orient: w=1 x=0 y=0 z=0\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), lines + lines);

    keys[kDigit2] = false;
    keys[kDigit3] = true;
    testing::internal::CaptureStdout();
    frame(0, 0);
    frame(0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cam    pos: [0, 1, 5]\nCam orient: [-0, -0, -1]\n");
    EXPECT_FALSE(keys[kDigit3]);
}

TEST_F(CameraControls, MouseDragsTurnTheCamera) {
    left = true;
    previousX = 110; // 10 pixels to the left: one degree of heading
    frame(0, 0);
    EXPECT_NEAR(camera.viewDirection.x, -std::sin(1.0f * 3.1415925f / 180.0f), 1e-6f);
    left = false;
    right = true;
    previousX = x;
    previousY = 280; // 180 pixels up: a quarter turn of roll
    frame(0, 0);
    EXPECT_NEAR(std::fabs(camera.xAxis.y), 1.0f, 1e-5f);
}

TEST_F(CameraControls, PathFlightOnlyInTheTerrainScene) {
    toggle = true;
    frame(0, 16, 1); // the model scene keeps the free camera
    EXPECT_EQ(camera.position.z, 5.0f);
    frame(0, 16, 2);
    EXPECT_NEAR(camera.position.x, 6.0f, 1e-5f);
    const Vector3 toTarget = (Vector3(2.5f, 0.5f, 2.5f) - camera.position).normalized();
    EXPECT_NEAR(camera.viewDirection.dot(toTarget), 1.0f, 1e-5f);
    const float quarter = camera.positionPath->length() / 4.0f;
    frame(quarter, 16, 2);
    EXPECT_NEAR(camera.position.z, 6.0f, 1e-4f);

    // C off again: free flight from where the path left the camera; autostart overrides C.
    toggle = false;
    frame(quarter * 2, 16, 2);
    EXPECT_NEAR(camera.position.z, 6.0f, 1e-4f);
    frame(quarter * 2, 16, 2, true);
    EXPECT_NEAR(camera.position.x, -1.0f, 1e-4f);
}
