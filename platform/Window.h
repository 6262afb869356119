#pragma once

#include "InputState.h"

// The one render window with its GL context, its messages and the input state they leave.

// Keyboard and mouse state, written by PumpMessages and PollInput, read by the frame update.
extern InputState input;

struct WindowSettings {
    int width = 0;
    int height = 0;
    int colorBits = 0;
    bool fullScreen = false;
    int samples = 0; // multisampling: samples per pixel, 0 for none
};

// 1 on success, -1 on any failure (after its message box or console line).
int CreateGLWindow(const WindowSettings& settings);

// Prints the version and flags of the current context and whether it knows the fixed pipeline.
void TestGLContext();

// Releases the rendering context if there is one; always true.
bool KillGLWindow();

// Releases the context, destroys the window and shuts the window system down: the last step.
void DestroyGLWindow();

// Drains the event queue into the input state; false once the quit message has been taken.
bool PumpMessages();

// Per frame: notices buttons released outside the window, samples the cursor.
void PollInput();

// Queues the quit message that ends the frame loop.
void PostQuit(int exitCode);

void SetWindowTitle(const char* title);
void SwapWindowBuffers();

// For a recording or a benchmark: frames as fast as they come (no vsync); hidden, the window only
// carries the context.
void UnthrottleWindow(bool hide);
// False once a closed window has taken the GL context with it.
bool ContextIsCurrent();

// Maps an SDL key code to the virtual-key code the program uses; -1 for keys it does not know.
int VirtualKeyFromSdlKey(int sdlKey);
