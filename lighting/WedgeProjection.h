#pragma once

#include "SphericalHarmonics.h"

// The wedge visibility functions and the projection of their parameter grids onto the basis.
// No GL: the textures are made from these tables in WedgeTables.

constexpr double WEDGE_EXTENT = 0.3141592502593994;     // pi/10, 1D and 2D tables
constexpr double ENV_WEDGE_EXTENT = 0.7853981256484985; // pi/4, environment table
constexpr double WEDGE_STEP = 0.09817476570606232;      // pi/32, grid parameter step
constexpr int WEDGE_GRID = 32;

// 1.0 when the direction (phi, theta) lies in the wedge p1 <= theta <= p2 whose lower azimuth
// edge ramps from p3 to p4 over that range, else 0.0 (also for NaN).
double wedgeVisibility(double phi, double theta, double p1, double p2, double p3, double p4);
// The same with the ramp twice as steep.
double wedgeVisibilityHalf(double phi, double theta, double p1, double p2, double p3, double p4);

enum class Projection {
    Fast,            // per row: each sample's first holding column, then running sums
    Straightforward, // projectToSH for every entry
};

// Entry (row, col) is the projection of f with (p1, p2, rowP3[row], colP4[col]), written as 16
// doubles at out + (row * cols + col) * 16. The fast projection requires colP4 to increase and f
// to be one of the wedge functions with p1 < p2: their ramp then falls as p4 grows, so a sample
// held by one column is held by every later one.
void projectWedgeGrid(const ShSample* samples, int count, SphereFunction f, double p1, double p2,
                      const double* rowP3, int rows, const double* colP4, int cols, double* out,
                      Projection method = Projection::Fast);

// 0, d, 2d, ... built by repeated addition, as the table loops step their parameters.
void wedgeSteps(double out[WEDGE_GRID]);

// The 1D table (32 entries) and a 2D table (32 x 32 entries, row after row) over a sample set.
void computeWedgeTable1D(const ShSample* samples, double* out,
                         Projection method = Projection::Fast);
void computeWedgeTable2D(const ShSample* samples, double extent, double* out,
                         Projection method = Projection::Fast);

// Splits entries of 16 coefficients into four RGBA float arrays: array g takes coefficients
// 4g ... 4g+3 of every entry.
void packWedgeTexels(const double* coefficients, int entries, float* texels[4]);
