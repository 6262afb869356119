#include "EdgeSmoothing.h"
#include "DisplayFramebuffer.h"
#include "GLTestContext.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int kSize = 64;

// White above the line y = x / 3 + 10 (pixels), black below: a shallow edge that steps every
// three pixels, like a ridge against the sky.
void drawShallowEdge() {
    glEnable(GL_SCISSOR_TEST);
    for (int x = 0; x < kSize; ++x) {
        const int y = x / 3 + 10;
        glScissor(x, 0, 1, y);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(x, y, 1, kSize - y);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
}

int intermediatePixels(const OffscreenTarget& target, const std::vector<unsigned char>& pixels) {
    int count = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const unsigned char red = target.at(pixels, x, y)[0];
            count += red > 20 && red < 235;
        }
    return count;
}

} // namespace

TEST(EdgeSmoothing, StepsOfAnEdgeGetIntermediatePixelsAndFlatAreasStayAsTheyAre) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());
    WorkingDirectory cwd(std::filesystem::path(BRASTEL_SOURCE_DIR) / "app"); // beside shader/
    OffscreenTarget target(kSize, kSize);
    ASSERT_TRUE(target.complete);
    displayFramebuffer = target.framebuffer;

    drawShallowEdge();
    const std::vector<unsigned char> hard = target.read();
    ASSERT_EQ(intermediatePixels(target, hard), 0);

    EdgeSmoothing smoothing;
    ASSERT_TRUE(smoothing.begin(kSize, kSize));
    EXPECT_NE(displayFramebuffer, target.framebuffer)
        << "the frame is drawn into the pass's target";
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), displayFramebuffer);
    drawShallowEdge();
    smoothing.end();
    EXPECT_EQ(displayFramebuffer, target.framebuffer);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), target.framebuffer);
    const std::vector<unsigned char> smooth = target.read();

    // Every step of the edge (one per three columns) gets in-between pixels; away from the edge
    // nothing changes.
    EXPECT_GE(intermediatePixels(target, smooth), kSize / 3);
    for (int x = 0; x < kSize; ++x) {
        const int edge = x / 3 + 10;
        for (int y : {edge - 4, edge + 4}) {
            SCOPED_TRACE(testing::Message() << x << ", " << y);
            EXPECT_EQ(target.at(smooth, x, y)[0], target.at(hard, x, y)[0]);
        }
    }
    GLint program = -1, texture = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(texture, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    smoothing.release();
    displayFramebuffer = 0;
}

// Rows from edgeRows up are copied, not smoothed: the same picture where they hold no edge,
// the hard steps where they do.
TEST(EdgeSmoothing, RowsFromEdgeRowsUpAreCopiedAsTheyAre) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());
    WorkingDirectory cwd(std::filesystem::path(BRASTEL_SOURCE_DIR) / "app");
    OffscreenTarget target(kSize, kSize);
    ASSERT_TRUE(target.complete);
    displayFramebuffer = target.framebuffer;
    drawShallowEdge();
    const std::vector<unsigned char> hard = target.read();

    EdgeSmoothing smoothing;
    const auto smoothed = [&](int edgeRows) {
        EXPECT_TRUE(smoothing.begin(kSize, kSize));
        drawShallowEdge();
        smoothing.end(edgeRows);
        return target.read();
    };
    const std::vector<unsigned char> whole = smoothed(kSize);
    const int split = 20; // the edge runs from row 10 to row 31
    const std::vector<unsigned char> part = smoothed(split);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            SCOPED_TRACE(testing::Message() << x << ", " << y);
            const std::vector<unsigned char>& expected = y < split ? whole : hard;
            ASSERT_EQ(target.at(part, x, y)[0], target.at(expected, x, y)[0]);
        }
    EXPECT_TRUE(smoothed(0) == hard);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    smoothing.release();
    displayFramebuffer = 0;
}

TEST(EdgeSmoothing, AMultisampledDisplayIsLeftAlone) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());
    WorkingDirectory cwd(std::filesystem::path(BRASTEL_SOURCE_DIR) / "app");
    GLuint framebuffer = 0, colour = 0;
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_RGBA8, kSize, kSize);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    displayFramebuffer = framebuffer;

    EdgeSmoothing smoothing;
    EXPECT_FALSE(smoothing.begin(kSize, kSize));
    EXPECT_EQ(displayFramebuffer, framebuffer);
    smoothing.end(); // nothing to do after a refused begin
    EXPECT_EQ(displayFramebuffer, framebuffer);

    displayFramebuffer = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &colour);
    smoothing.release();
}
