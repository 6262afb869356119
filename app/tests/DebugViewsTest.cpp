#include "DemoRun.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace e2e;

namespace {

// Mean absolute difference of two captures over every channel, 0 ... 255.
double meanDifference(const WindowPixels& a, const WindowPixels& b) {
    if (a.empty() || b.empty() || a.width != b.width || a.height != b.height)
        return -1.0;
    double sum = 0.0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c)
                sum += std::abs(a.at(x, y)[c] - b.at(x, y)[c]);
    return sum / (3.0 * a.width * a.height);
}

} // namespace

TEST(DebugViews, FunctionKeysShowEachLightingTextureAndF1TheFinalPictureAgain) {
    RunTree tree(Settings{{"demo.scene1.duration", "0"}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    const WindowPixels final = captureWindow(window);
    ASSERT_FALSE(final.empty());

    const struct {
        const char* key;
        const char* title;
    } views[] = {{"F2", "key light"},
                 {"F3", "sky light"},
                 {"F4", "open sky"},
                 {"F5", "height field, layer 0"},
                 {"F6", "normals"}};
    std::vector<WindowPixels> shown;
    for (const auto& view : views) {
        DemoProcess::key(window, view.key);
        // The title names the view from the frame that draws it; the next capture holds it.
        ASSERT_TRUE(waitUntil(
            [&] { return DemoProcess::title(window).find(view.title) != std::string::npos; }, 30s))
            << view.key << ": " << DemoProcess::title(window);
        WindowPixels pixels;
        ASSERT_TRUE(waitUntil(
            [&] {
                pixels = captureWindow(window);
                return meanDifference(pixels, final) > 8.0 &&
                       (shown.empty() || meanDifference(pixels, shown.back()) > 8.0);
            },
            30s))
            << view.title << " looks like the final picture or the view before";
        for (const WindowPixels& other : shown)
            EXPECT_GT(meanDifference(pixels, other), 8.0) << view.title;
        shown.push_back(std::move(pixels));
    }
    EXPECT_NE(demo.stdoutText().find("View: normals\n"), std::string::npos) << demo.stdoutText();

    DemoProcess::key(window, "F5");
    EXPECT_TRUE(waitUntil(
        [&] { return DemoProcess::title(window).find("layer 0") != std::string::npos; }, 30s));
    DemoProcess::key(window, "F5"); // again: the next layer
    EXPECT_TRUE(waitUntil(
        [&] { return DemoProcess::title(window).find("layer 1") != std::string::npos; }, 30s));
    DemoProcess::key(window, "F1");
    EXPECT_TRUE(waitUntil(
        [&] { return DemoProcess::title(window).find(" - ") == std::string::npos; }, 30s))
        << DemoProcess::title(window);
    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);
}
