#pragma once

#include "MsTimer.h"
#include "Vector3.h"

#include <string>

extern MsTimer demoTimer;  // drives the paths and the height-field animation
extern MsTimer sceneTimer; // decides when the model scene ends
extern int sceneIndex;     // 0 before the show, 1 model scene, 2 terrain scene

// The scene's GL objects, paths, tables and lights, in start-up order, between the BEGIN and END
// lines; the height field's clock becomes the demo clock.
void BuildScene();
// The scene's GL objects and models, in shutdown order; the context must still be current.
void ReleaseScene();
void StartDemo();
// One frame: input, update, draw.
void ProcessFrame();
// The update of a frame without its input and draw: clocks, scene switch, camera, lights. False
// when the music has ended and the quit message has been posted instead.
bool UpdateFrame();
void RenderFrame();
// The terrain scene's passes and draws: lighting, sky, terrain.
void DrawTerrainScene();
// Counts the frame; the frame rate, refreshed about once a second.
float UpdateFps();

// The window title: the frame rate with at most four significant digits.
std::string FormatFps(float fps);
