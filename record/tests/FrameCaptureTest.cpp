#include "EncoderPipe.h"
#include "FrameCapture.h"
#include "GLTestContext.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

// What players see: a multisampled target's frames, resolved, read back and encoded, carry the
// HD colour tags, and decoded with the matrix and range those tags name they give back the
// target's colours (saturated ones are where a wrong matrix shows most).
TEST(FrameCapture, RecordingsAreTaggedAndDecodeToTheTargetsColours) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());
    ScratchFolder files;
    const std::string music = files.file("music.wav"), video = files.file("frames.mp4");
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i anullsrc=r=44100:cl=stereo -t 1 -y '" +
                           music + "'")
                              .c_str()),
              0);
    constexpr int size = 64;
    FrameCapture capture;
    ASSERT_TRUE(capture.create(size, size, 4));
    EXPECT_GT(capture.samples(), 1);
    EncoderPipe encoder;
    ASSERT_TRUE(encoder.start(FindOnPath("ffmpeg"),
                              EncoderArguments({video, music, size, size, 10})));

    // Four quadrants of colour, the top left one red.
    const float quadrants[4][3] = {{0.1f, 0.2f, 0.9f}, {0.2f, 0.8f, 0.3f}, {0.9f, 0.15f, 0.1f},
                                   {0.5f, 0.5f, 0.5f}};
    std::vector<unsigned char> target;
    const FrameSink toEncoder = [&](const unsigned char* rgba, std::size_t bytes) {
        target.assign(rgba, rgba + bytes);
        return encoder.write(rgba, bytes);
    };
    glEnable(GL_SCISSOR_TEST);
    for (int frame = 0; frame < 5; ++frame) {
        glBindFramebuffer(GL_FRAMEBUFFER, capture.framebuffer());
        for (int q = 0; q < 4; ++q) {
            glScissor(q % 2 * size / 2, q / 2 * size / 2, size / 2, size / 2);
            glClearColor(quadrants[q][0], quadrants[q][1], quadrants[q][2], 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        ASSERT_TRUE(capture.capture(toEncoder));
    }
    glDisable(GL_SCISSOR_TEST);
    ASSERT_TRUE(capture.flush(toEncoder));
    ASSERT_EQ(encoder.finish(), 0);

    std::string tags;
    if (FILE* probe = popen(("ffprobe -v error -select_streams v:0 -show_entries "
                             "stream=color_range,color_space,color_transfer,color_primaries "
                             "-of csv=p=0 '" + video + "'").c_str(), "r")) {
        char line[128] = {};
        while (fgets(line, sizeof line, probe))
            tags += line;
        pclose(probe);
    }
    EXPECT_EQ(tags, "tv,bt709,bt709,bt709\n");

    const std::string decoded = files.file("frame.rgb");
    ASSERT_EQ(std::system(("ffmpeg -v error -i '" + video +
                           "' -frames:v 1 -vf scale=in_color_matrix=bt709:in_range=tv:out_range=pc "
                           "-pix_fmt rgb24 -f rawvideo -y '" + decoded + "'")
                              .c_str()),
              0);
    std::ifstream in(decoded, std::ios::binary);
    const std::vector<unsigned char> rgb((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(rgb.size(), std::size_t(size) * size * 3);
    ASSERT_EQ(target.size(), std::size_t(size) * size * 4);
    for (int q = 0; q < 4; ++q) {
        // The quadrant's centre; the target's rows are bottom first, the decoded frame's top first.
        const int x = q % 2 * size / 2 + size / 4, y = q / 2 * size / 2 + size / 4;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(rgb[((size - 1 - y) * size + x) * 3 + c], target[(y * size + x) * 4 + c], 4)
                << "quadrant " << q << ", channel " << c;
    }
}
