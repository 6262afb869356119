#include "DemoRun.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace e2e;

namespace {

// Position of `text` in `transcript` after `from`; npos when absent.
std::size_t after(const std::string& transcript, const std::string& text, std::size_t from) {
    return from == std::string::npos ? from : transcript.find(text, from);
}

} // namespace

TEST(Program, StartsShowsItsContextsAndEndsOnEsc) {
    RunTree tree;
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);

    const std::string out = demo.stdoutText();
    std::size_t at = out.find("Hello Realtime Rendering (WinApi version)\nRELEASE compile\n");
    EXPECT_EQ(at, 0u) << out;
    at = after(
        out, "Loading configuration ... done.create window with desired OpenGL version 3.2\n", at);
    at = after(out, "info about current GL-context before getting GL 3.x explicitly\n", at);
    at = after(out, "\n\n\nTESTING OpenGL context\nLoaded OpenGL Version ", at);
    at = after(out,
               "------------------------------------------------------\n"
               "------------------------BEGIN-------------------------\n",
               at);
    at = after(out,
               "-------------------------END--------------------------\n"
               "------------------------------------------------------\n",
               at);
    at = after(out, "ESC pressed\ndelete window()\n", at);
    EXPECT_NE(at, std::string::npos) << out;

    // The temporary context knows the fixed pipeline, the 3.2 context does not.
    const std::string err = demo.stderrText();
    const std::size_t knows = err.find("GL knows deprecated fixed function pipeline");
    const std::size_t doesNot = err.find("GL DOES NOT know deprecated fixed function pipeline");
    EXPECT_NE(knows, std::string::npos) << err;
    EXPECT_NE(doesNot, std::string::npos) << err;
    EXPECT_LT(knows, doesNot);
}

TEST(Program, CloseButtonEndsTheProgramAndTheTitleShowsTheFrameRate) {
    RunTree tree;
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    const double fps = std::stod(DemoProcess::title(window));
    EXPECT_GT(fps, 0.0);
    DemoProcess::close(window);
    EXPECT_EQ(demo.waitForExit(), 0);
    EXPECT_NE(demo.stdoutText().find("Window-close event\ndelete window()\n"), std::string::npos);
}

TEST(Program, RunsWithoutItsSettingsFile) {
    RunTree tree;
    std::filesystem::remove(tree.conf());
    DemoProcess demo(tree);
    // No window size: a window of one pixel, nothing to press keys into; once its frame loop runs,
    // end it like a user's Ctrl+C.
    ASSERT_FALSE(demo.waitForWindow().empty()) << demo.stdoutText() << demo.stderrText();
    kill(demo.pid, SIGINT);
    EXPECT_EQ(demo.waitForExit(), 0);
    const std::string out = demo.stdoutText();
    // Settings errors come before the banner: the settings are read during static initialisation.
    EXPECT_EQ(out.find("ERROR: cannot open configuration file ../resources/brastel.conf.\n"), 0u)
        << out;
    EXPECT_NE(out.find("Hello Realtime Rendering (WinApi version)\n"), std::string::npos);
    EXPECT_NE(out.find("Loading configuration ... Configuration::GetValue(): Cannot find the "
                       "property window.width\n"),
              std::string::npos);
}

TEST(Program, ShaderProblemsEndStartUpWithExitCodeOne) {
    {
        RunTree tree;
        std::filesystem::remove(tree.root / "shader" / "Reduce.vert");
        DemoProcess demo(tree);
        EXPECT_EQ(demo.waitForExit(), 1);
        EXPECT_NE(
            demo.stderrText().find("Vertex shader file ../shader/Reduce.vert does not exist.\n"),
            std::string::npos);
        const std::string out = demo.stdoutText();
        EXPECT_NE(out.find("Could not compile reduce shader program.\n"), std::string::npos);
        EXPECT_EQ(out.find("BEGIN"), std::string::npos);
    }
    {
        RunTree tree;
        std::ofstream(tree.root / "shader" / "noise.frag", std::ios::app) << "\nthis is not GLSL\n";
        DemoProcess demo(tree);
        EXPECT_EQ(demo.waitForExit(), 1);
        const std::string out = demo.stdoutText();
        const std::size_t compile = out.find("Shader compilation failed.\n");
        const std::size_t link = after(out, "Shader linking failed.\n", compile);
        EXPECT_NE(after(out, "Could not compile noise shader program.\n", link), std::string::npos)
            << out;
    }
}

TEST(Program, ALightingTargetTheDriverCallsIncompleteEndsStartUpWithExitCodeMinusOne) {
    RunTree tree;
    const char* preloaded = std::getenv("LD_PRELOAD"); // the sanitizer build's GL driver
    DemoProcess demo(tree, {{"LD_PRELOAD", (preloaded && *preloaded ? std::string(preloaded) + ":"
                                                                     : std::string()) +
                                               BRASTEL_INCOMPLETE_FRAMEBUFFER}});
    EXPECT_EQ(demo.waitForExit(60s), -1) << demo.transcript();
    const std::string out = demo.stdoutText();
    EXPECT_NE(out.find("Checking Frambuffer Completness: framebuffer "
                       "FRAMEBUFFER_MISSING_ATTACHMENT_EXT (normalFbo)\nBad Fbo status!\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("END"), std::string::npos) << out; // no frame was drawn
}

TEST(Program, WithoutAWindowItSaysSoAndEndsWithExitCodeZero) {
    RunTree tree;
    DemoProcess demo(tree, {{"DISPLAY", ":no-such-display"}}); // no X server: no window, no box
    EXPECT_EQ(demo.waitForExit(), 0);
    const std::string err = demo.stderrText();
    EXPECT_NE(err.find("ERROR: Failed To Register The Window Class.\n"), std::string::npos) << err;
    EXPECT_NE(err.find("Failed to create desired OpenGL window - exitting...\n"),
              std::string::npos);
    EXPECT_EQ(demo.stdoutText().find("BEGIN"), std::string::npos);
}

TEST(Program, AFullScreenModeTheDisplayLacksIsOfferedAsAWindowInstead) {
    RunTree tree({{"window.use.full.screen", "true"}, {"window.width", "1000"}});
    DemoProcess demo(tree);
    // The question comes in a box of its own, drawn by a process of its own: found by its title.
    std::string box;
    waitUntil(
        [&] {
            box = shell(
                "xwininfo -root -tree | sed -n 's/^ *\\(0x[0-9a-f]*\\) \"Zelvo GL\".*/\\1/p'");
            return !box.empty() || demo.hasExited();
        },
        60s);
    ASSERT_FALSE(box.empty()) << demo.stdoutText() << demo.stderrText();
    DemoProcess::key(std::to_string(std::stoul(box, nullptr, 16)), "Return"); // Yes: a window
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);
}
