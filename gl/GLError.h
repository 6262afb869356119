#pragma once

// Prints every pending GL error as its own block, naming the place; true when there was one.
bool CheckGLError(const char* location);

// Prints at most one pending GL error as a fixed sentence; later errors stay queued.
void ReportGLError();
