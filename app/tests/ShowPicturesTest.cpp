#include "DemoRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>

using namespace e2e;

namespace {

using Clock = std::chrono::steady_clock;

enum class Scene { none, model, terrain };

struct Frame {
    double seconds = 0.0; // since the first capture
    WindowPixels pixels;
    double clearShare = 0.0, blackShare = 0.0;
    Scene scene = Scene::none;
};

// The model scene is the product model, small at the centre, in a studio of neutral greys; the
// terrain scene covers the whole window with sky and land in colour. Anything else (a black,
// cleared or torn frame) is neither.
Frame classify(double seconds, WindowPixels pixels) {
    Frame frame{seconds, std::move(pixels)};
    const WindowPixels& p = frame.pixels;
    long clear = 0, black = 0, studio = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::uint8_t* c = p.at(x, y);
            clear += isClearColour(c);
            black += c[0] + c[1] + c[2] == 0;
            studio += c[0] + c[1] + c[2] > 24 && std::abs(c[0] - c[1]) <= 3 &&
                      std::abs(c[0] - c[2]) <= 6 && !isClearColour(c);
        }
    const double count = static_cast<double>(p.width) * p.height;
    frame.clearShare = clear / count;
    frame.blackShare = black / count;
    // Whatever is not the studio's grey must be the model, around the centre.
    long model = 0;
    for (int y = p.height * 3 / 8; y < p.height * 5 / 8; ++y)
        for (int x = p.width * 3 / 8; x < p.width * 5 / 8; ++x) {
            const std::uint8_t* c = p.at(x, y);
            model += std::abs(c[0] - c[1]) > 3 || std::abs(c[0] - c[2]) > 6;
        }
    if (studio > 0.8 * count && model > 0.001 * count)
        frame.scene = Scene::model;
    else if (studio < 0.5 * count && frame.clearShare < 0.01 && frame.blackShare < 0.01)
        frame.scene = Scene::terrain;
    return frame;
}

// Pixels that differ by more than a rounding step in some channel.
long changedPixels(const WindowPixels& a, const WindowPixels& b) {
    long changed = 0;
    for (std::size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); i += 3)
        changed += std::abs(a.rgb[i] - b.rgb[i]) > 2 || std::abs(a.rgb[i + 1] - b.rgb[i + 1]) > 2 ||
                   std::abs(a.rgb[i + 2] - b.rgb[i + 2]) > 2;
    return changed;
}

double meanDifference(const WindowPixels& a, const WindowPixels& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i)
        sum += std::abs(a.rgb[i] - b.rgb[i]);
    return a.rgb.empty() ? 0.0 : sum / static_cast<double>(a.rgb.size());
}

std::string describe(const std::vector<Frame>& frames) {
    std::ostringstream text;
    for (const Frame& f : frames)
        text << f.seconds << " s: "
             << (f.scene == Scene::model     ? "model"
                 : f.scene == Scene::terrain ? "terrain"
                                             : "neither")
             << ", clear " << f.clearShare << ", black " << f.blackShare << "\n";
    return text.str();
}

} // namespace

// The whole show at its own window size with a short track: the model scene, then the terrain
// scene, each moving, then the end when the music ends. Frames are sampled from the window every
// half second or so; which scene a frame shows is read from the frame itself, so a machine slow
// to start or to draw shifts the samples but does not fail the test.
TEST(ShowPictures, BothScenesMoveAndTheShowEndsWithItsMusic) {
    RunTree tree(Settings{{"demo.use.sound", "true"}, {"demo.scene1.duration", "3"}});
    writeMusic(tree, 7.0);
    DemoProcess demo(tree, waveBackend(tree));
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
    // The title is set just before the first frame is presented: wait for that frame.
    demo.waitForPixels(
        window, [](WindowPixels p) { return classify(0.0, std::move(p)).scene != Scene::none; });

    std::vector<Frame> frames;
    const auto start = Clock::now();
    while (!demo.hasExited() && Clock::now() - start < 60s) {
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        WindowPixels pixels = captureWindow(window);
        // The window goes at the end of the show: only a whole capture counts.
        if (pixels.empty() || demo.hasExited())
            break;
        frames.push_back(classify(seconds, std::move(pixels)));
        waitUntil([&] { return demo.hasExited(); }, 400ms); // the next sample, or the end
    }
    EXPECT_EQ(demo.waitForExit(), 0) << demo.stdoutText() << demo.stderrText();
    const std::string out = demo.stdoutText();
    EXPECT_NE(out.find("Playing Source ....."), std::string::npos) << out;
    EXPECT_EQ(out.find("ESC pressed"), std::string::npos) << "it ended by itself";
    EXPECT_EQ(showGLErrors(demo.stderrText()), 0) << demo.stderrText();

    // Every frame shows a scene; the model scene comes first and never comes back.
    const std::string log = describe(frames);
    std::size_t firstTerrain = frames.size();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_NE(frames[i].scene, Scene::none) << log;
        if (frames[i].scene == Scene::terrain && firstTerrain == frames.size())
            firstTerrain = i;
        if (i > firstTerrain) {
            ASSERT_EQ(frames[i].scene, Scene::terrain) << log;
        }
    }
    ASSERT_GE(firstTerrain, 2u) << log;
    ASSERT_GE(frames.size() - firstTerrain, 2u) << log;
    EXPECT_GT(meanDifference(frames[firstTerrain - 1].pixels, frames[firstTerrain].pixels), 20.0);

    // Within each scene, frames a second or so apart differ: the show moves.
    const auto moves = [&](std::size_t begin, std::size_t end, long minimum) {
        int pairs = 0;
        for (std::size_t i = begin; i < end; ++i)
            for (std::size_t j = i + 1; j < end; ++j) {
                const double apart = frames[j].seconds - frames[i].seconds;
                if (apart < 0.7 || apart > 1.6)
                    continue;
                ++pairs;
                EXPECT_GT(changedPixels(frames[i].pixels, frames[j].pixels), minimum)
                    << frames[i].seconds << " s and " << frames[j].seconds << " s\n"
                    << log;
            }
        return pairs;
    };
    const long pixels = static_cast<long>(frames[0].pixels.width) * frames[0].pixels.height;
    // The model covers about one percent of the window, the terrain scene all of it.
    EXPECT_GT(moves(0, firstTerrain, pixels / 2000), 0) << log;
    EXPECT_GT(moves(firstTerrain, frames.size(), pixels / 10), 0) << log;
}

// The terrain's relief reads at a glance: 5 s into the terrain scene of a deterministic
// recording at 1024 x 768, the lower half of the frame (the land) spans a wide range of light,
// its luminance's standard deviation at least 12 grey levels (a flat, overcast look measured
// about 7).
TEST(ShowPictures, TheTerrainsReliefReadsInTheLowerHalfOfTheFrame) {
    constexpr int width = 1024, height = 768, framesPerSecond = 4;
    RunTree tree(Settings{{"demo.scene1.duration", "0"}});
    writeMusic(tree, 5.5);
    const fs::path file = tree.root / "show.mkv", frame = tree.root / "frame.rgb";
    DemoProcess recording(tree, {},
                          {"--record", file.string(), "--size", "1024x768", "--fps",
                           std::to_string(framesPerSecond), "--lossless"});
    ASSERT_EQ(recording.waitForExit(180s), 0) << recording.transcript();
    shell("ffmpeg -v error -y -i '" + file.string() + "' -vf 'select=eq(n\\," +
          std::to_string(5 * framesPerSecond) + ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 '" +
          frame.string() + "'");
    const std::string rgb = readText(frame);
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(width) * height * 3);

    double sum = 0.0, squares = 0.0;
    const std::size_t lowerHalf = static_cast<std::size_t>(width) * (height / 2) * 3;
    for (std::size_t p = rgb.size() - lowerHalf; p < rgb.size(); p += 3) { // rows from the top
        const double y = 0.2126 * static_cast<unsigned char>(rgb[p]) +
                         0.7152 * static_cast<unsigned char>(rgb[p + 1]) +
                         0.0722 * static_cast<unsigned char>(rgb[p + 2]);
        sum += y;
        squares += y * y;
    }
    const double n = static_cast<double>(lowerHalf / 3);
    const double deviation = std::sqrt(std::max(squares / n - (sum / n) * (sum / n), 0.0));
    std::cout << "lower half 5 s into the terrain scene: luminance standard deviation "
              << deviation << " grey levels\n";
    EXPECT_GE(deviation, 12.0);
}
