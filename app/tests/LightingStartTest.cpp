#include "DemoRun.h"
#include "ImageBytes.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(LightingStart, SetsUpItsTargetsBetweenBeginAndEndAndDrawsTheTerrainSceneUntilEsc) {
    RunTree tree(Settings{{"demo.scene1.duration", "0"}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    // A frame of the terrain scene: drawn all over, neither black nor the clear colour.
    const auto terrain = [](const WindowPixels& p) {
        std::size_t neither = 0;
        for (std::size_t i = 0; i < p.rgb.size(); i += 3)
            neither += !isClearColour(&p.rgb[i]) && p.rgb[i] + p.rgb[i + 1] + p.rgb[i + 2] > 0;
        return neither * 3 > p.rgb.size() * 99 / 100;
    };
    EXPECT_TRUE(terrain(demo.waitForPixels(window, terrain)));
    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);

    const std::string out = demo.stdoutText();
    const std::size_t begin = out.find("------------------------BEGIN-------------------------\n");
    const std::size_t setUp = out.find("Setting Up Texture and Rendertarget Information ...\n"
                                       "Done!\n\n"
                                       "Checking Frambuffer Completness: Framebuffer complete!\n\n",
                                       begin);
    const std::size_t arrays =
        out.find("Creating VertexArrays for RenderTargets ...\nDone!\n\n", setUp);
    const std::size_t wedges = out.find("Calculating 1D Wedge Information ...", arrays);
    const std::size_t end =
        out.find("-------------------------END--------------------------\n", wedges);
    EXPECT_TRUE(begin != std::string::npos && setUp != std::string::npos &&
                arrays != std::string::npos && wedges != std::string::npos &&
                end != std::string::npos)
        << out;
    EXPECT_EQ(showGLErrors(demo.stderrText()), 0) << demo.stderrText();
}

TEST(LightingStart, ABaseHeightImageOfTheWrongSizeEndsStartUpWithExitCodeOne) {
    RunTree tree;
    writeFile((tree.root / runtree::fromRoot(runtree::heightImagePath)).string(),
              bmpFile(128, 128, Bytes(128 * 128 * 3, 128)));
    DemoProcess demo(tree);
    EXPECT_EQ(demo.waitForExit(), 1);
    EXPECT_NE(demo.stderrText().find("Base height image ../Images/h4.bmp is 128 x 128 pixels; it "
                                     "must be 256 x 256."),
              std::string::npos)
        << demo.stderrText();
    const std::string out = demo.stdoutText();
    EXPECT_NE(out.find("Setting Up Texture and Rendertarget Information ...\n"), std::string::npos);
    EXPECT_EQ(out.find("Checking Frambuffer Completness"), std::string::npos);
}
