#include "Spline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

void ExpectPoint(const Vector3& p, const Vector3& expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(p.x, expected.x, tolerance);
    EXPECT_NEAR(p.y, expected.y, tolerance);
    EXPECT_NEAR(p.z, expected.z, tolerance);
}

const char* const kDiamond = "1 0 0\n0 0 1\n-1 0 0\n0 0 -1\n";

} // namespace

TEST(SplineReader, ReadsTriplesUpToTheFirstIncompletePoint) {
    const std::string file = testing::TempDir() + "cut_path.txt";
    std::ofstream(file) << "1 0 0\n0 0 1\n-1 0 0\nword 0 0 -1\n";
    EXPECT_EQ(Spline(file, 0, 0, 0).numControlPoints(), 3);
    // Any white space separates numbers; file coordinates are half the world's.
    const auto points = ReadPathPoints("  0.5\t-1\n\n 2e0 1-2 3 4 5");
    ASSERT_EQ(points.size(), 2u);
    ExpectPoint(points[1], {2, -4, 6});
    EXPECT_EQ(ReadPathPoints("1,2,3 4 5 6").size(), 0u);

    testing::internal::CaptureStderr();
    const Spline missing("no/such/path.txt", 0, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Spline::Spline(): error open \"no/such/path.txt\" file\n");
    ExpectPoint(missing.getPoint(1234.0f, 1.0f), {0, 0, 0});
}

TEST(SplineCurve, ClosedCatmullRomThroughItsPoints) {
    const Spline path(ReadPathPoints(kDiamond), 0, 0, 0);
    EXPECT_NEAR(path.length(), 4.0f * std::sqrt(8.0f), 1e-5f);
    ExpectPoint(path.evaluate(0.25f), {0, 0, 2});
    ExpectPoint(path.evaluate(0.75f), {0, 0, -2});
    ExpectPoint(path.evaluate(2.0f), {2, 0, 0});
    ExpectPoint(path.evaluate(3.3f), path.evaluate(0.3f));
    // Between two points the curve bulges outwards, off the chord x + z = 2.
    ExpectPoint(path.evaluate(0.125f), {1.25f, 0, 1.25f});
    // Each point's tangent is half the difference of its neighbours, leaving and arriving.
    const auto points = ReadPathPoints(kDiamond);
    const auto& segments = path.coefficients();
    for (size_t i = 0; i < 4; ++i) {
        const Vector3 tangent = (points[(i + 1) % 4] - points[(i + 3) % 4]) * 0.5f;
        const Spline::Segment& before = segments[(i + 3) % 4];
        ExpectPoint(segments[i].c1, tangent);
        ExpectPoint(before.c1 + before.c2 * 2.0f + before.c3 * 3.0f, tangent);
    }
}

TEST(SplineCurve, GetPointStaysOnTheLoopForAnyTime) {
    const Spline path(ReadPathPoints(kDiamond), 0, 0, 0);
    const float length = path.length();
    ExpectPoint(path.getPoint(length, 1.0f), {2, 0, 0});
    ExpectPoint(path.getPoint(length / 8.0f, 2.0f), {0, 0, 2});
    ExpectPoint(path.getPoint(length * 1000.0f, 1.0f), {2, 0, 0}, 1e-3f);
    // Negative time or speed runs the loop backwards instead of leaving the segment table.
    ExpectPoint(path.getPoint(length / 4.0f, -1.0f), {0, 0, -2});
    ExpectPoint(path.getPoint(-length * 0.1f, 1.0f), path.evaluate(0.9f));
    ExpectPoint(path.evaluate(1e30f), {2, 0, 0});
    ExpectPoint(path.evaluate(NAN), {2, 0, 0});
}

TEST(SplineCurve, PathWithoutLengthStaysAtItsFirstPoint) {
    const Spline single(ReadPathPoints("1 2 3"), 0, 0, 0);
    ExpectPoint(single.getPoint(500.0f, 1.0f), {2, 4, 6});
    const Spline repeated(ReadPathPoints("1 1 1 1 1 1 1 1 1"), 0, 0, 0);
    ExpectPoint(repeated.getPoint(500.0f, 1.0f), {2, 2, 2});
    ExpectPoint(Spline().getPoint(500.0f, 1.0f), {0, 0, 0});
}

TEST(SplinePrint, SummaryAndTheFirstNCoefficients) {
    std::ostringstream out;
    Spline(ReadPathPoints(kDiamond), 0, 0, 0).print(out);
    EXPECT_EQ(out.str(), "Spline\n\t\tLength: 11.3137\n\t\tNum_control_points: 4\n"
                         "\t\tParameters: \n[2, 0, 0]\n[0, 0, 2]\n[-4, 0, 2]\n[2, 0, -2]\n");
}
