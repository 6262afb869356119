#include "DemoRun.h"

#include <gtest/gtest.h>

#include <regex>

using namespace e2e;

namespace {

// The mean colour of the window's pixels and how many are pure black.
struct WindowColour {
    double r = 0, g = 0, b = 0;
    long black = 0;
};

WindowColour windowColour(const WindowPixels& pixels) {
    WindowColour colour;
    const double count = static_cast<double>(pixels.width) * pixels.height;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint8_t* p = pixels.at(x, y);
            colour.r += p[0] / count, colour.g += p[1] / count, colour.b += p[2] / count;
            colour.black += p[0] + p[1] + p[2] == 0;
        }
    return colour;
}

} // namespace

TEST(SkyStartup, ProbeLinesFollowTheKeyLightAndTheSkyIsDrawnInSceneTwo) {
    RunTree tree(Settings{{"demo.scene1.duration", "0"}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    // The frame is the sky's and the terrain's, not the dark of the clear.
    const auto drawn = [](const WindowColour& c) { return c.black == 0 && c.r + c.g + c.b > 60.0; };
    const WindowColour colour = windowColour(
        demo.waitForPixels(window, [&](const WindowPixels& p) { return drawn(windowColour(p)); }));
    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);

    // The probe's lines right after the key light's, sixteen red coefficients in index order.
    std::string lines = "Calculating Keylight Information \\.\\.\\.\nDone!\n\n"
                        "Calculating Hdr Information \\.\\.\\.\n\n"
                        " Loading HDR Image: \\.\\./images/uffizi_probe_512x512\\.hdr\n"
                        " HDR Image size: 512 x 512\n HDR Image loaded successfully\n";
    for (int j = 0; j < 16; ++j)
        lines += "envRed\\[" + std::to_string(j) + "\\]=-?[0-9.]+(e[+-][0-9]+)?\n";
    lines += "Done!\n\n[\\s\\S]*-------------------------END--------------------------\n";
    EXPECT_TRUE(std::regex_search(demo.stdoutText(), std::regex(lines))) << demo.stdoutText();

    const std::string err = demo.stderrText();
    EXPECT_NE(err.find("\n Texture size: 768 x 1024\n"), std::string::npos) << err;
    EXPECT_EQ(showGLErrors(err), 0) << err;
    EXPECT_TRUE(drawn(colour)) << colour.black << " black pixels, mean r " << colour.r << " g "
                               << colour.g << " b " << colour.b;
}
