#pragma once

#include <cstdint>

// Real spherical harmonics of bands 0 to 3 (16 coefficients, index l(l+1)+m), the two stratified
// sample sets of 40,000 directions, projection onto the basis and band-wise rotation.

constexpr int SH_COEFFICIENTS = 16;
constexpr int SAMPLE_STRATA = 200;
constexpr int SAMPLE_COUNT = SAMPLE_STRATA * SAMPLE_STRATA;

// 4pi / SAMPLE_COUNT with pi taken as 3.1415925: the weight of one sample.
constexpr double SAMPLE_WEIGHT = 0.0003141592502593994;

// The two builds of the basis differ in the value taken for 4pi.
enum class ShBuild {
    SampleSet, // 4pi = 12.566370010375977 (single-precision pi)
    KeyLight,  // 4pi = 12.566370614359172
};

struct ShSample {
    double theta; // polar angle from +z, 0 ... pi
    double phi;   // azimuth, 0 ... 2pi
    double radius;
    double x, y, z;
    double* basis; // SH_COEFFICIENTS values y(l, m, theta, phi)
};

struct KeyLightSample {
    double theta;
    double phi;
    float x, y, z;
    double* basis;
};

// Associated Legendre polynomial with the Condon-Shortley phase; 0 outside 0 <= m <= l.
double legendreP(int l, int m, double x);

// K(l, m); 0 outside 0 <= m <= l.
double shNormalization(int l, int m, ShBuild build = ShBuild::SampleSet);

// y(l, m, theta, phi); 0 outside |m| <= l.
double evalSH(int l, int m, double theta, double phi, ShBuild build = ShBuild::SampleSet);

// All 16 basis values at once, equal to evalSH up to rounding; what the sample sets store.
void evalSHBlock(double theta, double phi, ShBuild build, double out[SH_COEFFICIENTS]);

// The seed of generateSampleSet: the calendar time in seconds unless a test replaces it.
using SeedSource = std::uint32_t (*)();
void setSampleSeedSource(SeedSource source); // nullptr restores the calendar time

// Fills SAMPLE_COUNT records whose basis blocks are already allocated.
void generateSampleSet(ShSample* samples);

// The key light's jitter: numbers 0 ... 32767, from a fixed-seed generator unless replaced.
using JitterSource = int (*)();
void setKeyLightJitterSource(JitterSource source); // nullptr restores the built-in generator

// Allocates one basis block for the SAMPLE_COUNT records and fills them; false (after a message
// on standard error) when the block cannot be allocated.
bool generateKeyLightSamples(KeyLightSample* samples);

// A function over the sphere with four shape parameters, called as f(phi, theta, p1, p2, p3, p4).
using SphereFunction = double (*)(double phi, double theta, double p1, double p2, double p3,
                                  double p4);

// The straightforward projection of f over a sample set: every sample and every index.
void projectToSH(const ShSample* samples, int count, SphereFunction f, double p1, double p2,
                 double p3, double p4, double out[SH_COEFFICIENTS]);

// Turns a coefficient vector by the tilt beta, then the azimuth alpha (degrees). out may be in.
void rotateSH(const double in[SH_COEFFICIENTS], double beta, double alpha,
              double out[SH_COEFFICIENTS]);
