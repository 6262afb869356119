#include "CameraControls.h"

#include "Camera.h"

#include <iostream>

namespace {

// Set while the forward or backward key is held, so only its first frame stops the z velocity.
struct Latches {
    bool forward = false;
    bool backward = false;
} latches;

const Vector3 kPathTarget(2.5f, 0.5f, 2.5f);

// A newly pressed forward or backward key starts from rest along z, so reversing is immediate.
void LatchStop(bool held, bool& latch) {
    if (held && !latch)
        camera.velocity.z = 0.0f;
    latch = held;
}

} // namespace

void UpdateCameraControls(InputState& in, double T, double dt, int sceneIndex, float demoSpeed,
                          bool autostart) {
    Vector3 move;
    const bool up = in.keys[VK_UP_ARROW];
    const bool down = in.keys[VK_DOWN_ARROW];
    if (up)
        move.z += 1.0f;
    if (down)
        move.z -= 1.0f;
    if (in.keys[VK_LEFT_ARROW])
        move.x -= 1.0f;
    if (in.keys[VK_RIGHT_ARROW])
        move.x += 1.0f;
    LatchStop(up, latches.forward);
    LatchStop(down, latches.backward);

    if (in.keys[VK_DIGIT_2]) {
        const Vector3& p = camera.position;
        const Quaternion& q = camera.orientation;
        std::cout << "Cam    pos: x=" << p.x << " y=" << p.y << " z=" << p.z << std::endl;
        std::cout << "Cam orient: w=" << q.w << " x=" << q.x << " y=" << q.y << " z=" << q.z
                  << std::endl;
    }

    camera.followPath = in.pathCameraToggle;

    if (in.leftButtonDown && (camera.mode == 0 || camera.mode == 1)) {
        const float heading = static_cast<float>(in.previousCursorX - in.cursorX) * 0.5f / 5.0f;
        const float pitch = static_cast<float>(in.cursorY - in.previousCursorY) * 0.5f / 5.0f;
        camera.rotate(heading, pitch, 0.0f);
    }
    if (in.rightButtonDown)
        camera.rotate(0.0f, 0.0f, static_cast<float>(in.previousCursorY - in.cursorY) * 0.5f);

    if (autostart)
        camera.followPath = true;

    if (sceneIndex > 1 && camera.followPath) {
        const Vector3 eye = camera.positionPath
                                ? camera.positionPath->getPoint(static_cast<float>(T), demoSpeed)
                                : Vector3();
        camera.lookAt(eye, kPathTarget, Vector3(0.0f, 1.0f, 0.0f));
    } else {
        camera.updatePosition(move, static_cast<float>(dt * 0.0001));
    }

    if (in.keys[VK_DIGIT_3]) {
        std::cout << "Cam    pos: " << camera.position << std::endl;
        std::cout << "Cam orient: " << camera.viewDirection.normalized() << std::endl;
        // One press, or one key repeat, prints once.
        in.keys[VK_DIGIT_3] = false;
    }
}
