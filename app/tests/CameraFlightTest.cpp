#include "DemoRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <vector>

using namespace e2e;

namespace {

struct Position {
    double x, y, z;
};

// Every "Cam    pos: x=... y=... z=..." line that key 2 printed, in order.
std::vector<Position> positionsPrinted(const std::string& out) {
    static const std::regex line(R"(Cam    pos: x=(\S+) y=(\S+) z=(\S+))");
    std::vector<Position> positions;
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator();
         ++it)
        positions.push_back({std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3])});
    return positions;
}

double distance(const Position& a, const Position& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

// Holds key 2 for a moment and returns the positions printed meanwhile.
std::vector<Position> sampleCamera(DemoProcess& demo, const std::string& window) {
    const std::size_t from = demo.stdoutText().size();
    DemoProcess::key(window, "2", "keydown");
    std::this_thread::sleep_for(600ms);
    DemoProcess::key(window, "2", "keyup");
    std::this_thread::sleep_for(100ms);
    return positionsPrinted(demo.stdoutText().substr(from));
}

} // namespace

TEST(CameraFlight, HoldingTheUpArrowFliesTheFreeCamera) {
    RunTree tree({{"demo.autostart", "false"}, {"demo.scene1.duration", "0"}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();

    const std::vector<Position> still = sampleCamera(demo, window);
    ASSERT_GE(still.size(), 2u) << demo.stdoutText();
    EXPECT_LT(distance(still.front(), still.back()), 1e-4);

    DemoProcess::key(window, "Up", "keydown");
    const std::vector<Position> flying = sampleCamera(demo, window);
    DemoProcess::key(window, "Up", "keyup");
    ASSERT_GE(flying.size(), 2u);
    EXPECT_GT(distance(flying.front(), flying.back()), 1e-3);

    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);
}

TEST(CameraFlight, PressingCPutsTheCameraOnItsPathInTheTerrainScene) {
    RunTree tree({{"demo.autostart", "false"}, {"demo.scene1.duration", "0"}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();

    DemoProcess::key(window, "c"); // the toggle happens on release
    // A frame that takes the release and key 2 together prints the pose from before the switch:
    // let a frame (a slow one, in the terrain scene on a software rasteriser) pass first.
    std::this_thread::sleep_for(500ms);
    const std::vector<Position> onPath = sampleCamera(demo, window);
    ASSERT_GE(onPath.size(), 2u) << demo.stdoutText();
    EXPECT_GT(distance(onPath.front(), onPath.back()), 1e-4); // the path moves it
    const Position centre{2.5, 0.5, 2.5};
    for (const Position& p : onPath) {
        EXPECT_GT(distance(p, centre), 1.0); // over the terrain, around its centre
        EXPECT_LT(distance(p, centre), 2.5);
    }

    DemoProcess::key(window, "c"); // and back to the free camera, which stays where it was
    std::this_thread::sleep_for(200ms);
    const std::vector<Position> free = sampleCamera(demo, window);
    ASSERT_GE(free.size(), 2u);
    EXPECT_LT(distance(free.front(), free.back()), 1e-4);

    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);
}
