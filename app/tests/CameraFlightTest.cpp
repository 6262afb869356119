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

// Holds key 2 (which prints the camera's position each frame) until the positions printed
// meanwhile satisfy `enough`, or 20 s pass; returns them.
template <typename Enough>
std::vector<Position> sampleCamera(DemoProcess& demo, const std::string& window, Enough enough) {
    const std::size_t from = demo.stdoutText().size();
    std::vector<Position> positions;
    DemoProcess::key(window, "2", "keydown");
    waitUntil(
        [&] {
            const std::string out = demo.stdoutText().substr(from);
            positions = positionsPrinted(out.substr(0, out.rfind('\n') + 1)); // whole lines
            return enough(positions);
        },
        20s);
    DemoProcess::key(window, "2", "keyup");
    return positions;
}

// The last `count` positions, all within `within` of the last one.
bool resting(const std::vector<Position>& p, std::size_t count = 3, double within = 1e-4) {
    if (p.size() < count)
        return false;
    for (std::size_t i = p.size() - count; i < p.size(); ++i)
        if (distance(p[i], p.back()) >= within)
            return false;
    return true;
}

} // namespace

TEST(CameraFlight, HoldingTheUpArrowFliesTheFreeCamera) {
    RunTree tree({{"demo.autostart", "false"}, {"demo.scene1.duration", "0"}});
    DemoProcess demo(tree);
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();

    const std::vector<Position> still =
        sampleCamera(demo, window, [](const auto& p) { return p.size() >= 3; });
    ASSERT_GE(still.size(), 3u) << demo.stdoutText();
    EXPECT_TRUE(resting(still, still.size()));

    DemoProcess::key(window, "Up", "keydown");
    const std::vector<Position> flying = sampleCamera(demo, window, [](const auto& p) {
        return p.size() >= 2 && distance(p.front(), p.back()) > 1e-3;
    });
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

    // On its path the camera moves and keeps its distance from the terrain's centre. A frame that
    // takes the release of C and key 2 together still prints the pose from before the switch, so
    // the last two poses are the ones that count.
    const Position centre{2.5, 0.5, 2.5};
    const auto onPath = [&](const Position& p) { // over the terrain, around its centre
        return distance(p, centre) > 1.0 && distance(p, centre) < 2.5;
    };
    DemoProcess::key(window, "c"); // the toggle happens on release
    const std::vector<Position> path = sampleCamera(demo, window, [&](const auto& p) {
        return p.size() >= 2 && onPath(p.back()) && onPath(p[p.size() - 2]) &&
               distance(p.back(), p[p.size() - 2]) > 1e-4;
    });
    ASSERT_GE(path.size(), 2u) << demo.stdoutText();
    EXPECT_TRUE(onPath(path.back()) && onPath(path[path.size() - 2])) << demo.stdoutText();
    EXPECT_GT(distance(path.back(), path[path.size() - 2]), 1e-4); // the path moves it

    DemoProcess::key(window, "c"); // and back to the free camera, which stays where it was
    const std::vector<Position> free =
        sampleCamera(demo, window, [](const auto& p) { return resting(p); });
    EXPECT_TRUE(resting(free)) << demo.stdoutText();

    DemoProcess::key(window, "Escape");
    EXPECT_EQ(demo.waitForExit(), 0);
}
