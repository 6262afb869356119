#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <functional>

// Takes what a frame wrote into RGBA bytes, bottom row first; false stops the recording.
using FrameSink = std::function<bool(const unsigned char* rgba, std::size_t bytes)>;

// The recording's off-screen target (colour and depth, multisampled when asked) and its read-back:
// a multisampled frame is first resolved into a plain colour buffer; each frame is read into
// the next of a ring of pixel-pack buffers while the frames before it are still on their way, and
// a frame is handed on only when the ring comes round to it again, so the read-back overlaps the
// rendering of the frames after it.
class FrameCapture {
  public:
    static constexpr int ringSize = 3;

    FrameCapture() = default;
    ~FrameCapture() { release(); }
    FrameCapture(const FrameCapture&) = delete;
    FrameCapture& operator=(const FrameCapture&) = delete;

    // False (after a message on standard error) when the driver cannot hold a target this size.
    // samples: per pixel, for anti-aliasing; 0 for none, and at most what the driver offers.
    bool create(int width, int height, int samples = 0);
    void release();

    GLuint framebuffer() const { return fbo; }
    int samples() const { return sampleCount; }
    std::size_t frameBytes() const { return bytes; }

    // Starts reading the frame just drawn into framebuffer(); hands the oldest frame still in the
    // ring to sink once the ring is full. Leaves framebuffer() bound for drawing and no pack
    // buffer bound.
    bool capture(const FrameSink& sink);
    // Hands every frame still in the ring to sink, oldest first.
    bool flush(const FrameSink& sink);

  private:
    bool deliverOldest(const FrameSink& sink);

    int width = 0, height = 0;
    std::size_t bytes = 0;
    int sampleCount = 0;
    GLuint fbo = 0, colorBuffer = 0, depthBuffer = 0;
    GLuint resolveFbo = 0, resolveBuffer = 0; // the single-sample copy that is read back
    GLuint packBuffers[ringSize] = {};
    int next = 0;    // the ring slot the next frame is read into
    int pending = 0; // frames read but not yet handed on
};
