#include "FrameCapture.h"
#include "GLTestContext.h"

#include <gtest/gtest.h>

#include <vector>

TEST(FrameCapture, HandsOnEveryFrameInOrderBottomRowFirstAndLeavesNoPackBufferBound) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());
    FrameCapture capture;
    EXPECT_FALSE(capture.create(1 << 20, 16)); // beyond any driver: refused with a message
    ASSERT_TRUE(capture.create(64, 32));

    // Frame f: red f * 20 over the whole target, green 255 in its bottom row only.
    std::vector<std::vector<unsigned char>> received;
    const FrameSink sink = [&](const unsigned char* rgba, std::size_t bytes) {
        received.emplace_back(rgba, rgba + bytes);
        return true;
    };
    const int frames = FrameCapture::ringSize * 2 + 1;
    glEnable(GL_SCISSOR_TEST);
    for (int f = 0; f < frames; ++f) {
        glBindFramebuffer(GL_FRAMEBUFFER, capture.framebuffer());
        glScissor(0, 0, 64, 32);
        glClearColor(f * 20 / 255.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(0, 0, 64, 1);
        glClearColor(f * 20 / 255.0f, 1.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ASSERT_TRUE(capture.capture(sink));
        GLint pack = -1, drawing = -1;
        glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &pack);
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawing);
        EXPECT_EQ(pack, 0);
        EXPECT_EQ(drawing, static_cast<GLint>(capture.framebuffer()));
        EXPECT_LT(received.size(), static_cast<std::size_t>(f + 1)) << "no read-back overlap";
    }
    glDisable(GL_SCISSOR_TEST);
    ASSERT_TRUE(capture.flush(sink));

    ASSERT_EQ(received.size(), static_cast<std::size_t>(frames));
    for (int f = 0; f < frames; ++f) {
        const std::vector<unsigned char>& frame = received[f];
        ASSERT_EQ(frame.size(), 64u * 32u * 4u);
        EXPECT_EQ(frame[0], f * 20) << "frame " << f;
        EXPECT_EQ(frame[1], 255) << "frame " << f << ": bottom row first";
        EXPECT_EQ(frame[frame.size() - 4], f * 20) << "frame " << f;
        EXPECT_EQ(frame[frame.size() - 3], 0) << "frame " << f;
    }

    const FrameSink refusing = [](const unsigned char*, std::size_t) { return false; };
    for (int f = 1; f < FrameCapture::ringSize; ++f)
        EXPECT_TRUE(capture.capture(refusing));
    EXPECT_FALSE(capture.capture(refusing)); // the encoder has gone: the recording stops
}
