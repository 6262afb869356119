#include "DemoRun.h"

#include <gtest/gtest.h>

#include <regex>

// After GoogleTest: Xlib's macros (None, Bool, ...) would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace e2e;

namespace {

// The mean colour of the window's pixels and how many are pure black.
struct WindowColour {
    double r = 0, g = 0, b = 0;
    long black = 0;
};

WindowColour windowColour(const std::string& window) {
    WindowColour colour;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return colour;
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, std::stoul(window), &attributes);
    XImage* image = XGetImage(display, std::stoul(window), 0, 0, attributes.width,
                              attributes.height, AllPlanes, ZPixmap);
    if (image) {
        const long count = (long)attributes.width * attributes.height;
        for (int y = 0; y < attributes.height; ++y)
            for (int x = 0; x < attributes.width; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                const int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
                colour.r += r / (double)count, colour.g += g / (double)count,
                    colour.b += b / (double)count;
                colour.black += r + g + b == 0;
            }
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return colour;
}

} // namespace

TEST(SkyStartup, ProbeLinesFollowTheKeyLightAndTheSkyIsDrawnInSceneTwo) {
    RunTree tree(Settings{{"demo.scene1.duration", "0"}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    std::this_thread::sleep_for(1500ms);
    const WindowColour colour = windowColour(window);
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
    const std::size_t cross = err.find("\n Texture size: 768 x 1024\n");
    ASSERT_NE(cross, std::string::npos) << err;
    EXPECT_EQ(err.find("OpenGL ERROR", cross), std::string::npos) << "after the context test";
    // The frame is the sky's and the terrain's, not the dark of the clear.
    EXPECT_EQ(colour.black, 0);
    EXPECT_GT(colour.r + colour.g + colour.b, 60.0);
}
