#include "Angles.h"
#include "Camera.h"
#include "DisplayFramebuffer.h"
#include "GLTestContext.h"
#include "ModelOBJ.h"
#include "ProductStage.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr int kWidth = 200, kHeight = 150;
constexpr int kWindowSide = 64; // the test context's hidden window

// A box standing on the floor, turned about the vertical axis so its corners, not its faces,
// reach farthest from the axis; 12 triangles over 8 corners.
void makeTurnedBox(ModelOBJ& model) {
    const float halfX = 0.5f, halfY = 0.33f, halfZ = 0.25f, turn = 0.5f;
    for (int corner = 0; corner < 8; ++corner) {
        const float x = corner & 1 ? halfX : -halfX, z = corner & 4 ? halfZ : -halfZ;
        ModelVertex vertex{};
        vertex.position[0] = x * std::cos(turn) - z * std::sin(turn);
        vertex.position[1] = corner & 2 ? halfY : -halfY;
        vertex.position[2] = x * std::sin(turn) + z * std::cos(turn);
        model.vertices.push_back(vertex);
    }
    model.indices = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                     2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
}

// The pixel a point of the world lands on.
void project(const Camera& camera, const float* p, int& x, int& y) {
    const Matrix4 m = multiply(camera.projectionMatrix, camera.viewMatrix);
    float clip[4];
    transformPoint(m, p, clip);
    x = static_cast<int>(std::floor((clip[0] / clip[3] * 0.5f + 0.5f) * kWidth));
    y = static_cast<int>(std::floor((clip[1] / clip[3] * 0.5f + 0.5f) * kHeight));
}

// The largest difference of one channel between two pictures of the same size, in levels of 255.
int largestDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

} // namespace

// The model scene draws its studio in pieces (a cached stage, the shadow's part of the floor, the
// model's multisampled box); put together they must be the stage as drawn in one piece, and the
// model's box must hold the whole model.
TEST(ProductStage, DrawnInPiecesItIsTheStageDrawnWholeAndTheModelsBoxHoldsTheModel) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());
    WorkingDirectory cwd(std::filesystem::path(BRASTEL_SOURCE_DIR) / "app"); // beside shader/
    OffscreenTarget target(kWidth, kHeight);
    ASSERT_TRUE(target.complete);
    displayFramebuffer = target.framebuffer;

    ModelOBJ model;
    makeTurnedBox(model);
    ProductStage stage;
    ASSERT_TRUE(stage.create(model, "../shader/"));
    Camera camera;
    camera.setPerspective(45.0f, static_cast<float>(kWidth) / kHeight, 0.01f, 100.0f);
    camera.lookAt(Vector3(0.3f, 1.5f, 5.5f), Vector3(0.0f, -0.1f, 0.0f), Vector3(0.0f, 1.0f, 0.0f));
    const float turn = 40.0f;

    stage.draw(camera.viewMatrix, camera.projectionMatrix, turn);
    const std::vector<unsigned char> whole = target.read();

    // The shadow is there to compare: the floor right under the model is darker than the floor
    // beside it.
    const float under[3] = {0.0f, stage.floorHeight(), 0.0f};
    const float beside[3] = {1.3f, stage.floorHeight(), 0.0f};
    int ux, uy, bx, by;
    project(camera, under, ux, uy);
    project(camera, beside, bx, by);
    ASSERT_TRUE(bx > 0 && bx < kWidth && by > 0 && by < kHeight);
    EXPECT_LT(target.brightness(whole, ux, uy, ux + 1, uy + 1),
              0.5 * target.brightness(whole, bx, by, bx + 1, by + 1));

    target.clear();
    ASSERT_TRUE(stage.drawFocused(camera.viewMatrix, camera.projectionMatrix, turn, 4,
                                  [](const Matrix4&) {}));
    const std::vector<unsigned char> pieces = target.read();
    EXPECT_LE(largestDifference(whole, pieces), 2);

    // What is left as it was found: the target, its viewport, no scissor.
    GLint bound = 0, viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(static_cast<GLuint>(bound), target.framebuffer);
    EXPECT_EQ(viewport[2], kWidth);
    EXPECT_EQ(viewport[3], kHeight);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    // Into the window, whose rows are stored the other way up, the pieces are the same.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    displayFramebuffer = 0;
    glViewport(0, 0, kWindowSide, kWindowSide);
    const auto readWindow = [] {
        std::vector<unsigned char> pixels(kWindowSide * kWindowSide * 4);
        glReadPixels(0, 0, kWindowSide, kWindowSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    };
    Camera square;
    square.setPerspective(45.0f, 1.0f, 0.01f, 100.0f);
    square.lookAt(Vector3(0.3f, 1.5f, 5.5f), Vector3(0.0f, -0.1f, 0.0f), Vector3(0.0f, 1.0f, 0.0f));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    stage.draw(square.viewMatrix, square.projectionMatrix, turn);
    const std::vector<unsigned char> windowWhole = readWindow();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ASSERT_TRUE(stage.drawFocused(square.viewMatrix, square.projectionMatrix, turn, 4,
                                  [](const Matrix4&) {}));
    const std::vector<unsigned char> windowPieces = readWindow();
    EXPECT_LE(largestDifference(windowWhole, windowPieces), 2) << "in the window";
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    displayFramebuffer = target.framebuffer;
    glViewport(0, 0, kWidth, kHeight);

    // A "model" that paints its whole box magenta. The box is the model's bounding box turned as
    // the model is drawn (x' = x cos + z sin, z' = z cos - x sin), with a pixel or two of margin:
    // every vertex is inside it, and it reaches no farther than the turned bounding box does.
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    for (const ModelVertex& vertex : model.vertices)
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], vertex.position[a]);
            high[a] = std::max(high[a], vertex.position[a]);
        }
    for (float modelTurn : {turn, turn + 80.0f}) {
        target.clear();
        ASSERT_TRUE(stage.drawFocused(camera.viewMatrix, camera.projectionMatrix, modelTurn, 4,
                                      [](const Matrix4&) {
                                          glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
                                          glClear(GL_COLOR_BUFFER_BIT);
                                      }));
        const std::vector<unsigned char> boxed = target.read();
        const auto magenta = [&](int x, int y) {
            const unsigned char* pixel = target.at(boxed, x, y);
            return pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 255;
        };
        const float c = std::cos(DegreesToRadians(modelTurn));
        const float s = std::sin(DegreesToRadians(modelTurn));
        const auto onScreen = [&](float x, float y, float z, int& px, int& py) {
            const float p[3] = {c * x + s * z, y, c * z - s * x};
            project(camera, p, px, py);
        };
        for (const ModelVertex& vertex : model.vertices) {
            int x, y;
            onScreen(vertex.position[0], vertex.position[1], vertex.position[2], x, y);
            ASSERT_TRUE(x >= 0 && x < kWidth && y >= 0 && y < kHeight);
            EXPECT_TRUE(magenta(x, y)) << "turned " << modelTurn << ": the model's point at pixel "
                                       << x << ", " << y << " lies outside its box";
        }
        int x0 = kWidth, x1 = -1, y0 = kHeight, y1 = -1; // the turned bounding box on screen
        for (int corner = 0; corner < 8; ++corner) {
            int x, y;
            onScreen(corner & 1 ? high[0] : low[0], corner & 2 ? high[1] : low[1],
                     corner & 4 ? high[2] : low[2], x, y);
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_TRUE(!magenta(x, y) ||
                            (x >= x0 - 3 && x <= x1 + 3 && y >= y0 - 3 && y <= y1 + 3))
                    << "turned " << modelTurn << ": pixel " << x << ", " << y
                    << " is boxed beyond the model's bounds";
    }

    // Without samples the model is drawn straight into the target, with the camera's projection:
    // no box to lay over the stage.
    target.clear();
    GLint drawnInto = -1;
    Matrix4 drawnWith;
    ASSERT_TRUE(stage.drawFocused(camera.viewMatrix, camera.projectionMatrix, turn, 0,
                                  [&](const Matrix4& projection) {
                                      glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawnInto);
                                      drawnWith = projection;
                                  }));
    EXPECT_EQ(static_cast<GLuint>(drawnInto), target.framebuffer);
    EXPECT_EQ(std::memcmp(drawnWith.data(), camera.projectionMatrix.data(), sizeof drawnWith.m), 0);
    EXPECT_LE(largestDifference(whole, target.read()), 2);

    // A model without one finite vertex stands nowhere: a flat stage at height 0, drawn in pieces
    // as it is drawn whole.
    ModelOBJ broken;
    ModelVertex nowhere{};
    nowhere.position[1] = std::nanf("");
    broken.vertices = {nowhere, nowhere, nowhere};
    broken.indices = {0, 1, 2};
    ProductStage empty;
    ASSERT_TRUE(empty.create(broken, "../shader/"));
    EXPECT_EQ(empty.floorHeight(), 0.0f);
    EXPECT_EQ(empty.topHeight(), 0.0f);
    target.clear();
    empty.draw(camera.viewMatrix, camera.projectionMatrix, turn);
    const std::vector<unsigned char> flat = target.read();
    target.clear();
    ASSERT_TRUE(empty.drawFocused(camera.viewMatrix, camera.projectionMatrix, turn, 4,
                                  [](const Matrix4&) {}));
    const std::vector<unsigned char> flatPieces = target.read();
    EXPECT_LE(largestDifference(flat, flatPieces), 2);
    displayFramebuffer = 0;
}
