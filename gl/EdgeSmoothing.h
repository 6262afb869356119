#pragma once

#include "ShaderProgram.h"

#include <GL/glew.h>

#include <limits>
#include <memory>

// Anti-aliasing after the fact: the frame is drawn into this pass's own target instead of the
// display framebuffer, then one full-screen pass (shader/EdgeSmoothing) writes it into the display
// framebuffer with its edges' stair steps blended along the edges. On the software rasteriser it
// costs a fraction of what multisampling the whole frame does; a multisampled display
// framebuffer is anti-aliased already and is left alone.
class EdgeSmoothing {
  public:
    EdgeSmoothing() = default;
    EdgeSmoothing(const EdgeSmoothing&) = delete;
    EdgeSmoothing& operator=(const EdgeSmoothing&) = delete;
    ~EdgeSmoothing() = default; // GL objects go with release(), while the context lives

    // Points displayFramebuffer at the pass's target (made, or remade at a new size, here) and
    // binds it. False, with nothing changed, where the display framebuffer is multisampled or the
    // program or the target cannot be made.
    bool begin(int width, int height);
    // After a true begin: points displayFramebuffer back, binds it and draws the smoothed picture
    // into it. Leaves no program, vertex array or texture bound; depth testing and culling off.
    // edgeRows: the picture's edges lie in its rows below this one (the sky above the horizon
    // has none); the rows from it up are copied as they are, which costs less than half as much.
    void end(int edgeRows = std::numeric_limits<int>::max());
    void release();

  private:
    std::unique_ptr<ShaderProgram> program;
    bool programTried = false;
    GLuint framebuffer = 0, colour = 0, depth = 0, vertexArray = 0;
    int width = 0, height = 0;
    GLuint display = 0; // the display framebuffer during a begin ... end
    bool active = false;
};
