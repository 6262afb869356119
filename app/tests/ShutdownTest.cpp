#include "DemoRun.h"

#include <gtest/gtest.h>

#include <random>

using namespace e2e;

// ESC or the close button at any moment from the window's creation to a few seconds in, while
// the music thread opens its device or plays: every run ends promptly with exit code 0, the
// context still current for the deletions and the audio device closed.
TEST(Shutdown, EscOrCloseAtAnyMomentEndsCleanly) {
    RunTree tree(Settings{{"demo.use.sound", "true"}});
    writeMusic(tree, 30.0);
    const auto env = waveBackend(tree);
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int run = 0; run < 50; ++run) {
        // Denser near the start, where the music thread is still opening its device.
        const auto delay = std::chrono::milliseconds(std::lround(2500 * std::pow(unit(random), 2)));
        const bool closeButton = run % 2 == 1;
        const std::string what = "seed " + std::to_string(seed) + ", run " + std::to_string(run) +
                                 ", " + (closeButton ? "close" : "ESC") + " after " +
                                 std::to_string(delay.count()) + " ms\n";

        DemoProcess demo(tree, env);
        const std::string window = demo.waitForWindowCreated();
        ASSERT_FALSE(window.empty()) << what << demo.stdoutText() << demo.stderrText();
        waitUntil([&] { return demo.hasExited(); }, delay); // the chosen moment, still running
        if (closeButton)
            DemoProcess::close(window);
        else
            DemoProcess::key(window, "Escape");
        const auto sent = std::chrono::steady_clock::now();
        ASSERT_EQ(demo.waitForExit(10s), 0) << what << demo.stdoutText() << demo.stderrText();
        // A key sent during start-up is read when the frame loop starts: start-up takes up to about
        // 6 s in the sanitizer build here, so "promptly" means within 8 s of the key.
        EXPECT_LT(std::chrono::steady_clock::now() - sent, 8s) << what;

        const std::string out = demo.stdoutText();
        // The music thread prints without coordination: its text may split a line.
        const std::size_t quit = out.find(closeButton ? "Window-close event" : "ESC pressed");
        EXPECT_NE(quit, std::string::npos) << what << out;
        EXPECT_NE(out.find("delete window()", quit), std::string::npos) << what << out;
        // OpenAL Soft names a device left open at exit.
        EXPECT_EQ(demo.stderrText().find("not closed"), std::string::npos)
            << what << demo.stderrText();
    }
}
