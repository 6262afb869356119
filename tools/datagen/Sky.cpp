// A clear midday sky: a deep blue overhead that pales toward a bright band of haze at the
// horizon, the sun high with a warm disc (limb darkened), a soft glow and a broad brightening
// around it, and hazy distant land below the horizon that melts into the haze. The sun stands
// where the terrain's key light is brightest (the light's disc is tilted 12 degrees from the
// zenith), so the sky and the shading on the ground tell one story: the light comes from high
// overhead and models every slope from above; what the camera sees near the horizon is blue.
#include "Sky.h"

#include "DataFile.h"
#include "RunTree.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double degree = pi / 180.0;

constexpr double sunElevation = 78.0 * degree;
// Toward world +x, where the key light's disc starts its turn (azimuth 0 in the SH frame).
constexpr double sunAzimuth = 90.0 * degree; // from world -z toward +x

// Linear radiance; the display's exposure and tone curve make these a pale blue at the horizon,
// a clear blue 15 degrees up and a deep blue at the zenith.
const SkyColor horizonColor = {0.24, 0.40, 0.85};
const SkyColor zenithColor = {0.055, 0.12, 0.36};
constexpr double gradientHeight = 0.25; // sine of the elevation over which the blue deepens
const SkyColor hazeBand = {0.07, 0.07, 0.06}; // whitish, in the first degrees above the horizon
constexpr double hazeBandHeight = 0.05;

// The drawn sun is larger than the real one (0.27 degrees) so that it reads on screen; its
// radiance is kept modest so that the 40,000-sample projection does not hinge on hitting it.
constexpr double sunRadius = 0.75 * degree;
constexpr double sunDiscRadiance = 40.0;
const SkyColor sunTint = {1.0, 0.85, 0.65};
// A glow about 7 degrees across at half height, a wider, fainter aureole, and the broad bright
// region of the sky around a high sun.
constexpr double glowWidth = 4.0 * degree;
constexpr double glowRadiance = 1.2;
constexpr double aureoleWidth = 12.0 * degree;
constexpr double aureoleRadiance = 0.3;
constexpr double brighteningWidth = 35.0 * degree;
constexpr double brighteningRadiance = 0.35;

// Below the horizon: distant land seen through air whose depth grows as 1 / the depression angle
// (the eye about as high above it as the camera flies above the terrain), so the land melts into
// the haze toward the horizon just as the terrain's far edge does.
const SkyColor landColor = {0.085, 0.09, 0.05};
constexpr double hazeDepth = 3.0 * degree;

// Pixels this close to the sun are supersampled, so its disc has a smooth edge in both images.
constexpr double supersampleRadius = 3.0 * degree;
constexpr int supersamples = 8;

struct Vec {
    double x, y, z;
};

Vec normalized(Vec v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

double dot(const Vec& a, const Vec& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec sun() {
    return {std::cos(sunElevation) * std::sin(sunAzimuth), std::sin(sunElevation),
            -std::cos(sunElevation) * std::cos(sunAzimuth)};
}

SkyColor operator+(SkyColor a, SkyColor b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
SkyColor operator*(SkyColor a, double s) {
    return {a.r * s, a.g * s, a.b * s};
}

// The clear sky without the sun, toward a unit direction at or above the horizon.
SkyColor clearSky(const Vec& d) {
    const double up = std::max(d.y, 0.0);
    const double deep = 1.0 - std::exp(-up / gradientHeight);
    return horizonColor * (1.0 - deep) + zenithColor * deep +
           hazeBand * std::exp(-up / hazeBandHeight);
}

// The sun's disc and glow toward a unit direction, by its angle to the sun.
SkyColor sunLight(const Vec& d) {
    const double gamma = std::acos(std::clamp(dot(d, sun()), -1.0, 1.0));
    double radiance = glowRadiance * std::exp(-(gamma / glowWidth) * (gamma / glowWidth)) +
                      aureoleRadiance * std::exp(-gamma / aureoleWidth) +
                      brighteningRadiance * std::exp(-gamma / brighteningWidth);
    if (gamma < sunRadius) {
        const double q = gamma / sunRadius;
        const double mu = std::sqrt(1.0 - q * q);
        radiance += sunDiscRadiance * (0.4 + 0.6 * mu); // limb darkening
    }
    return sunTint * radiance;
}

SkyColor radianceToward(Vec d) {
    d = normalized(d);
    if (d.y >= 0.0)
        return clearSky(d) + sunLight(d);
    // Looking down: the land, fading into the horizon's haze over the first few degrees.
    const double depression = std::asin(-d.y);
    const double haze = 1.0 - std::exp(-hazeDepth / std::max(depression, 1e-6));
    return landColor * (1.0 - haze) + clearSky({d.x, 0.0, d.z}) * haze;
}

// The mean radiance over a pixel: one sample at its centre, or a grid of them near the sun.
// direction(a, b) gives the direction through the pixel at fractions a, b of its extent.
template <typename Direction> SkyColor pixelRadiance(Direction direction) {
    const Vec centre = normalized(direction(0.5, 0.5));
    if (std::acos(std::clamp(dot(centre, sun()), -1.0, 1.0)) > supersampleRadius)
        return radianceToward(centre);
    SkyColor sum = {0, 0, 0};
    for (int a = 0; a < supersamples; ++a)
        for (int b = 0; b < supersamples; ++b)
            sum =
                sum + radianceToward(direction((a + 0.5) / supersamples, (b + 0.5) / supersamples));
    return sum * (1.0 / (supersamples * supersamples));
}

void store(std::vector<float>& rgb, size_t pixel, const SkyColor& c) {
    rgb[pixel * 3 + 0] = (float)c.r;
    rgb[pixel * 3 + 1] = (float)c.g;
    rgb[pixel * 3 + 2] = (float)c.b;
}

// GL's cube-map faces: the direction through face coordinates sc, tc in [-1, 1], where texel row
// 0 of a face is tc = -1 and column 0 is sc = -1.
enum Face { PosX, NegX, PosY, NegY, PosZ, NegZ };
Vec cubeDirection(Face face, double sc, double tc) {
    switch (face) {
    case PosX:
        return {1.0, -tc, -sc};
    case NegX:
        return {-1.0, -tc, sc};
    case PosY:
        return {sc, 1.0, tc};
    case NegY:
        return {sc, -1.0, -tc};
    case PosZ:
        return {sc, -tc, 1.0};
    case NegZ:
        return {-sc, -tc, -1.0};
    }
    return {0, 0, 1};
}

// RGBE with rounded mantissas: the reader scales by 2^(E - 136) without a half-step offset.
void encodeRgbe(const float* rgb, unsigned char out[4]) {
    const double v = std::max({(double)rgb[0], (double)rgb[1], (double)rgb[2]});
    if (!(v > 1e-32)) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    int e = 0;
    std::frexp(v, &e);
    if (std::lround(std::ldexp(v, 8 - e)) > 255)
        ++e;
    for (int c = 0; c < 3; ++c)
        out[c] = (unsigned char)std::clamp<long>(
            std::lround(std::ldexp(std::max(rgb[c], 0.0f), 8 - e)), 0, 255);
    out[3] = (unsigned char)(e + 128);
}

// One channel plane of a scanline: runs of 4 or more as run pairs, the rest as literals.
void appendPlane(std::vector<unsigned char>& out, const unsigned char* plane, int width) {
    auto runAt = [&](int x) {
        int run = 1;
        while (x + run < width && run < 127 && plane[x + run] == plane[x])
            ++run;
        return run;
    };
    for (int x = 0; x < width;) {
        const int run = runAt(x);
        if (run >= 4) {
            out.push_back((unsigned char)(128 + run));
            out.push_back(plane[x]);
            x += run;
            continue;
        }
        const int start = x;
        while (x < width && x - start < 128 && runAt(x) < 4)
            ++x;
        out.push_back((unsigned char)(x - start));
        out.insert(out.end(), plane + start, plane + x);
    }
}

} // namespace

SkyColor skyRadiance(double x, double y, double z) {
    return radianceToward({x, y, z});
}

void sunDirection(double& x, double& y, double& z) {
    const Vec s = sun();
    x = s.x, y = s.y, z = s.z;
}

std::vector<float> renderSkyCross(int n) {
    const int width = 3 * n, height = 4 * n;
    std::vector<float> rgb((size_t)width * height * 3, 0.0f);
    // Face in each row band (0..3) and column block (0..2) of the cross; -1 is empty.
    static const int layout[4][3] = {
        {-1, PosY, -1}, {NegX, PosZ, PosX}, {-1, NegY, -1}, {-1, NegZ, -1}};
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const int face = layout[row / n][column / n];
            if (face < 0)
                continue;
            // The -Z face is stored turned by 180 degrees; the texture manager turns it back.
            const bool turned = face == NegZ;
            const int y = turned ? n - 1 - row % n : row % n;
            const int x = turned ? n - 1 - column % n : column % n;
            const SkyColor c = pixelRadiance([&](double a, double b) {
                return cubeDirection((Face)face, 2.0 * (x + a) / n - 1.0, 2.0 * (y + b) / n - 1.0);
            });
            store(rgb, (size_t)row * width + column, c);
        }
    return rgb;
}

std::vector<float> renderSkyProbe(int size) {
    std::vector<float> rgb((size_t)size * size * 3, 0.0f);
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const SkyColor c = pixelRadiance([&](double a, double b) {
                double u = 2.0 * (column + a) / size - 1.0;
                double v = 2.0 * (row + b) / size - 1.0;
                double rho = std::sqrt(u * u + v * v);
                if (rho > 1.0) // the corners outside the map: the rim's direction, the nadir
                    u /= rho, v /= rho, rho = 1.0;
                const double theta = pi * rho;
                const double k = rho > 0.0 ? std::sin(theta) / rho : 0.0;
                const Vec sh = {u * k, v * k, std::cos(theta)};
                return Vec{sh.x, sh.z, -sh.y}; // SH frame to world
            });
            store(rgb, (size_t)row * size + column, c);
        }
    return rgb;
}

bool writeRadiance(const std::string& path, int width, int height, const std::vector<float>& rgb) {
    std::string head = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n-Y " +
                       std::to_string(height) + " +X " + std::to_string(width) + "\n";
    std::vector<unsigned char> out(head.begin(), head.end());
    std::vector<unsigned char> planes((size_t)width * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char rgbe[4];
            encodeRgbe(&rgb[((size_t)y * width + x) * 3], rgbe);
            for (int c = 0; c < 4; ++c)
                planes[(size_t)c * width + x] = rgbe[c];
        }
        out.insert(out.end(), {2, 2, (unsigned char)(width >> 8), (unsigned char)(width & 0xff)});
        for (int c = 0; c < 4; ++c)
            appendPlane(out, &planes[(size_t)c * width], width);
    }
    return writeDataFile(path,
                         std::string_view(reinterpret_cast<const char*>(out.data()), out.size()));
}

bool writeSky(const std::string& stageDir) {
    // Faces of 256: the sky in view is a smooth gradient without a sun, so filtered texels do not
    // show even at 1920 x 1080, and loading twice the side took 0.6 s of the start-up here.
    const int faceSize = 256, probeSize = 512;
    return writeRadiance(stageDir + "/" + runtree::fromRoot(runtree::skyCrossPath), 3 * faceSize, 4 * faceSize,
                         renderSkyCross(faceSize)) &&
           writeRadiance(stageDir + "/" + runtree::fromRoot(runtree::skyProbePath), probeSize, probeSize,
                         renderSkyProbe(probeSize));
}
