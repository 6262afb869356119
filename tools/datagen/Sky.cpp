// A clear afternoon sky after Preetham, Shirley and Smits (1999): the Perez luminance and
// chromaticity distributions at turbidity 2.4 with the sun 32 degrees up, a warm sun disc with limb
// darkening and a soft glow around it, a haze band at the horizon and hazy distant land below it.
#include "Sky.h"

#include "DataFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double degree = pi / 180.0;

constexpr double turbidity = 2.4;
constexpr double sunElevation = 32.0 * degree;
// Toward world +x and a little +z, on a side face of the cube: 12 degrees from its nearest edge,
// so the glow and the brightening around the sun do not change fast across an edge.
constexpr double sunAzimuth = 100.0 * degree; // from world -z toward +x

// Radiance of the zenith; everything else follows from the model's ratios.
constexpr double zenithLuminance = 0.16;

const SkyColor whiteBalance = {0.76, 0.95, 1.06};

// The drawn sun is larger than the real one (0.27 degrees) so that it reads on screen; its
// radiance is kept modest so that the 40,000-sample projection does not hinge on hitting it.
constexpr double sunRadius = 0.75 * degree;
constexpr double sunDiscRadiance = 40.0;
const SkyColor sunTint = {1.0, 0.72, 0.40};
// A glow about 7 degrees across at half height, and a wider, fainter aureole.
constexpr double glowWidth = 4.0 * degree;
constexpr double glowRadiance = 1.2;
constexpr double aureoleWidth = 12.0 * degree;
constexpr double aureoleRadiance = 0.3;

// Below the horizon: distant green land lit by the sky, deep in haze near the horizon, so the
// terrain's far edge, seen a few degrees down, melts into it.
const SkyColor groundAlbedo = {0.085, 0.105, 0.055};
constexpr double hazeDepth = 10.0 * degree;

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
SkyColor operator*(SkyColor a, SkyColor b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}

struct Perez {
    double A, B, C, D, E;
    double operator()(double cosTheta, double gamma) const {
        const double cosGamma = std::cos(gamma);
        return (1.0 + A * std::exp(B / std::max(cosTheta, 1e-3))) *
               (1.0 + C * std::exp(D * gamma) + E * cosGamma * cosGamma);
    }
};

// The model's distributions for this turbidity and sun, with their zenith values.
struct Atmosphere {
    Perez luminance, x, y;
    double zenithY, zenithX, zenithYChroma;
    double scale; // from the model's kcd/m^2 to our radiance

    Atmosphere() {
        const double T = turbidity;
        luminance = {0.1787 * T - 1.4630, -0.3554 * T + 0.4275, -0.0227 * T + 5.3251,
                     0.1206 * T - 2.5771, -0.0670 * T + 0.3703};
        x = {-0.0193 * T - 0.2592, -0.0665 * T + 0.0008, -0.0004 * T + 0.2125, -0.0641 * T - 0.8989,
             -0.0033 * T + 0.0452};
        y = {-0.0167 * T - 0.2608, -0.0950 * T + 0.0092, -0.0079 * T + 0.2102, -0.0441 * T - 1.6537,
             -0.0109 * T + 0.0529};

        const double thetaS = pi / 2 - sunElevation;
        const double chi = (4.0 / 9.0 - T / 120.0) * (pi - 2.0 * thetaS);
        zenithY = (4.0453 * T - 4.9710) * std::tan(chi) - 0.2155 * T + 2.4192;
        const double t3 = thetaS * thetaS * thetaS, t2 = thetaS * thetaS;
        zenithX = (0.00166 * t3 - 0.00375 * t2 + 0.00209 * thetaS) * T * T +
                  (-0.02903 * t3 + 0.06377 * t2 - 0.03202 * thetaS + 0.00394) * T +
                  (0.11693 * t3 - 0.21196 * t2 + 0.06052 * thetaS + 0.25886);
        zenithYChroma = (0.00275 * t3 - 0.00610 * t2 + 0.00317 * thetaS) * T * T +
                        (-0.04214 * t3 + 0.08970 * t2 - 0.04153 * thetaS + 0.00516) * T +
                        (0.15346 * t3 - 0.26756 * t2 + 0.06670 * thetaS + 0.26688);
        scale = zenithLuminance / zenithY;
    }

    // Linear sRGB radiance toward a unit direction at or above the horizon.
    SkyColor operator()(const Vec& d) const {
        const double thetaS = pi / 2 - sunElevation;
        const double cosTheta = std::max(d.y, 0.0);
        const double gamma = std::acos(std::clamp(dot(d, sun()), -1.0, 1.0));
        const double Y = zenithY * luminance(cosTheta, gamma) / luminance(1.0, thetaS);
        const double cx = zenithX * x(cosTheta, gamma) / x(1.0, thetaS);
        const double cy = zenithYChroma * y(cosTheta, gamma) / y(1.0, thetaS);
        // xyY to XYZ to linear sRGB (Rec. 709 primaries, D65 white).
        const double X = cx / cy * Y, Z = (1.0 - cx - cy) / cy * Y;
        const SkyColor rgb = {3.2406 * X - 1.5372 * Y - 0.4986 * Z,
                              -0.9689 * X + 1.8758 * Y + 0.0415 * Z,
                              0.0557 * X - 0.2040 * Y + 1.0570 * Z};
        // The model's horizon leans to magenta in sRGB; a mild white balance makes it a pale blue.
        return SkyColor{std::max(rgb.r, 0.0), std::max(rgb.g, 0.0), std::max(rgb.b, 0.0)} *
               whiteBalance * scale;
    }
};

const Atmosphere& atmosphere() {
    static const Atmosphere model;
    return model;
}

// The sun's disc and glow toward a unit direction, by its angle to the sun.
SkyColor sunLight(const Vec& d) {
    const double gamma = std::acos(std::clamp(dot(d, sun()), -1.0, 1.0));
    double radiance = glowRadiance * std::exp(-(gamma / glowWidth) * (gamma / glowWidth)) +
                      aureoleRadiance * std::exp(-gamma / aureoleWidth);
    if (gamma < sunRadius) {
        const double q = gamma / sunRadius;
        const double mu = std::sqrt(1.0 - q * q);
        radiance += sunDiscRadiance * (0.4 + 0.6 * mu); // limb darkening
    }
    return sunTint * radiance;
}

// What the ground sends up: its albedo times the sky's light on a level surface, over pi.
SkyColor groundRadiance() {
    static const SkyColor ground = [] {
        SkyColor irradiance = {0, 0, 0};
        const int rings = 90, segments = 180;
        for (int i = 0; i < rings; ++i) {
            const double theta = (i + 0.5) / rings * (pi / 2);
            const double ringWeight =
                std::cos(theta) * std::sin(theta) * (pi / 2 / rings) * (2 * pi / segments);
            for (int j = 0; j < segments; ++j) {
                const double phi = (j + 0.5) / segments * 2 * pi;
                const Vec d = {std::sin(theta) * std::cos(phi), std::cos(theta),
                               std::sin(theta) * std::sin(phi)};
                irradiance = irradiance + (atmosphere()(d) + sunLight(d)) * ringWeight;
            }
        }
        // Sunlit land: its own colour at the brightness of the light (Rec. 709 luminance).
        const double luminance =
            0.2126 * irradiance.r + 0.7152 * irradiance.g + 0.0722 * irradiance.b;
        return groundAlbedo * (luminance / pi);
    }();
    return ground;
}

SkyColor radianceToward(Vec d) {
    d = normalized(d);
    if (d.y >= 0.0)
        return atmosphere()(d) + sunLight(d);
    // Looking down: the ground, fading into the horizon's haze over the first few degrees.
    const Vec horizon = d.x == 0.0 && d.z == 0.0 ? Vec{0, 0, 1} : normalized({d.x, 0.0, d.z});
    const double depression = std::asin(-d.y);
    const double haze = std::exp(-depression / hazeDepth);
    return groundRadiance() * (1.0 - haze) + atmosphere()(horizon) * haze;
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
    const int faceSize = 256, probeSize = 512;
    return writeRadiance(stageDir + "/images/uffizi_cross.hdr", 3 * faceSize, 4 * faceSize,
                         renderSkyCross(faceSize)) &&
           writeRadiance(stageDir + "/images/uffizi_probe_512x512.hdr", probeSize, probeSize,
                         renderSkyProbe(probeSize));
}
