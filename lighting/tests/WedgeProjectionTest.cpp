#include "WedgeProjection.h"
#include "ShTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

TEST(WedgeFunctions, BoundsAreInclusiveAndTheRampDecides) {
    const double w = WEDGE_EXTENT;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Polar bounds: inclusive at both ends, nothing outside.
    EXPECT_EQ(wedgeVisibility(0.0, w, 0.0, w, 0.0, 0.0), 1.0);
    EXPECT_EQ(wedgeVisibility(0.0, 0.0, 0.0, w, 0.0, 0.0), 1.0);
    EXPECT_EQ(wedgeVisibility(1.0, std::nextafter(w, 1.0), 0.0, w, 0.0, 0.0), 0.0);
    EXPECT_EQ(wedgeVisibility(1.0, 0.1, 0.2, w, 0.0, 0.0), 0.0);
    EXPECT_EQ(wedgeVisibilityHalf(0.0, w, 0.0, w, 0.0, 3.0), 1.0);
    // At theta = p2 the ramp is p3: held from phi = p3 on.
    EXPECT_EQ(wedgeVisibility(1.0, w, 0.0, w, 1.0, 3.0), 1.0);
    EXPECT_EQ(wedgeVisibility(std::nextafter(1.0, 0.0), w, 0.0, w, 1.0, 3.0), 0.0);
    // At theta = 0 the ramp has gone once past p3 by p3 - p4; the half ramp gets there at w/2.
    EXPECT_EQ(wedgeVisibility(3.0, 0.0, 0.0, w, 2.0, 1.0), 1.0);
    EXPECT_EQ(wedgeVisibility(std::nextafter(3.0, 0.0), 0.0, 0.0, w, 2.0, 1.0), 0.0);
    EXPECT_EQ(wedgeVisibility(2.5, w / 2, 0.0, w, 2.0, 1.0), 1.0);
    EXPECT_EQ(wedgeVisibility(2.4, w / 2, 0.0, w, 2.0, 1.0), 0.0);
    EXPECT_EQ(wedgeVisibilityHalf(2.5, w / 2, 0.0, w, 2.0, 1.0), 0.0);
    EXPECT_EQ(wedgeVisibilityHalf(3.0, w / 2, 0.0, w, 2.0, 1.0), 1.0);
    // A comparison with NaN fails: not held.
    EXPECT_EQ(wedgeVisibility(nan, 0.1, 0.0, w, 0.0, 0.0), 0.0);
    EXPECT_EQ(wedgeVisibility(1.0, 0.1, 0.0, w, nan, 0.0), 0.0);
}

TEST(WedgeTables, FastProjectionAgreesWithTheStraightforwardOne) {
    for (std::uint32_t seed : {1u, 1700000000u}) {
        const OwnedSampleSet set(seed);
        double steps[WEDGE_GRID];
        wedgeSteps(steps);

        std::vector<double> fast(WEDGE_GRID * 16), slow(WEDGE_GRID * 16);
        computeWedgeTable1D(set.samples.data(), fast.data());
        computeWedgeTable1D(set.samples.data(), slow.data(), Projection::Straightforward);
        for (std::size_t i = 0; i < fast.size(); ++i)
            ASSERT_NEAR(fast[i], slow[i], 1e-9) << "1D seed " << seed << " index " << i;

        // Whole tables by the fast path; a few full rows of each by the straightforward one.
        const int rows[] = {0, 1, 13, 30, 31};
        for (double extent : {WEDGE_EXTENT, ENV_WEDGE_EXTENT}) {
            std::vector<double> table(WEDGE_GRID * WEDGE_GRID * 16), row(WEDGE_GRID * 16);
            computeWedgeTable2D(set.samples.data(), extent, table.data());
            for (int r : rows) {
                projectWedgeGrid(set.samples.data(), SAMPLE_COUNT, wedgeVisibility, 0.0, extent,
                                 &steps[r], 1, steps, WEDGE_GRID, row.data(),
                                 Projection::Straightforward);
                for (int i = 0; i < WEDGE_GRID * 16; ++i)
                    ASSERT_NEAR(table[r * WEDGE_GRID * 16 + i], row[i], 1e-9)
                        << "extent " << extent << " row " << r << " index " << i;
            }
        }
    }
}

TEST(WedgeTables, OneDimensionalEntriesAreTheCapOfTheFirstTwoDimensionalEntry) {
    const OwnedSampleSet set(2024);
    std::vector<double> oneD(WEDGE_GRID * 16), twoD(WEDGE_GRID * WEDGE_GRID * 16);
    computeWedgeTable1D(set.samples.data(), oneD.data());
    computeWedgeTable2D(set.samples.data(), WEDGE_EXTENT, twoD.data());
    for (int k = 0; k < WEDGE_GRID; ++k)
        for (int j = 0; j < 16; ++j)
            EXPECT_NEAR(oneD[k * 16 + j], twoD[j], 1e-15) << "k=" << k << " j=" << j;

    // The cap 0 <= theta <= w: zonal, coefficient 0 is its solid angle times Y(0, 0).
    const double capArea = 2 * 3.141592653589793 * (1 - std::cos(WEDGE_EXTENT));
    EXPECT_NEAR(twoD[0], capArea / std::sqrt(4 * 3.141592653589793), 1.5e-3);
    for (int j : {1, 3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 15})
        EXPECT_NEAR(twoD[j], 0.0, 1e-3) << j;

    // Along a row the edge falls further below r towards theta = 0 as c grows, so the wedge
    // and its coefficient 0 grow.
    // (Row 0 has r = 0: every entry is the whole cap.)
    for (int i : {0, 5, 17, 31}) {
        for (int j = 1; j < WEDGE_GRID; ++j)
            EXPECT_GE(twoD[(i * WEDGE_GRID + j) * 16], twoD[(i * WEDGE_GRID + j - 1) * 16]);
        if (i > 0)
            EXPECT_GT(twoD[(i * WEDGE_GRID + 31) * 16], twoD[(i * WEDGE_GRID) * 16]);
        else
            EXPECT_EQ(twoD[(i * WEDGE_GRID + 31) * 16], twoD[0]);
    }
}
