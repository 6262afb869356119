#pragma once

#include "LightingPasses.h"
#include "MsTimer.h"
#include "Vector3.h"

#include <string>
#include <vector>

class PassTimer;

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
// The frame of the current scene: FramePasses run in order.
void RenderFrame();
// The terrain scene's frame without its present: clear, lighting, sky, terrain.
void DrawTerrainScene();

// A frame of the scene (1 the model, 2 the terrain) from its clear to its present: the one list
// the show, its start-up frame and the benchmarks run. Names: clear, the lighting's six, sky,
// terrain, model, present; the steps without a name (the lighting's half choice, the debug view)
// are not timed.
const std::vector<FramePass>& FramePasses(int scene);
// The names of the steps of both scenes' frames, each frame's order kept: the groups a frame's
// time is reported in.
std::vector<std::string> PassGroups();
// Runs the steps in order, each timed by the timer when there is one.
void RunPasses(const std::vector<FramePass>& passes, PassTimer* timer = nullptr);
// Counts the frame; the frame rate, refreshed about once a second.
float UpdateFps();

// The window title: the frame rate with at most four significant digits.
std::string FormatFps(float fps);
