#include "Camera.h"

#include "Angles.h"

#include <cmath>
#include <iostream>

Camera camera;

void Camera::lookAt(const Vector3& eye, const Vector3& target, const Vector3& up) {
    position = eye;
    zAxis = (eye - target).normalized();
    viewDirection = -zAxis;
    xAxis = up.cross(zAxis).normalized();
    yAxis = zAxis.cross(xAxis).normalized();
    xAxis = xAxis.normalized();

    viewMatrix[0] = xAxis.x;
    viewMatrix[4] = xAxis.y;
    viewMatrix[8] = xAxis.z;
    viewMatrix[1] = yAxis.x;
    viewMatrix[5] = yAxis.y;
    viewMatrix[9] = yAxis.z;
    viewMatrix[2] = zAxis.x;
    viewMatrix[6] = zAxis.y;
    viewMatrix[10] = zAxis.z;
    viewMatrix[12] = -xAxis.dot(eye);
    viewMatrix[13] = -yAxis.dot(eye);
    viewMatrix[14] = -zAxis.dot(eye);

    orientation = Quaternion::FromMatrix(viewMatrix);
}

void Camera::setPerspective(float fov, float aspectRatio, float nearDistance, float farDistance) {
    const float k = std::tan(fov * kPi / 180.0f * 0.5f);
    const float c = std::tan(std::atan(k / aspectRatio));
    projectionMatrix = Matrix4::Zero();
    projectionMatrix[0] = 1.0f / c;
    // Scaled by the aspect a second time: the show's framing was tuned with this projection.
    projectionMatrix[5] = projectionMatrix[0] * aspectRatio;
    projectionMatrix[10] = (nearDistance + farDistance) / (nearDistance - farDistance);
    projectionMatrix[11] = -1.0f;
    projectionMatrix[14] = 2.0f * farDistance * nearDistance / (nearDistance - farDistance);

    fieldOfView = fov;
    aspect = aspectRatio;
    nearPlane = nearDistance;
    farPlane = farDistance;
}

void Camera::updateViewMatrix() {
    viewMatrix = orientation.toMatrix();
    xAxis = Vector3(viewMatrix[0], viewMatrix[4], viewMatrix[8]);
    yAxis = Vector3(viewMatrix[1], viewMatrix[5], viewMatrix[9]);
    zAxis = Vector3(viewMatrix[2], viewMatrix[6], viewMatrix[10]);
    viewDirection = -zAxis;
    viewMatrix[12] = -xAxis.dot(position);
    viewMatrix[13] = -yAxis.dot(position);
    viewMatrix[14] = -zAxis.dot(position);
}

void Camera::move(float dx, float dy, float dz) {
    position += xAxis * dx;
    position += Vector3(0.0f, 1.0f, 0.0f) * dy;
    position += viewDirection * dz;
    updateViewMatrix();
}

void Camera::rotate(float heading, float pitch, float roll) {
    const Matrix4 turn = Matrix4::FromEuler(DegreesToRadians(-heading), DegreesToRadians(-pitch),
                                            DegreesToRadians(-roll));
    // Not renormalised: the drift over a show is far below what the eye notices.
    orientation = Quaternion::FromMatrix(turn) * orientation;
    updateViewMatrix();
}

void Camera::updatePosition(const Vector3& direction, float elapsed) {
    // From rest nothing moves in the first step; the velocity only starts to rise.
    if (velocity.dot(velocity) != 0.0f) {
        Vector3 d = acceleration * 0.5f * elapsed * elapsed + velocity * elapsed;
        if (direction.x == 0.0f && NearlyEqual(velocity.x, 0.0f))
            d.x = 0.0f;
        if (direction.y == 0.0f && NearlyEqual(velocity.y, 0.0f))
            d.y = 0.0f;
        if (direction.z == 0.0f && NearlyEqual(velocity.z, 0.0f))
            d.z = 0.0f;
        move(d.x, d.y, d.z);
    }
    updateVelocity(direction, elapsed);
}

namespace {

void UpdateAxisVelocity(float direction, float acceleration, float maxVelocity, float elapsed,
                        float& velocity) {
    if (direction == 0.0f) {
        // Brake towards rest without overshooting it.
        if (velocity > 0.0f) {
            velocity -= acceleration * elapsed;
            if (velocity < 0.0f)
                velocity = 0.0f;
        } else {
            velocity += acceleration * elapsed;
            if (velocity > 0.0f)
                velocity = 0.0f;
        }
        return;
    }
    velocity += direction * acceleration * elapsed;
    if (velocity > maxVelocity)
        velocity = maxVelocity;
    else if (velocity < -maxVelocity)
        velocity = -maxVelocity;
}

} // namespace

void Camera::updateVelocity(const Vector3& direction, float elapsed) {
    UpdateAxisVelocity(direction.x, acceleration.x, maxVelocity.x, elapsed, velocity.x);
    UpdateAxisVelocity(direction.y, acceleration.y, maxVelocity.y, elapsed, velocity.y);
    UpdateAxisVelocity(direction.z, acceleration.z, maxVelocity.z, elapsed, velocity.z);
}

void setupCamera(const std::string& positionPathFile, const std::string& viewPathFile,
                 const std::string& upPathFile, int windowWidth, int windowHeight) {
    // Straight down from above the origin. The up vector is the world's -z, not its y: y is
    // parallel to this view and would leave the axes undefined.
    camera.lookAt(Vector3(0.0f, 5.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, -1.0f));
    camera.setPerspective(45.0f, static_cast<float>(windowWidth) / static_cast<float>(windowHeight),
                          0.01f, 1000.0f);
    camera.mode = 1;
    camera.position = Vector3(4.08942f, 3.86375f, 1.28896f);
    camera.updateViewMatrix();
    camera.acceleration = Vector3(80.0f, 80.0f, 80.0f);
    camera.maxVelocity = Vector3(50.0f, 50.0f, 50.0f);

    camera.positionPath = std::make_unique<Spline>(positionPathFile, 0.0f, 0.0f, 0.0f);
    camera.positionPath->print(std::cout);
    std::cout << std::endl;
    camera.viewPath = std::make_unique<Spline>(viewPathFile, 0.0f, 0.0f, 0.0f);
    camera.upPath = std::make_unique<Spline>(upPathFile, 0.0f, 0.0f, 0.0f);
}

void SetStartPose() {
    camera.lookAt(Vector3(7.57824f, 2.2425f, 10.0493f), Vector3(-0.604431f, -0.188555f, -0.774022f),
                  Vector3(0.0f, 1.0f, 0.0f));
}
