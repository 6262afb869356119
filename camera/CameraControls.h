#pragma once

// Turns the frame's keyboard and mouse state into camera motion: arrow keys, the key 2 and key 3
// printouts, the path camera toggle, mouse rotation, and path flight or free flight.
struct CameraInput {
    // The 256 key-down flags by virtual-key code; key 3's flag is cleared once it has printed.
    bool (&keys)[256];
    bool leftButtonDown;
    bool rightButtonDown;
    int cursorX, cursorY;
    int previousCursorX, previousCursorY;
    bool pathCameraToggle;
};

// T is the demo time and dt the step since the last frame, both in milliseconds. The path is
// flown only in the terrain scene (sceneIndex 2); the model scene always has the free camera.
void UpdateCameraControls(const CameraInput& in, double T, double dt, int sceneIndex,
                          float demoSpeed, bool autostart);
