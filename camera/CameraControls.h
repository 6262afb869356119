#pragma once

#include "InputState.h"

// Turns the frame's keyboard and mouse state into camera motion: arrow keys, the key 2 and key 3
// printouts, the path camera toggle, mouse rotation, and path flight or free flight. Key 3's flag
// is cleared once it has printed.
// T is the demo time and dt the step since the last frame, both in milliseconds. The path is
// flown only in the terrain scene (sceneIndex 2); the model scene always has the free camera.
void UpdateCameraControls(InputState& in, double T, double dt, int sceneIndex, float demoSpeed,
                          bool autostart);
