#include "KeyLightReference.h"

#include "SphericalHarmonics.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>

namespace reference {

double Terrain::heightAt(double x, double z) const {
    const double fx = std::clamp(x - 0.5, 0.0, n - 1.0), fz = std::clamp(z - 0.5, 0.0, n - 1.0);
    const int x0 = std::min(static_cast<int>(fx), n - 2),
              z0 = std::min(static_cast<int>(fz), n - 2);
    const double tx = fx - x0, tz = fz - z0;
    const float* r0 = &h[static_cast<size_t>(z0) * n];
    const float* r1 = r0 + n;
    const double a = r0[x0] + (r0[x0 + 1] - r0[x0]) * tx;
    const double b = r1[x0] + (r1[x0 + 1] - r1[x0]) * tx;
    return a + (b - a) * tz;
}

void Terrain::normalAt(int row, int column, double out[3]) const {
    auto at = [&](int r, int c) {
        return h[static_cast<size_t>(std::clamp(r, 0, n - 1)) * n + std::clamp(c, 0, n - 1)];
    };
    const double k = scale / (2.0 * texel());
    const double nx = (at(row, column - 1) - at(row, column + 1)) * k;
    const double nz = (at(row - 1, column) - at(row + 1, column)) * k;
    const double length = std::sqrt(nx * nx + 1.0 + nz * nz);
    out[0] = nx / length;
    out[1] = 1.0 / length;
    out[2] = nz / length;
}

Directions stratifiedHemisphere(int uStrata, int azimuthStrata) {
    const double pi = 3.141592653589793;
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<double> jitter(0.0, 1.0);
    Directions d;
    for (int a = 0; a < uStrata; ++a)
        for (int b = 0; b < azimuthStrata; ++b) {
            const double u = (a + jitter(random)) / uStrata; // sine of the elevation
            const double psi = 2.0 * pi * (b + jitter(random)) / azimuthStrata;
            const double rho = std::sqrt(1.0 - u * u);
            d.world.insert(d.world.end(), {rho * std::cos(psi), u, rho * std::sin(psi)});
        }
    d.solidAngle = 2.0 * pi / (static_cast<double>(uStrata) * azimuthStrata);
    return d;
}

namespace {

bool rayIsOpen(const Terrain& t, double highest, const double start[3], const double w[3]) {
    const double step = 0.5 * t.texel();
    const double toTexels = 1.0 / t.texel();
    for (double s = step;; s += step) {
        const double x = start[0] + w[0] * s, y = start[1] + w[1] * s, z = start[2] + w[2] * s;
        if (x < 0.0 || z < 0.0 || x > t.size || z > t.size || y > highest)
            return true;
        if (y < t.heightAt(x * toTexels, z * toTexels) * t.scale)
            return false;
    }
}

} // namespace

void traceVisibility(const Terrain& t, const Directions& directions, std::vector<Point>& points) {
    const double highest = *std::max_element(t.h.begin(), t.h.end()) * t.scale;
    const size_t count = directions.world.size() / 3;
    auto trace = [&](size_t first, size_t stride) {
        for (size_t p = first; p < points.size(); p += stride) {
            Point& point = points[p];
            t.normalAt(point.row, point.column, point.normal);
            const double lift = 1e-3 * t.texel();
            const double x = (point.column + 0.5) * t.texel(), z = (point.row + 0.5) * t.texel();
            const double start[3] = {x + point.normal[0] * lift,
                                     t.heightAt(point.column + 0.5, point.row + 0.5) * t.scale +
                                         point.normal[1] * lift,
                                     z + point.normal[2] * lift};
            point.visible.assign(count, 0);
            for (size_t d = 0; d < count; ++d)
                point.visible[d] = rayIsOpen(t, highest, start, &directions.world[3 * d]);
        }
    };
    const size_t threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> workers;
    for (size_t k = 1; k < threads; ++k)
        workers.emplace_back(trace, k, threads);
    trace(0, threads);
    for (std::thread& worker : workers)
        worker.join();
}

void keyLight(const Directions& directions, const std::vector<Point>& points,
              const float coefficients[16], std::vector<double>& e, std::vector<double>& e0) {
    const size_t count = directions.world.size() / 3;
    std::vector<double> light(count);
    for (size_t d = 0; d < count; ++d) {
        const double* w = &directions.world[3 * d];
        const double theta = std::acos(std::clamp(w[1], -1.0, 1.0)); // SH z = world y
        const double phi = std::atan2(-w[2], w[0]);                  // SH y = world -z
        double basis[SH_COEFFICIENTS];
        evalSHBlock(theta, phi, ShBuild::KeyLight, basis);
        double l = 0.0;
        for (int j = 0; j < SH_COEFFICIENTS; ++j)
            l += coefficients[j] * basis[j];
        light[d] = std::max(l, 0.0) * directions.solidAngle;
    }
    e.assign(points.size(), 0.0);
    e0.assign(points.size(), 0.0);
    for (size_t p = 0; p < points.size(); ++p)
        for (size_t d = 0; d < count; ++d) {
            const double* w = &directions.world[3 * d];
            const double* n = points[p].normal;
            const double term = light[d] * std::max(0.0, n[0] * w[0] + n[1] * w[1] + n[2] * w[2]);
            e0[p] += term;
            if (points[p].visible[d])
                e[p] += term;
        }
}

} // namespace reference
