#include "FrameCapture.h"

#include "GLError.h"

#include <algorithm>
#include <iostream>

bool FrameCapture::create(int w, int h, int wantedSamples) {
    release();
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    sampleCount = wantedSamples > 1 ? std::min<int>(wantedSamples, maxSamples) : 0;
    if (sampleCount < 2)
        sampleCount = 0;
    GLint maxRenderbuffer = 0, maxViewport[2] = {};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    if (w <= 0 || h <= 0 || w > maxRenderbuffer || h > maxRenderbuffer || w > maxViewport[0] ||
        h > maxViewport[1]) {
        std::cerr << "Cannot record at " << w << "x" << h << ": this GL draws at most "
                  << std::min(maxRenderbuffer, maxViewport[0]) << "x"
                  << std::min(maxRenderbuffer, maxViewport[1]) << std::endl;
        return false;
    }
    width = w;
    height = h;
    bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4;

    glGenRenderbuffers(1, &colorBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, sampleCount, GL_RGBA8, w, h);
    glGenRenderbuffers(1, &depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, sampleCount, GL_DEPTH_COMPONENT24, w, h);

    GLenum status = GL_FRAMEBUFFER_COMPLETE;
    if (sampleCount > 0) {
        glGenRenderbuffers(1, &resolveBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, resolveBuffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        glGenFramebuffers(1, &resolveFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, resolveFbo);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  resolveBuffer);
        status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    if (status == GL_FRAMEBUFFER_COMPLETE)
        status = glCheckFramebufferStatus(GL_FRAMEBUFFER);

    glGenBuffers(ringSize, packBuffers);
    for (GLuint buffer : packBuffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);

    if (status != GL_FRAMEBUFFER_COMPLETE || CheckGLError("FrameCapture::create")) {
        std::cerr << "Cannot record at " << w << "x" << h << ": the off-screen target is "
                  << (status != GL_FRAMEBUFFER_COMPLETE ? "incomplete" : "out of memory")
                  << std::endl;
        release();
        return false;
    }
    glViewport(0, 0, w, h);
    return true;
}

void FrameCapture::release() {
    if (fbo || resolveFbo) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fbo);
        glDeleteFramebuffers(1, &resolveFbo);
    }
    if (resolveBuffer)
        glDeleteRenderbuffers(1, &resolveBuffer);
    resolveFbo = resolveBuffer = 0;
    sampleCount = 0;
    if (colorBuffer)
        glDeleteRenderbuffers(1, &colorBuffer);
    if (depthBuffer)
        glDeleteRenderbuffers(1, &depthBuffer);
    if (packBuffers[0])
        glDeleteBuffers(ringSize, packBuffers);
    fbo = colorBuffer = depthBuffer = 0;
    for (GLuint& buffer : packBuffers)
        buffer = 0;
    width = height = 0;
    bytes = 0;
    next = pending = 0;
}

bool FrameCapture::capture(const FrameSink& sink) {
    if (!fbo)
        return false;
    if (resolveFbo) {
        // Samples cannot be read back: average them into the single-sample copy first.
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFbo);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFbo ? resolveFbo : fbo);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffers[next]);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    next = (next + 1) % ringSize;
    ++pending;
    // Hand on as soon as the ring is full, so at most ringSize - 1 frames wait in it.
    if (pending == ringSize && !deliverOldest(sink))
        return false;
    return !CheckGLError("FrameCapture::capture");
}

bool FrameCapture::flush(const FrameSink& sink) {
    while (pending > 0)
        if (!deliverOldest(sink))
            return false;
    return true;
}

bool FrameCapture::deliverOldest(const FrameSink& sink) {
    const int oldest = (next - pending + ringSize) % ringSize;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffers[oldest]);
    const auto* pixels = static_cast<const unsigned char*>(
        glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), GL_MAP_READ_BIT));
    const bool delivered = pixels && sink(pixels, bytes);
    if (pixels)
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    --pending;
    if (!pixels)
        CheckGLError("FrameCapture: mapping a frame");
    return delivered;
}
