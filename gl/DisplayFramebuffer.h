#pragma once

#include <GL/glew.h>

// The framebuffer the show is presented in: 0, the window's own, unless the show is drawn off
// screen. Passes that go back to "the default framebuffer" bind this one.
inline GLuint displayFramebuffer = 0;
