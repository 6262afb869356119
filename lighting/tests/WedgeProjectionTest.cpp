#include "WedgeProjection.h"
#include "ShTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

TEST(WedgeFunctions, BoundsAreInclusiveAndTheRampDecides) {
    const double w = WEDGE_EXTENT, nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        bool half;
        double phi, theta, p3, p4, expected;
    } cases[] = {
        {false, 0.0, w, 0.0, 0.0, 1.0}, // polar bounds are inclusive at both ends
        {false, 1.0, std::nextafter(w, 1.0), 0.0, 0.0, 0.0},
        {false, 1.0, w, 1.0, 3.0, 1.0}, // at theta = p2 the ramp is p3
        {false, std::nextafter(1.0, 0.0), w, 1.0, 3.0, 0.0},
        {false, 3.0, 0.0, 2.0, 1.0, 1.0}, // at theta = 0 it is p3 + (p3 - p4)
        {false, std::nextafter(3.0, 0.0), 0.0, 2.0, 1.0, 0.0},
        {false, 2.5, w / 2, 2.0, 1.0, 1.0}, // the half ramp is twice as steep
        {true, 2.5, w / 2, 2.0, 1.0, 0.0},
        {true, 3.0, w / 2, 2.0, 1.0, 1.0},
        {false, nan, 0.1, 0.0, 0.0, 0.0}, // a comparison with NaN fails: not held
        {false, 1.0, 0.1, nan, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        const auto f = c.half ? wedgeVisibilityHalf : wedgeVisibility;
        EXPECT_EQ(f(c.phi, c.theta, 0.0, w, c.p3, c.p4), c.expected)
            << "half=" << c.half << " phi=" << c.phi << " theta=" << c.theta << " p3=" << c.p3
            << " p4=" << c.p4;
    }
}

TEST(WedgeTables, FastAgreesWithStraightforwardAndOneDimensionalEntriesAreTheFirstCap) {
    const OwnedSampleSet set(1700000000u);
    double steps[WEDGE_GRID];
    wedgeSteps(steps);
    std::vector<double> oneD(WEDGE_GRID * 16), slow(WEDGE_GRID * 16);
    computeWedgeTable1D(set.samples.data(), oneD.data());
    // Whole tables by the fast path; a few full rows of each by the straightforward one. The 1D
    // table must then equal the first entry of the 2D table, whose cap has a known area.
    for (double extent : {WEDGE_EXTENT, ENV_WEDGE_EXTENT}) {
        std::vector<double> table(WEDGE_GRID * WEDGE_GRID * 16);
        computeWedgeTable2D(set.samples.data(), extent, table.data());
        for (int r : {0, 13, 31}) {
            projectWedgeGrid(set.samples.data(), SAMPLE_COUNT, wedgeVisibility, 0.0, extent,
                             &steps[r], 1, steps, WEDGE_GRID, slow.data(),
                             Projection::Straightforward);
            for (int i = 0; i < WEDGE_GRID * 16; ++i)
                ASSERT_NEAR(table[r * WEDGE_GRID * 16 + i], slow[i], 1e-9)
                    << "extent " << extent << " row " << r << " index " << i;
        }
        if (extent != WEDGE_EXTENT)
            continue;
        for (int k = 0; k < WEDGE_GRID * 16; ++k)
            EXPECT_NEAR(oneD[k], table[k % 16], 1e-15) << "1D entry " << k / 16;
        // The cap 0 <= theta <= w: coefficient 0 is its solid angle times Y(0, 0).
        const double capArea = 2 * 3.141592653589793 * (1 - std::cos(WEDGE_EXTENT));
        EXPECT_NEAR(table[0], capArea / std::sqrt(4 * 3.141592653589793), 1.5e-3);
    }
}
