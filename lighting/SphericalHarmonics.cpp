#include "SphericalHarmonics.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <iostream>
#include <new>
#include <random>

namespace {

constexpr double SQRT2 = 1.4142135623730951;
constexpr double TWO_PI_SINGLE = 6.283185005187988;
constexpr double DEG_TO_RAD = 0.017453293005625408;

double fourPi(ShBuild build) {
    return build == ShBuild::SampleSet ? 12.566370010375977 : 12.566370614359172;
}

double factorial(int n) {
    double f = 1.0;
    for (int i = 2; i <= n; ++i)
        f *= i;
    return f;
}

// K(l, |m|) for both builds, computed once.
struct NormalizationTable {
    double k[2][4][4] = {};
    NormalizationTable() {
        for (int b = 0; b < 2; ++b)
            for (int l = 0; l < 4; ++l)
                for (int m = 0; m <= l; ++m)
                    k[b][l][m] =
                        shNormalization(l, m, b == 0 ? ShBuild::SampleSet : ShBuild::KeyLight);
    }
};

const double (*normalizationFor(ShBuild build))[4] {
    static const NormalizationTable table;
    return table.k[build == ShBuild::SampleSet ? 0 : 1];
}

// The 16 basis values from cos theta and the azimuth's cosine and sine. The Legendre values
// follow the same recurrence as legendreP; the multiple angles come from angle-sum identities.
void basisFromAngles(double x, double cosPhi, double sinPhi, const double (*k)[4],
                     double out[SH_COEFFICIENTS]) {
    const double oneMinusX2 = 1.0 - x * x;
    const double s = std::sqrt(oneMinusX2);

    const double p00 = 1.0;
    const double p10 = x;
    const double p20 = (x * 3.0 * p10 - 1.0 * p00) / 2.0;
    const double p30 = (x * 5.0 * p20 - 2.0 * p10) / 3.0;
    const double p11 = -1.0 * s;
    const double p21 = x * 3.0 * p11;
    const double p31 = (x * 5.0 * p21 - 3.0 * p11) / 2.0;
    const double p22 = 3.0 * oneMinusX2;
    const double p32 = x * 5.0 * p22;
    const double p33 = -15.0 * oneMinusX2 * s;

    const double c1 = cosPhi, s1 = sinPhi;
    const double c2 = c1 * c1 - s1 * s1, s2 = 2.0 * s1 * c1;
    const double c3 = c2 * c1 - s2 * s1, s3 = s2 * c1 + c2 * s1;

    out[0] = k[0][0] * p00;

    out[1] = SQRT2 * k[1][1] * s1 * p11;
    out[2] = k[1][0] * p10;
    out[3] = SQRT2 * k[1][1] * c1 * p11;

    out[4] = SQRT2 * k[2][2] * s2 * p22;
    out[5] = SQRT2 * k[2][1] * s1 * p21;
    out[6] = k[2][0] * p20;
    out[7] = SQRT2 * k[2][1] * c1 * p21;
    out[8] = SQRT2 * k[2][2] * c2 * p22;

    out[9] = SQRT2 * k[3][3] * s3 * p33;
    out[10] = SQRT2 * k[3][2] * s2 * p32;
    out[11] = SQRT2 * k[3][1] * s1 * p31;
    out[12] = k[3][0] * p30;
    out[13] = SQRT2 * k[3][1] * c1 * p31;
    out[14] = SQRT2 * k[3][2] * c2 * p32;
    out[15] = SQRT2 * k[3][3] * c3 * p33;
}

std::uint32_t calendarSeconds() {
    return static_cast<std::uint32_t>(std::time(nullptr));
}

SeedSource seedSource = calendarSeconds;

// The portable generator the C standard gives as its example of rand(): 0 ... 32767.
std::uint32_t jitterState = 1;
int portableRand() {
    jitterState = jitterState * 1103515245u + 12345u;
    return static_cast<int>((jitterState / 65536u) % 32768u);
}

JitterSource jitterSource = portableRand;

// Z_l(angle) applied to a band vector of size n = 2l + 1 (rows r = m + l).
void applyZ(int l, double angle, const double* in, double* out) {
    const double t = angle * DEG_TO_RAD;
    out[l] = in[l];
    for (int m = 1; m <= l; ++m) {
        const double c = std::cos(m * t), s = std::sin(m * t);
        const int neg = l - m, pos = l + m;
        // Row of -m: cos on the diagonal, +sin at column 2l - r; row of +m: -sin there.
        out[neg] = c * in[neg] + s * in[pos];
        out[pos] = c * in[pos] - s * in[neg];
    }
}

void applyMatrix(int n, const double* matrix, bool transpose, const double* in, double* out) {
    for (int r = 0; r < n; ++r) {
        double sum = 0.0;
        for (int c = 0; c < n; ++c)
            sum += (transpose ? matrix[c * n + r] : matrix[r * n + c]) * in[c];
        out[r] = sum;
    }
}

// The fixed band matrices X_1, X_2, X_3, row by row.
struct XMatrices {
    double x1[9];
    double x2[25];
    double x3[49];
    XMatrices() {
        const double h = std::sqrt(3.0) / 2.0;
        const double a = std::sqrt(0.625), b = std::sqrt(0.375), c = std::sqrt(15.0) / 4.0;
        // clang-format off
        const double m1[9] = {
             0, 1, 0,
            -1, 0, 0,
             0, 0, 1};
        const double m2[25] = {
             0,  0,    0, 1,    0,
             0, -1,    0, 0,    0,
             0,  0, -0.5, 0,   -h,
            -1,  0,    0, 0,    0,
             0,  0,   -h, 0,  0.5};
        const double m3[49] = {
             0,  0, 0, -a,     0,  b,     0,
             0, -1, 0,  0,     0,  0,     0,
             0,  0, 0, -b,     0, -a,     0,
             a,  0, b,  0,     0,  0,     0,
             0,  0, 0,  0, -0.25,  0,    -c,
            -b,  0, a,  0,     0,  0,     0,
             0,  0, 0,  0,    -c,  0,  0.25};
        // clang-format on
        std::copy(m1, m1 + 9, x1);
        std::copy(m2, m2 + 25, x2);
        std::copy(m3, m3 + 49, x3);
    }
    const double* band(int l) const { return l == 1 ? x1 : l == 2 ? x2 : x3; }
};

} // namespace

double legendreP(int l, int m, double x) {
    if (m < 0 || m > l)
        return 0.0;
    double doubleFactorial = 1.0;
    for (int i = 2 * m - 1; i > 1; i -= 2)
        doubleFactorial *= i;
    const double sign = (m % 2 == 0) ? 1.0 : -1.0;
    double pmm = sign * doubleFactorial * std::pow(1.0 - x * x, m / 2.0);
    if (l == m)
        return pmm;
    double pm1 = x * (2 * m + 1) * pmm;
    // Upward recurrence in l, the same values a recursive descent would produce.
    for (int ll = m + 2; ll <= l; ++ll) {
        const double pll = (x * (2 * ll - 1) * pm1 - (ll + m - 1) * pmm) / (ll - m);
        pmm = pm1;
        pm1 = pll;
    }
    return pm1;
}

double shNormalization(int l, int m, ShBuild build) {
    if (m < 0 || m > l)
        return 0.0;
    return std::sqrt((2.0 * l + 1.0) * factorial(l - m) / (fourPi(build) * factorial(l + m)));
}

double evalSH(int l, int m, double theta, double phi, ShBuild build) {
    if (l < 0 || m > l || -m > l)
        return 0.0;
    const double sqrt2 = build == ShBuild::SampleSet ? SQRT2 : std::sqrt(2.0);
    const double x = std::cos(theta);
    if (m == 0)
        return shNormalization(l, 0, build) * legendreP(l, 0, x);
    if (m > 0)
        return sqrt2 * shNormalization(l, m, build) * std::cos(m * phi) * legendreP(l, m, x);
    return sqrt2 * shNormalization(l, -m, build) * std::sin(-m * phi) * legendreP(l, -m, x);
}

void evalSHBlock(double theta, double phi, ShBuild build, double out[SH_COEFFICIENTS]) {
    basisFromAngles(std::cos(theta), std::cos(phi), std::sin(phi), normalizationFor(build), out);
}

void setSampleSeedSource(SeedSource source) {
    seedSource = source ? source : calendarSeconds;
}

void generateSampleSet(ShSample* samples) {
    std::mt19937 twister(seedSource());
    const double(*k)[4] = normalizationFor(ShBuild::SampleSet);
    for (int a = 0; a < SAMPLE_STRATA; ++a) {
        for (int b = 0; b < SAMPLE_STRATA; ++b) {
            const double u1 = twister() / 4294967296.0;
            const double u2 = twister() / 4294967296.0;
            ShSample& s = samples[a * SAMPLE_STRATA + b];
            const double x = (a + u1) * 0.005;
            s.theta = 2.0 * std::acos(std::sqrt(1.0 - x));
            const double y = (b + u2) * 0.005;
            s.phi = y * TWO_PI_SINGLE;
            s.radius = 1.0;
            const double sinTheta = std::sin(s.theta), cosTheta = std::cos(s.theta);
            const double cosPhi = std::cos(s.phi), sinPhi = std::sin(s.phi);
            s.x = sinTheta * cosPhi;
            s.y = sinTheta * sinPhi;
            s.z = cosTheta;
            basisFromAngles(cosTheta, cosPhi, sinPhi, k, s.basis);
        }
    }
}

void setKeyLightJitterSource(JitterSource source) {
    jitterSource = source ? source : portableRand;
}

bool generateKeyLightSamples(KeyLightSample* samples) {
    double* block = new (std::nothrow) double[SAMPLE_COUNT * SH_COEFFICIENTS];
    if (!block) {
        std::cerr << "Unable to allocate space for SH values in samples" << std::endl;
        return false;
    }
    const double(*k)[4] = normalizationFor(ShBuild::KeyLight);
    for (int a = 0; a < SAMPLE_STRATA; ++a) {
        for (int b = 0; b < SAMPLE_STRATA; ++b) {
            const double u1 = jitterSource() / 32767.0;
            const double u2 = jitterSource() / 32767.0;
            KeyLightSample& s = samples[a * SAMPLE_STRATA + b];
            s.theta = 2.0 * std::acos(std::sqrt(1.0 - (u1 + a) / 200.0));
            s.phi = ((u2 + b) / 200.0) * 6.283185307179586;
            const double sinTheta = std::sin(s.theta), cosTheta = std::cos(s.theta);
            const double cosPhi = std::cos(s.phi), sinPhi = std::sin(s.phi);
            s.x = static_cast<float>(sinTheta * cosPhi);
            s.y = static_cast<float>(sinTheta * sinPhi);
            s.z = static_cast<float>(cosTheta);
            s.basis = block + (a * SAMPLE_STRATA + b) * SH_COEFFICIENTS;
            basisFromAngles(cosTheta, cosPhi, sinPhi, k, s.basis);
        }
    }
    return true;
}

void projectToSH(const ShSample* samples, int count, SphereFunction f, double p1, double p2,
                 double p3, double p4, double out[SH_COEFFICIENTS]) {
    for (int j = 0; j < SH_COEFFICIENTS; ++j)
        out[j] = 0.0;
    for (int i = 0; i < count; ++i) {
        const ShSample& s = samples[i];
        for (int j = 0; j < SH_COEFFICIENTS; ++j)
            out[j] += f(s.phi, s.theta, p1, p2, p3, p4) * s.basis[j];
    }
    for (int j = 0; j < SH_COEFFICIENTS; ++j)
        out[j] *= SAMPLE_WEIGHT;
}

void rotateSH(const double in[SH_COEFFICIENTS], double beta, double alpha,
              double out[SH_COEFFICIENTS]) {
    static const XMatrices xm;
    double result[SH_COEFFICIENTS];
    result[0] = in[0];
    for (int l = 1; l <= 3; ++l) {
        const int n = 2 * l + 1;
        double t0[7], t1[7];
        applyMatrix(n, xm.band(l), false, in + l * l, t0); // X_l c
        applyZ(l, beta, t0, t1);                           // Z_l(beta)
        applyMatrix(n, xm.band(l), true, t1, t0);          // transpose(X_l)
        applyZ(l, alpha, t0, result + l * l);              // Z_l(alpha)
    }
    for (int j = 0; j < SH_COEFFICIENTS; ++j)
        out[j] = result[j];
}
