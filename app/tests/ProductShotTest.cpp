#include "DemoRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace e2e;

namespace {

// "Teal-ness" of a pixel: the product's body is the only strongly green-blue thing in the studio.
int teal(const std::uint8_t* p) {
    return (p[1] + p[2]) / 2 - p[0];
}

struct ModelShot {
    WindowPixels pixels;
    int left = 0, right = -1, top = 0, bottom = -1; // the body's box
};

// The model scene's window at its own size, some frames in, with the given multisampling.
ModelShot shoot(int samples) {
    RunTree tree(Settings{{"window.multisample.samples", std::to_string(samples)}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ModelShot shot;
    if (window.empty())
        return shot;
    waitUntil(
        [&] {
            shot.pixels = captureWindow(window);
            return !shot.pixels.empty();
        },
        10s);
    DemoProcess::key(window, "Escape");
    demo.waitForExit();
    const WindowPixels& p = shot.pixels;
    shot.left = p.width, shot.top = p.height;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (teal(p.at(x, y)) > 40) {
                shot.left = std::min(shot.left, x), shot.right = std::max(shot.right, x);
                shot.top = std::min(shot.top, y), shot.bottom = std::max(shot.bottom, y);
            }
    return shot;
}

// Rows across the body whose right-hand silhouette has a pixel partway between the body and what
// lies behind it: what anti-aliasing adds and an aliased edge lacks.
int softEdgeRows(const ModelShot& shot) {
    int rows = 0;
    for (int y = shot.top + 2; y <= shot.bottom - 2; ++y) {
        int edge = -1;
        for (int x = shot.left; x <= shot.right; ++x)
            if (teal(shot.pixels.at(x, y)) > 40)
                edge = x;
        if (edge < 3 || edge + 4 >= shot.pixels.width)
            continue;
        const int inside = teal(shot.pixels.at(edge - 2, y));
        const int outside = teal(shot.pixels.at(edge + 3, y));
        for (int x = edge - 1; x <= edge + 2; ++x) {
            const int t = teal(shot.pixels.at(x, y));
            if (inside - outside > 30 && t > outside + (inside - outside) / 5 &&
                t < inside - (inside - outside) / 5) {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

} // namespace

TEST(ProductShot, TheModelStandsOnAFloorInItsShadowWithSmoothEdges) {
    const ModelShot smooth = shoot(4), aliased = shoot(0);
    ASSERT_GT(smooth.right - smooth.left, 10) << "no product found in the window";
    ASSERT_GT(aliased.right - aliased.left, 10) << "no product found in the window";

    // Just below the body the floor lies in the model's shadow; beside the model, at the same
    // height, the studio light falls on it.
    const WindowPixels& p = smooth.pixels;
    const int width = smooth.right - smooth.left, below = smooth.bottom + 3;
    auto brightness = [&](int x0, int x1, int y) {
        double sum = 0.0;
        for (int x = x0; x < x1; ++x)
            sum += p.at(x, y)[0] + p.at(x, y)[1] + p.at(x, y)[2];
        return sum / (x1 - x0);
    };
    const double under = brightness(smooth.left + width / 4, smooth.right - width / 4, below);
    const double beside = brightness(smooth.right + width / 2, smooth.right + width, below);
    EXPECT_LT(under, 0.8 * beside) << "under " << under << ", beside " << beside;

    const int rows = smooth.bottom - smooth.top;
    EXPECT_GT(softEdgeRows(smooth), rows / 3) << "of " << rows << " rows";
    EXPECT_GT(softEdgeRows(smooth), 2 * softEdgeRows(aliased) + 2);
}
