#pragma once

// What the current context offers. GLEW's own flags describe the context it was initialised
// on, which the program replaces by its versioned one.

// Whether the current context's version is at least major.minor.
bool ContextVersionAtLeast(int major, int minor);

// Whether the current context lists the extension (full name, "GL_KHR_debug").
bool ContextHasExtension(const char* name);
