#pragma once

#include "Matrix4.h"
#include "Quaternion.h"
#include "Spline.h"
#include "Vector3.h"

#include <memory>
#include <string>

// The one camera: the view and projection matrices every pass reads, and a small velocity model
// for free flight. Angles are in degrees.
class Camera {
  public:
    // Navigation mode 1 is flight, the only one the program uses.
    int mode = 1;
    float fieldOfView = 45.0f;
    float nearPlane = 1.0f;
    float farPlane = 1000.0f;
    float aspect = 0.0f;
    Vector3 position{0.0f, 0.0f, 0.0f};
    Vector3 xAxis{1.0f, 0.0f, 0.0f};
    Vector3 yAxis{0.0f, 1.0f, 0.0f};
    Vector3 zAxis{0.0f, 0.0f, 1.0f}; // points from the target back to the eye
    Vector3 viewDirection{0.0f, 0.0f, -1.0f};
    // Free flight, per camera axis: x right, y world up, z forward.
    Vector3 acceleration;
    Vector3 velocity;
    Vector3 maxVelocity;
    Quaternion orientation;
    Matrix4 viewMatrix;
    Matrix4 projectionMatrix;
    bool followPath = false;
    std::unique_ptr<Spline> positionPath;
    std::unique_ptr<Spline> viewPath;
    std::unique_ptr<Spline> upPath;

    void lookAt(const Vector3& eye, const Vector3& target, const Vector3& up);
    void setPerspective(float fov, float aspectRatio, float nearDistance, float farDistance);
    // Along the right axis, world up and the view direction.
    void move(float dx, float dy, float dz);
    void rotate(float heading, float pitch, float roll);
    // One free-flight step: moves by the current velocity, then updates the velocity.
    void updatePosition(const Vector3& direction, float elapsed);
    // Per axis: accelerate along a pressed direction up to maxVelocity, otherwise brake to 0.
    void updateVelocity(const Vector3& direction, float elapsed);
    void updateViewMatrix();
};

extern Camera camera;

// Start-up: projection for the window, start position, flight limits, and the three paths (the
// position path is printed).
void setupCamera(const std::string& positionPathFile, const std::string& viewPathFile,
                 const std::string& upPathFile, int windowWidth, int windowHeight);

// The first pose of the show, facing the model at the origin.
void SetStartPose();
