#pragma once

// Brute-force key light on a height field, the measure the GPU pass is judged by: stratified
// directions over the upper hemisphere, rays marched through the bilinear field in half-texel
// steps from just above the surface (leaving the field or rising above its highest point means
// unoccluded), the light from its 16 coefficients clamped at zero. No GL.

#include <vector>

namespace reference {

// World placement of the height field: N x N texels over [0, size] x [0, size], h * scale high.
struct Terrain {
    int n;
    double size;
    double scale;
    std::vector<float> h; // row after row (z), row 0 first; column = x

    double texel() const { return size / n; }
    // Bilinear between texel centres, clamped at the edge texels; x, z in texels.
    double heightAt(double x, double z) const;
    // The surface normal (world) at a texel centre by central differences over one texel each
    // way, one-sided at the border.
    void normalAt(int row, int column, double n[3]) const;
};

struct Point {
    int row, column;
    double normal[3];
    std::vector<unsigned char> visible; // per direction
};

struct Directions {
    std::vector<double> world; // 3 per direction, world (y up)
    double solidAngle;         // of each
};

// uStrata x azimuthStrata directions, one per equal-area stratum, jittered with a fixed seed.
Directions stratifiedHemisphere(int uStrata, int azimuthStrata);

// Visibility of every direction from every point (the points' row and column set).
void traceVisibility(const Terrain& terrain, const Directions& directions,
                     std::vector<Point>& points);

// E (with visibility) and E0 (without) at each point for the light's coefficients (SH frame:
// x = world x, y = world -z, z = world y).
void keyLight(const Directions& directions, const std::vector<Point>& points,
              const float coefficients[16], std::vector<double>& e, std::vector<double>& e0);

} // namespace reference
