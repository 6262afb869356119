#include "DemoRun.h"

#include <gtest/gtest.h>

#include <vector>

using namespace e2e;

namespace {

// A 24-bit BMP of the given size, all grey.
void writeGreyBmp(const fs::path& path, unsigned width, unsigned height) {
    const unsigned stride = (width * 3 + 3) & ~3u;
    std::vector<unsigned char> file(54 + stride * height, 128);
    const unsigned fields[][3] = {{2, unsigned(file.size()), 4},
                                  {6, 0, 4},
                                  {10, 54, 4},
                                  {14, 40, 4},
                                  {18, width, 4},
                                  {22, height, 4},
                                  {26, 1, 2},
                                  {28, 24, 2},
                                  {30, 0, 24}};
    file[0] = 'B';
    file[1] = 'M';
    for (const auto& f : fields)
        for (unsigned b = 0; b < f[2]; ++b)
            file[f[0] + b] = static_cast<unsigned char>(b < 4 ? f[1] >> (8 * b) : 0);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

} // namespace

TEST(LightingStart, SetsUpItsTargetsBetweenBeginAndEndAndDrawsTheTerrainSceneUntilEsc) {
    RunTree tree(Settings{{"demo.scene1.duration", "0"}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    std::this_thread::sleep_for(1500ms); // frames of the terrain scene
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
    writeGreyBmp(tree.root / "Images" / "h4.bmp", 128, 128);
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
