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

// Mean of r + g + b over a square around (x, y), x and y from the top left.
double brightness(const WindowPixels& pixels, int x, int y, int half) {
    double sum = 0;
    for (int row = y - half; row < y + half; ++row)
        for (int column = x - half; column < x + half; ++column)
            for (int k = 0; k < 3; ++k)
                sum += pixels.at(column, row)[k];
    return sum / (4.0 * half * half);
}

// The share of the rows from y0 to y1 in the clear colour.
double clearShare(const WindowPixels& pixels, int y0, int y1) {
    long clear = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < pixels.width; ++x)
            clear += isClearColour(pixels.at(x, y));
    return clear / (static_cast<double>(y1 - y0) * pixels.width);
}

// Mean difference per channel over the rows from y0 to y1 of two captures of one size.
double difference(const WindowPixels& a, const WindowPixels& b, int y0, int y1) {
    double sum = 0;
    for (std::size_t i = std::size_t(y0) * a.width * 3; i < std::size_t(y1) * a.width * 3; ++i)
        sum += std::abs(a.rgb[i] - b.rgb[i]);
    return sum / (static_cast<double>(y1 - y0) * a.width * 3);
}

bool isWhole(const WindowPixels& pixels) {
    return pixels.width == kWidth && pixels.height == kHeight;
}

// The model scene's studio: a backdrop that darkens upward behind the model, a lit floor in
// front of it, and the model standing out from the floor.
bool showsModel(const WindowPixels& p) {
    if (!isWhole(p))
        return false;
    const double floor = brightness(p, kWidth / 2, kHeight * 5 / 8, 4);
    return floor > brightness(p, 20, 20, 6) + 150.0 &&
           std::abs(brightness(p, kWidth / 2, kHeight / 2, 8) - floor) > 30.0;
}

} // namespace

TEST(ModelScene, ShowsTheProductModelAtTheCentreThenTheTerrain) {
    RunTree tree(with(smallWindow, "demo.scene1.duration", "3"));
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();

    const WindowPixels model = demo.waitForPixels(window, showsModel);
    ASSERT_TRUE(showsModel(model)) << "no frame of the model scene";

    // The terrain scene: sky and land where the studio's floor was, neither black nor cleared.
    const int lower = kHeight * 3 / 4;
    const auto showsTerrain = [&](const WindowPixels& p) {
        return isWhole(p) && clearShare(p, lower, kHeight) < 0.01 &&
               brightness(p, kWidth / 2, kHeight - 10, 8) > 0 &&
               difference(p, model, lower, kHeight) > 10.0;
    };
    const WindowPixels terrain = demo.waitForPixels(window, showsTerrain);
    EXPECT_TRUE(showsTerrain(terrain)) << "no frame of the terrain scene";
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
        fs::remove(tree.root / runtree::fromRoot(runtree::productModelPath));
        DemoProcess demo(tree);
        const std::string window = demo.waitForWindow();
        ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
        // A presented frame of the model scene without its model: the clear colour throughout.
        const WindowPixels empty = demo.waitForPixels(window, [](const WindowPixels& p) {
            return isWhole(p) && clearShare(p, 0, kHeight) > 0.99;
        });
        EXPECT_TRUE(isWhole(empty) && clearShare(empty, 0, kHeight) > 0.99);
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
        fs::remove(tree.root / runtree::fromRoot(runtree::terrainModelPath));
        DemoProcess demo(tree);
        const std::string window = demo.waitForWindow();
        ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
        // Frames of the terrain scene without its surface: the sky, neither black nor clear.
        const auto sky = [](const WindowPixels& p) {
            return isWhole(p) && clearShare(p, 0, kHeight) < 0.01 && brightness(p, 20, 20, 6) > 0;
        };
        EXPECT_TRUE(sky(demo.waitForPixels(window, sky)));
        DemoProcess::key(window, "Escape");
        EXPECT_EQ(demo.waitForExit(), 0);
        EXPECT_NE(demo.stdoutText().find("Initializing Terrain ...  done.\n"), std::string::npos);
        EXPECT_EQ(showGLErrors(demo.stderrText()), 0) << demo.stderrText();
    }
}
