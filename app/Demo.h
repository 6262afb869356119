#pragma once

#include "MsTimer.h"
#include "Vector3.h"

#include <string>

extern MsTimer demoTimer;           // drives the paths and the height-field animation
extern MsTimer sceneTimer;          // decides when the model scene ends
extern int sceneIndex;              // 0 before the show, 1 model scene, 2 terrain scene
extern Vector3 lightSourcePosition; // the model scene's point light, moved along its path

void StartDemo();
void ProcessFrame();
void RenderFrame();
void UpdateFps();

// The window title: the frame rate with at most four significant digits.
std::string FormatFps(float fps);
