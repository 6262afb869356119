#include "Camera.h"
#include "CameraControls.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

void ExpectVector(const Vector3& v, const Vector3& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, expected.x, tolerance);
    EXPECT_NEAR(v.y, expected.y, tolerance);
    EXPECT_NEAR(v.z, expected.z, tolerance);
}

const char* const kDiamond = "1 0 0\n0 0 1\n-1 0 0\n0 0 -1\n";

} // namespace

TEST(SplineReader, ReadsTriplesUpToTheFirstIncompletePoint) {
    const ScratchFolder folder;
    EXPECT_EQ(Spline(folder.write("cut_path.txt", "1 0 0\n0 0 1\n-1 0 0\nword 0 0 -1\n"), 0, 0, 0)
                  .numControlPoints(),
              3);
    EXPECT_EQ(ReadPathPoints(" 0.5\t-1\n\n 2e0 1-2 3 4 5").size(), 2u); // "1-2" is two numbers
    EXPECT_EQ(Spline("no/such/path.txt", 0, 0, 0).numControlPoints(), 0);
}

TEST(SplineCurve, ClosedCatmullRomLoopThroughItsPoints) {
    const Spline path(ReadPathPoints(kDiamond), 0, 0, 0);
    EXPECT_NEAR(path.length(), 4.0f * std::sqrt(8.0f), 1e-5f);
    // u counts whole loops. Mid-segment the curve bulges off the chord by an amount set by both
    // end tangents; negative, huge and NaN u stay on the loop.
    const float u[] = {0.25f, 2, 0.125f, 0.375f, 0.625f, 0.875f, -0.125f, 1e30f, NAN};
    const Vector3 at[] = {{0, 0, 2},          {2, 0, 0},           {1.25f, 0, 1.25f},
                          {-1.25f, 0, 1.25f}, {-1.25f, 0, -1.25f}, {1.25f, 0, -1.25f},
                          {1.25f, 0, -1.25f}, {2, 0, 0},           {2, 0, 0}};
    for (size_t i = 0; i < std::size(u); ++i) {
        SCOPED_TRACE(u[i]);
        ExpectVector(path.evaluate(u[i]), at[i], 1e-4f);
    }
    ExpectVector(path.getPoint(path.length() / 8.0f, -2.0f), {0, 0, -2}, 1e-4f);
}

TEST(SplineCurve, PathWithoutLengthStaysAtItsFirstPoint) {
    ExpectVector(Spline(ReadPathPoints("1 2 3"), 0, 0, 0).getPoint(500.0f, 1.0f), {2, 4, 6});
    ExpectVector(Spline(ReadPathPoints("1 1 1 1 1 1"), 0, 0, 0).getPoint(500.0f, 1.0f), {2, 2, 2});
    ExpectVector(Spline().getPoint(500.0f, 1.0f), {0, 0, 0});
}

TEST(Camera, LookAtAndUpdateViewMatrixBuildTheSameView) {
    Camera c;
    for (const Vector3& eye : {Vector3(7.57824f, 2.2425f, 10.0493f), Vector3(-4, 3, -1)}) {
        c.lookAt(eye, {2.5f, 0.5f, 2.5f}, {0, 1, 0});
        const Matrix4 built = c.viewMatrix;
        c.updateViewMatrix();
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(c.viewMatrix[i], built[i], 1e-4f) << "entry " << i;
    }
}

TEST(Camera, PerspectiveMapsNearAndFarAndScalesHeightByTheAspectTwice) {
    Camera c;
    // Where a point in view space lands on the screen: x, y and depth from -1 to 1.
    const auto screen = [&](float x, float y, float z) {
        float clip[4];
        for (int row = 0; row < 4; ++row)
            clip[row] = c.projectionMatrix.at(row, 0) * x + c.projectionMatrix.at(row, 1) * y +
                        c.projectionMatrix.at(row, 2) * z + c.projectionMatrix.at(row, 3);
        return Vector3(clip[0] / clip[3], clip[1] / clip[3], clip[2] / clip[3]);
    };
    const float edge = std::tan(float(M_PI) / 8); // half the 45-degree field of view
    for (const float aspect : {4.0f / 3.0f, 0.5f}) {
        c.setPerspective(45, aspect, 0.01f, 1000);
        EXPECT_NEAR(screen(0, 0, -0.01f).z, -1.0f, 1e-4f);
        EXPECT_NEAR(screen(0, 0, -1000).z, 1.0f, 1e-4f);
        // A point on the field's edge, up and to the side: the aspect across, its square up.
        const Vector3 p = screen(3 * edge, 3 * edge, -3);
        EXPECT_NEAR(p.x, aspect, 1e-4f) << aspect;
        EXPECT_NEAR(p.y, aspect * aspect, 1e-4f) << aspect;
    }
}

TEST(Camera, RotateTurnsTheOrientation) {
    Camera c;
    c.rotate(90, 0, 0);
    EXPECT_NEAR(c.orientation.w, 0.70711f, 1e-5f);
    EXPECT_NEAR(c.orientation.y, -0.70711f, 1e-5f);
    ExpectVector(c.viewDirection, {-1, 0, 0});
}

TEST(Camera, MoveGoesAlongItsOwnRightAndViewAxesAndTheWorldsUp) {
    Camera c;
    c.rotate(90, 30, 0); // facing -x, looking 30 degrees up
    const Vector3 right = c.xAxis, forward = c.viewDirection;
    ExpectVector(right, {0, 0, -1});
    EXPECT_NEAR(forward.y, 0.5f, 1e-5f);
    c.move(1, 0, 0);
    ExpectVector(c.position, right);
    c.move(0, 2, 0); // world up, not the tilted camera up
    ExpectVector(c.position, right + Vector3(0, 2, 0));
    c.move(0, 0, 3);
    ExpectVector(c.position, right + Vector3(0, 2, 0) + forward * 3);
    EXPECT_NEAR(c.viewMatrix[14], -c.zAxis.dot(c.position), 1e-5f); // the view follows
}

TEST(Camera, FlightAcceleratesToTheLimitAndBrakesToExactlyZero) {
    Camera c;
    c.acceleration = Vector3(80, 80, 80);
    c.maxVelocity = Vector3(50, 50, 50);
    c.updatePosition({0, 0, 1}, 0.1f);  // from rest: no motion, only velocity
    c.updatePosition({0, 0, 1}, 0.01f); // then v t + a t^2 / 2, forward along -z
    ExpectVector(c.position, {0, 0, -(8.0f * 0.01f + 40.0f * 0.01f * 0.01f)});
    // Held: up to the limit. Released: braked to exactly 0 from either side, never past it.
    c.velocity = Vector3(-2, 5, 48);
    c.updateVelocity({0, 0, 1}, 0.1f);
    ExpectVector(c.velocity, {0, 0, 50}, 0.0f);
}

TEST(Camera, SetupLeavesAValidPoseAndPrintsThePositionPath) {
    const ScratchFolder folder;
    const std::string pos = folder.write("pos.txt", kDiamond);
    testing::internal::CaptureStdout();
    setupCamera(pos, pos, pos, 1024, 768);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Spline\n\t\tLength: 11.3137\n\t\tNum_control_points: 4\n\t\tParameters: \n"
              "[2, 0, 0]\n[0, 0, 2]\n[-4, 0, 2]\n[2, 0, -2]\n\n");
    // The start-up look-at must leave a usable orientation, not NaN.
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(std::isfinite(camera.viewMatrix[i])) << "entry " << i;
    EXPECT_NEAR(camera.projectionMatrix[5], 4.2919f, 1e-4f); // the window's aspect, twice
}

namespace {

// The global camera looking down -z from (0, 1, 5), with a path loop around the origin.
class CameraControls : public testing::Test {
  protected:
    void SetUp() override {
        camera = Camera();
        camera.acceleration = Vector3(80, 80, 80);
        camera.maxVelocity = Vector3(50, 50, 50);
        camera.lookAt({0, 1, 5}, {0, 1, 0}, {0, 1, 0});
        camera.positionPath = std::make_unique<Spline>(ReadPathPoints(kDiamond), 0, 0, 0);
        in.cursorX = in.cursorY = in.previousCursorX = in.previousCursorY = 100;
        frame(); // nothing held: clears the latches an earlier test left set
    }
    void frame(double T = 0.0, double dt = 16.0, int scene = 1, bool autostart = false) {
        UpdateCameraControls(in, T, dt, scene, 1.0f, autostart);
    }
    InputState in;
};

} // namespace

TEST_F(CameraControls, ArrowKeysFlyAndANewlyHeldForwardOrBackStopsOnlyZ) {
    in.keys[VK_UP_ARROW] = in.keys[VK_LEFT_ARROW] = true;
    for (int i = 0; i < 20; ++i)
        frame();
    EXPECT_LT(camera.position.z, 4.97f);
    EXPECT_LT(camera.position.x, -0.001f);
    // Pressing back as well clears the z velocity in that frame only.
    camera.velocity = Vector3(3, 4, 20);
    in.keys[VK_DOWN_ARROW] = true;
    frame(0, 0);
    ExpectVector(camera.velocity, {3, 4, 0});
    camera.velocity.z = -10;
    frame(0, 0);
    EXPECT_EQ(camera.velocity.z, -10.0f);
}

TEST_F(CameraControls, KeyTwoPrintsEveryFrameKeyThreeOncePerPress) {
    in.keys[VK_DIGIT_2] = in.keys[VK_DIGIT_3] = true;
    testing::internal::CaptureStdout();
    frame(0, 0);
    frame(0, 0);
    const std::string two = "Cam    pos: x=0 y=1 z=5\nCam orient: w=1 x=0 y=0 z=0\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              two + "Cam    pos: [0, 1, 5]\nCam orient: [-0, -0, -1]\n" + two);
}

TEST_F(CameraControls, MouseDragsTurnTheCamera) {
    in.leftButtonDown = in.rightButtonDown = true;
    // 10 pixels left, 10 down: a degree of heading and of pitch, 5 of roll.
    in.previousCursorX = 110;
    in.previousCursorY = 90;
    frame(0, 0);
    ExpectVector(camera.viewDirection, {-0.017450f, 0.017450f, -0.999695f}, 1e-4f);
    EXPECT_NEAR(camera.xAxis.y, -0.08716f, 1e-4f);
}

TEST_F(CameraControls, PathFlightOnlyInTheTerrainScene) {
    in.pathCameraToggle = true;
    frame(0, 16, 1); // the model scene keeps the free camera
    EXPECT_EQ(camera.position.z, 5.0f);
    frame(0, 16, 2);
    ExpectVector(camera.position, {2, 0, 0});
    ExpectVector(camera.viewDirection, Vector3(0.5f, 0.5f, 2.5f).normalized()); // to the target
    // C off again: free flight from where the path left the camera; autostart overrides C.
    in.pathCameraToggle = false;
    const float half = camera.positionPath->length() / 2.0f;
    frame(half, 16, 2);
    EXPECT_NEAR(camera.position.x, 2.0f, 1e-4f);
    frame(half, 16, 2, true);
    EXPECT_NEAR(camera.position.x, -2.0f, 1e-4f);
}
