#include "DemoRun.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace e2e;

namespace {

constexpr int kWidth = 320, kHeight = 240;

const Settings smallWindow = {{"window.width", std::to_string(kWidth)},
                              {"window.height", std::to_string(kHeight)}};

Settings with(Settings settings, const std::string& key, const std::string& value) {
    settings[key] = value;
    return settings;
}

// Mean of r + g + b over a square of the window around (x, y), x and y from the top left;
// negative when the window cannot be captured.
double windowBrightness(const std::string& window, int x, int y, int half) {
    const WindowPixels pixels = captureWindow(window);
    if (pixels.width != kWidth || pixels.height != kHeight)
        return -1;
    double sum = 0;
    for (int row = y - half; row < y + half; ++row)
        for (int column = x - half; column < x + half; ++column)
            for (int k = 0; k < 3; ++k)
                sum += pixels.at(column, row)[k];
    return sum / (4.0 * half * half);
}

} // namespace

TEST(ModelScene, ShowsTheProductModelAtTheCentreThenTheTerrain) {
    RunTree tree(with(smallWindow, "demo.scene1.duration", "3"));
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    std::this_thread::sleep_for(500ms);
    // The studio: a backdrop that darkens upward behind the model, a lit floor in front of it.
    const double background = windowBrightness(window, 20, 20, 6);
    EXPECT_GE(background, 0.0) << "the window could not be captured";
    const double floor = windowBrightness(window, kWidth / 2, kHeight * 5 / 8, 4);
    EXPECT_GT(floor, background + 150.0);
    EXPECT_GT(std::abs(windowBrightness(window, kWidth / 2, kHeight / 2, 8) - floor), 30.0)
        << "the model stands out from the floor";
    std::this_thread::sleep_for(3s); // into the terrain scene
    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);

    const std::string out = demo.stdoutText();
    EXPECT_NE(out.find("Initializing models ...  done.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Initializing Terrain ...  done.\n"), std::string::npos) << out;
    EXPECT_EQ(showGLErrors(demo.stderrText()), 0) << demo.stderrText();
}

TEST(ModelScene, RunsWithoutTheModelFileOrTheTerrainFile) {
    {
        RunTree tree(with(smallWindow, "demo.scene1.duration", "60"));
        fs::remove(tree.root / "models" / "brastel.obj");
        DemoProcess demo(tree);
        const std::string window = demo.waitForWindow();
        ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
        std::this_thread::sleep_for(500ms);
        const double background = windowBrightness(window, 20, 20, 6);
        EXPECT_GE(background, 0.0) << "the window could not be captured";
        EXPECT_EQ(windowBrightness(window, kWidth / 2, kHeight / 2, 12), background);
        DemoProcess::key(window, "Escape");
        EXPECT_EQ(demo.waitForExit(), 0);
        EXPECT_NE(demo.stdoutText().find(
                      "Initializing models ... Cannot load model ../models/brastel.obj\n done.\n"),
                  std::string::npos)
            << demo.stdoutText();
        EXPECT_EQ(showGLErrors(demo.stderrText()), 0) << demo.stderrText();
    }
    {
        RunTree tree(with(smallWindow, "demo.scene1.duration", "0"));
        fs::remove(tree.root / "models" / "terrain.obj");
        DemoProcess demo(tree);
        const std::string window = demo.waitForWindow();
        ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
        std::this_thread::sleep_for(1s);
        DemoProcess::key(window, "Escape");
        EXPECT_EQ(demo.waitForExit(), 0);
        EXPECT_NE(demo.stdoutText().find("Initializing Terrain ...  done.\n"), std::string::npos);
        EXPECT_EQ(showGLErrors(demo.stderrText()), 0) << demo.stderrText();
    }
}
