#include "DemoRun.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(MusicEnd, TheDemoEndsByItselfWhenItsMusicHasEnded) {
    RunTree tree(Settings{{"demo.use.sound", "true"}});
    writeMusic(tree, 3.0);
    DemoProcess demo(tree, waveBackend(tree));
    ASSERT_TRUE(demo.waitForOutput("-------END-------"));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(demo.waitForExit(20s), 0) << demo.stdoutText() << demo.stderrText();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 8.0);
    const std::string out = demo.stdoutText();
    EXPECT_NE(out.find("Playing Source ....."), std::string::npos) << out;
    EXPECT_EQ(out.find("ESC pressed"), std::string::npos);
}

TEST(MusicEnd, EscWhileTheMusicPlaysEndsAtOnce) {
    RunTree tree(Settings{{"demo.use.sound", "true"}});
    writeMusic(tree, 20.0);
    const auto env = waveBackend(tree);
    for (int run = 0; run < 3; ++run) {
        DemoProcess demo(tree, env);
        const std::string window = demo.waitForWindow();
        ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
        ASSERT_TRUE(demo.waitForOutput("Playing Source ."));
        DemoProcess::key(window, "Escape");
        EXPECT_EQ(demo.waitForExit(5s), 0) << demo.stdoutText() << demo.stderrText();
    }
}
