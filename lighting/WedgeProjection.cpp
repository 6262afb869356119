#include "WedgeProjection.h"

#include <cstddef>
#include <vector>

double wedgeVisibility(double phi, double theta, double p1, double p2, double p3, double p4) {
    if (theta < p1 || theta > p2)
        return 0.0;
    const double t = p3 + (theta - p2) / (p2 - p1) * (p4 - p3);
    return t <= phi ? 1.0 : 0.0;
}

double wedgeVisibilityHalf(double phi, double theta, double p1, double p2, double p3, double p4) {
    if (theta < p1 || theta > p2)
        return 0.0;
    const double t = p3 + (theta - p2) / ((p2 - p1) * 0.5) * (p4 - p3);
    return t <= phi ? 1.0 : 0.0;
}

namespace {

void projectGridStraightforward(const ShSample* samples, int count, SphereFunction f, double p1,
                                double p2, const double* rowP3, int rows, const double* colP4,
                                int cols, double* out) {
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            projectToSH(samples, count, f, p1, p2, rowP3[r], colP4[c],
                        out + (r * cols + c) * SH_COEFFICIENTS);
}

// Every entry sums the basis over the samples it holds. Only samples with p1 <= theta <= p2 can
// be held, and along a row each is held from its first holding column on, so a row is one
// binary search per sample, one bucket add, and a running sum over the columns. The membership
// test is f itself, so each entry holds exactly the samples the straightforward loop counts.
void projectGridFast(const ShSample* samples, int count, SphereFunction f, double p1, double p2,
                     const double* rowP3, int rows, const double* colP4, int cols, double* out) {
    std::vector<const ShSample*> inside;
    for (int i = 0; i < count; ++i)
        if (samples[i].theta >= p1 && samples[i].theta <= p2)
            inside.push_back(&samples[i]);

    std::vector<double> buckets(static_cast<std::size_t>(cols) * SH_COEFFICIENTS);
    for (int r = 0; r < rows; ++r) {
        const double p3 = rowP3[r];
        buckets.assign(buckets.size(), 0.0);
        for (const ShSample* s : inside) {
            int lo = 0, hi = cols; // first holding column lies in [lo, hi]; hi = cols for none
            while (lo < hi) {
                const int mid = lo + (hi - lo) / 2;
                if (f(s->phi, s->theta, p1, p2, p3, colP4[mid]) != 0.0)
                    hi = mid;
                else
                    lo = mid + 1;
            }
            if (lo == cols)
                continue;
            double* bucket = &buckets[static_cast<std::size_t>(lo) * SH_COEFFICIENTS];
            for (int j = 0; j < SH_COEFFICIENTS; ++j)
                bucket[j] += s->basis[j];
        }
        double sum[SH_COEFFICIENTS] = {};
        for (int c = 0; c < cols; ++c) {
            double* entry = out + (static_cast<std::size_t>(r) * cols + c) * SH_COEFFICIENTS;
            for (int j = 0; j < SH_COEFFICIENTS; ++j) {
                sum[j] += buckets[static_cast<std::size_t>(c) * SH_COEFFICIENTS + j];
                entry[j] = sum[j] * SAMPLE_WEIGHT;
            }
        }
    }
}

} // namespace

void projectWedgeGrid(const ShSample* samples, int count, SphereFunction f, double p1, double p2,
                      const double* rowP3, int rows, const double* colP4, int cols, double* out,
                      Projection method) {
    if (method == Projection::Straightforward)
        projectGridStraightforward(samples, count, f, p1, p2, rowP3, rows, colP4, cols, out);
    else
        projectGridFast(samples, count, f, p1, p2, rowP3, rows, colP4, cols, out);
}

void wedgeSteps(double out[WEDGE_GRID]) {
    double value = 0.0;
    for (int k = 0; k < WEDGE_GRID; ++k) {
        out[k] = value;
        value = value + WEDGE_STEP;
    }
}

void computeWedgeTable1D(const ShSample* samples, double* out, Projection method) {
    double steps[WEDGE_GRID];
    wedgeSteps(steps);
    const double p3 = 0.0;
    projectWedgeGrid(samples, SAMPLE_COUNT, wedgeVisibilityHalf, 0.0, WEDGE_EXTENT, &p3, 1, steps,
                     WEDGE_GRID, out, method);
}

void computeWedgeTable2D(const ShSample* samples, double extent, double* out, Projection method) {
    double steps[WEDGE_GRID];
    wedgeSteps(steps);
    projectWedgeGrid(samples, SAMPLE_COUNT, wedgeVisibility, 0.0, extent, steps, WEDGE_GRID, steps,
                     WEDGE_GRID, out, method);
}

void packWedgeTexels(const double* coefficients, int entries, float* texels[4]) {
    for (int e = 0; e < entries; ++e)
        for (int g = 0; g < 4; ++g)
            for (int c = 0; c < 4; ++c)
                texels[g][e * 4 + c] =
                    static_cast<float>(coefficients[e * SH_COEFFICIENTS + g * 4 + c]);
}
