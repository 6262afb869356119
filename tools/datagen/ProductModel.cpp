// The product model: a compact portable speaker. A rounded body in soft-touch plastic, a
// brushed aluminium rim with rounded and chamfered edges around a recessed, perforated grille
// with a small badge, a knurled aluminium volume knob and three rubber buttons on top.
#include "ProductModel.h"

#include "DataFile.h"
#include "ImageFiles.h"
#include "MeshBuilder.h"
#include "RunTree.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>

namespace {

constexpr double pi = 3.14159265358979323846;

// Body: a rounded rectangle (half sizes, corner radius) in the xy plane, swept along z.
constexpr double halfWidth = 0.50;
constexpr double halfHeight = 0.30;
constexpr double cornerRadius = 0.17;
constexpr double halfDepth = 0.17;
constexpr double backRound = 0.06;
constexpr double frontRound = 0.035;
constexpr double rimSeam = halfDepth - frontRound - 0.05; // where plastic meets aluminium
constexpr double rimWidth = 0.055;
constexpr double grilleInset = rimWidth + 0.012; // from the outline, inwards
constexpr double grilleDepth = 0.014;            // below the rim's front face
// Controls on the flat top.
constexpr double knobX = 0.22, knobZ = -0.015, knobRadius = 0.06, knobHeight = 0.06;
constexpr double buttonRadius = 0.024;

// How finely curved surfaces are cut. The model is drawn about 150 pixels wide in the default
// window and everything is lit per pixel, so a flat piece needs no inner vertices and a curve
// needs only as many as keep its outline smooth at a few times that size. Triangles of a pixel
// or less show nothing more and cost every rasteriser a whole block of shading each.
constexpr int cornerSegments = 6;  // per quarter turn of the outline's corners
constexpr int roundRows = 4;       // across the rounded front and back edges
constexpr int circleSegments = 16; // around the knob's collar and top, under 20 pixels across
constexpr int knurlRidges = 24;    // around the knob's side, two vertices each
constexpr int buttonSegments = 8;  // around each button, about 7 pixels across
constexpr int domeRows = 1;        // up each button's dome, about a pixel high

// Grille picture: a hex grid of holes, the badge near the bottom.
constexpr int grilleWidth = 416, grilleHeight = 224;

// ---------------------------------------------------------------- deterministic noise

double hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / double(0x1000000);
}

double smooth(double t) {
    return t * t * (3 - 2 * t);
}

// Value noise on a grid of `period` cells, so a picture built from it tiles.
double valueNoise(double x, double y, int period, std::uint32_t seed) {
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const double fx = smooth(x - ix), fy = smooth(y - iy);
    auto at = [&](int cx, int cy) {
        return hash(static_cast<std::uint32_t>(((cx % period) + period) % period),
                    static_cast<std::uint32_t>(((cy % period) + period) % period), seed);
    };
    const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * fx;
    const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * fx;
    return top + (bottom - top) * fy;
}

double smoothstep(double e0, double e1, double x) {
    return smooth(std::clamp((x - e0) / (e1 - e0), 0.0, 1.0));
}

// ---------------------------------------------------------------- outline of the body

// The rounded rectangle walked counter-clockwise (seen from +z) from the middle of its right
// edge, by arc length.
struct Outline {
    double a, b, r; // half width, half height, corner radius

    double edgeX() const { return 2 * (a - r); }
    double edgeY() const { return 2 * (b - r); }
    double arc() const { return pi * r / 2; }
    double length() const { return 2 * edgeX() + 2 * edgeY() + 4 * arc(); }

    // Position on the outline moved by `offset` along the outward normal, and that normal.
    void at(double s, double offset, Vec3& p, Vec3& n) const {
        const double total = length();
        s = std::fmod(std::fmod(s, total) + total, total);
        const double half = edgeY() / 2;
        // Straight edges and corner arcs in walking order: right (upper half), top-right,
        // top, top-left, left, bottom-left, bottom, bottom-right, right (lower half).
        struct Piece {
            double length;
            bool corner;
            double cx, cy, angle; // corner centre and start angle; for edges: start point
            double dx, dy;        // edge direction
        };
        const double ax = a - r, by = b - r;
        const Piece pieces[] = {
            {half, false, a, 0, 0, 0, 1},       {arc(), true, ax, by, 0, 0, 0},
            {edgeX(), false, ax, b, 0, -1, 0},  {arc(), true, -ax, by, pi / 2, 0, 0},
            {edgeY(), false, -a, by, 0, 0, -1}, {arc(), true, -ax, -by, pi, 0, 0},
            {edgeX(), false, -ax, -b, 0, 1, 0}, {arc(), true, ax, -by, 1.5 * pi, 0, 0},
            {half, false, a, -by, 0, 0, 1},
        };
        for (const Piece& piece : pieces) {
            if (s > piece.length && &piece != &pieces[8]) {
                s -= piece.length;
                continue;
            }
            if (piece.corner) {
                const double angle = piece.angle + s / r;
                n = {std::cos(angle), std::sin(angle), 0};
                p = Vec3{piece.cx, piece.cy, 0} + n * (r + offset);
            } else {
                n = {piece.dy, -piece.dx, 0}; // the right-hand side of the walk is outside
                p = Vec3{piece.cx + piece.dx * s, piece.cy + piece.dy * s, 0} + n * offset;
            }
            return;
        }
    }

    // Arc lengths from 0 to length(): corners cut finely, each straight edge left whole, every
    // joint included.
    std::vector<double> samples() const {
        const double lengths[] = {edgeY() / 2, arc(),   edgeX(), arc(),      edgeY(),
                                  arc(),       edgeX(), arc(),   edgeY() / 2};
        std::vector<double> values{0.0};
        double start = 0;
        for (int i = 0; i < 9; ++i) {
            const int count = (i % 2 == 1) ? cornerSegments : 1;
            for (int k = 1; k <= count; ++k)
                values.push_back(start + lengths[i] * k / count);
            start += lengths[i];
        }
        return values;
    }
};

const Outline body{halfWidth, halfHeight, cornerRadius};

// One smooth piece of the wall's cross-section: offset from the outline and z, for t in [0, 1].
struct Profile {
    double (*offset)(double t);
    double (*z)(double t);
};

// The wall swept around the whole outline.
void addWall(MeshBuilder& mesh, const std::string& material, const Profile& profile, int rows,
             double uRepeat, double vScale) {
    const double total = body.length();
    auto surface = [&](double s, double t) {
        Vec3 p, n;
        body.at(s, profile.offset(t), p, n);
        return Vec3{p.x, p.y, profile.z(t)};
    };
    auto mapping = [&](double s, double t) {
        return Vec2{s / total * uRepeat, profile.z(t) * vScale - profile.offset(t) * vScale};
    };
    mesh.addPatch(material, body.samples(), steps(0, 1, rows), surface, mapping);
}

void addBody(MeshBuilder& mesh) {
    // Back face, its rounded edge, the side band and the groove before the rim.
    std::vector<Vec3> backRing;
    const std::vector<double> around = body.samples();
    for (size_t i = 0; i + 1 < around.size(); ++i) {
        Vec3 p, n;
        body.at(around[i], -backRound, p, n);
        backRing.push_back({p.x, p.y, -halfDepth});
    }
    mesh.addConvexFace("body", backRing, {0, 0, -1}, [](Vec3 p) {
        return Vec2{p.x * 1.5, p.y * 1.5};
    });

    addWall(mesh, "body",
            {[](double t) { return -backRound * std::cos(t * pi / 2); },
             [](double t) { return -halfDepth + backRound * (1 - std::sin(t * pi / 2)); }},
            roundRows, 4, 2);
    addWall(mesh, "body",
            {[](double) { return 0.0; },
             [](double t) {
                 return -halfDepth + backRound + t * (rimSeam - 0.006 - (-halfDepth + backRound));
             }},
            1, 4, 2);
    addWall(
        mesh, "body",
        {[](double t) { return -0.005 * t; }, [](double t) { return rimSeam - 0.006 + 0.003 * t; }},
        1, 4, 2);
    addWall(mesh, "body",
            {[](double t) { return -0.005 * (1 - t); },
             [](double t) { return rimSeam - 0.003 + 0.003 * t; }},
            1, 4, 2);
}

void addRim(MeshBuilder& mesh) {
    const double uRepeat = 10, vScale = 6;
    addWall(mesh, "aluminium",
            {[](double) { return 0.0; },
             [](double t) { return rimSeam + t * (halfDepth - frontRound - rimSeam); }},
            1, uRepeat, vScale);
    addWall(mesh, "aluminium",
            {[](double t) { return -frontRound + frontRound * std::cos(t * pi / 2); },
             [](double t) { return halfDepth - frontRound + frontRound * std::sin(t * pi / 2); }},
            roundRows, uRepeat, vScale);
    addWall(mesh, "aluminium",
            {[](double t) { return -frontRound - t * (rimWidth - frontRound); },
             [](double) { return halfDepth; }},
            1, uRepeat, vScale);
    addWall(mesh, "aluminium",
            {[](double t) { return -rimWidth - t * (grilleInset - rimWidth); },
             [](double t) { return halfDepth - t * grilleDepth; }},
            1, uRepeat, vScale);
}

void addGrille(MeshBuilder& mesh) {
    std::vector<Vec3> ring;
    const std::vector<double> around = body.samples();
    for (size_t i = 0; i + 1 < around.size(); ++i) {
        Vec3 p, n;
        body.at(around[i], -grilleInset, p, n);
        ring.push_back({p.x, p.y, halfDepth - grilleDepth});
    }
    const double w = halfWidth - grilleInset, h = halfHeight - grilleInset;
    mesh.addConvexFace("grille", ring, {0, 0, 1}, [=](Vec3 p) {
        return Vec2{(p.x + w) / (2 * w), (p.y + h) / (2 * h)};
    });
}

// A solid of revolution about the vertical line through (cx, cz): radius and height for
// t in [0, 1], with t running upwards and inwards so the normals face out.
void addLathe(MeshBuilder& mesh, const std::string& material, double cx, double cz,
              const std::function<double(double angle, double t)>& radius,
              const std::function<double(double t)>& height, int segments, int rows, double uRepeat,
              double vScale, bool radialV) {
    auto surface = [&](double angle, double t) {
        const double r = radius(angle, t);
        return Vec3{cx + r * std::cos(angle), height(t), cz - r * std::sin(angle)};
    };
    auto mapping = [&](double angle, double t) {
        const double v = radialV ? radius(angle, t) : height(t);
        return Vec2{angle / (2 * pi) * uRepeat, v * vScale};
    };
    mesh.addPatch(material, steps(0, 2 * pi, segments), steps(0, 1, rows), surface, mapping);
}

void addControls(MeshBuilder& mesh) {
    const double top = halfHeight;
    // Two vertices per ridge, where its flanks are steepest: the knurl's relief is far below a
    // pixel, so the knob's outline stays round while the normals alternate, and the flanks still
    // light and shade in turn.
    auto knurl = [](double angle) { return 0.0022 * (0.5 + 0.5 * std::sin(knurlRidges * angle)); };
    const int knurlSegments = 2 * knurlRidges;
    // Collar, knurled side, chamfer, then the top with concentric brushing.
    addLathe(
        mesh, "aluminium", knobX, knobZ, [](double, double) { return knobRadius + 0.006; },
        [=](double t) { return top + 0.004 * t; }, circleSegments, 1, 2, 4, false);
    addLathe(
        mesh, "aluminium", knobX, knobZ,
        [=](double, double t) { return knobRadius + 0.006 - 0.006 * t; },
        [=](double) { return top + 0.004; }, circleSegments, 1, 2, 4, true);
    addLathe(
        mesh, "aluminium", knobX, knobZ,
        [=](double angle, double) { return knobRadius + knurl(angle); },
        [=](double t) { return top + 0.004 + t * (knobHeight - 0.012); }, knurlSegments, 1, 2, 4,
        false);
    addLathe(
        mesh, "aluminium", knobX, knobZ,
        [=](double angle, double t) {
            return (knobRadius + knurl(angle)) * (1 - t) + (knobRadius - 0.008) * t;
        },
        [=](double t) { return top + knobHeight - 0.008 + 0.008 * std::sin(t * pi / 2); },
        knurlSegments, 1, 2, 4, false);
    addLathe(
        mesh, "aluminium", knobX, knobZ,
        [](double, double t) { return (knobRadius - 0.008) * (1 - t) + 0.003 * t; },
        [=](double) { return top + knobHeight; }, circleSegments, 1, 6, 6, true);
    std::vector<Vec3> cap;
    for (int i = 0; i < 12; ++i) {
        const double angle = 2 * pi * i / 12;
        cap.push_back(
            {knobX + 0.003 * std::cos(angle), top + knobHeight, knobZ - 0.003 * std::sin(angle)});
    }
    mesh.addConvexFace("aluminium", cap, {0, 1, 0}, [](Vec3) { return Vec2{0, 0}; });

    // Three soft domed buttons.
    for (int i = 0; i < 3; ++i) {
        const double cx = -0.03 - 0.085 * i;
        addLathe(
            mesh, "body", cx, knobZ,
            [](double, double t) { return buttonRadius * std::cos(t * pi / 2 * 0.96); },
            [=](double t) { return top + 0.004 + 0.008 * std::sin(t * pi / 2 * 0.96); },
            buttonSegments, domeRows, 2, 8, false);
        addLathe(
            mesh, "body", cx, knobZ, [](double, double) { return buttonRadius; },
            [=](double t) { return top + 0.004 * t; }, buttonSegments, 1, 2, 8, false);
        std::vector<Vec3> pole;
        const double r = buttonRadius * std::cos(pi / 2 * 0.96);
        for (int k = 0; k < buttonSegments; ++k) {
            const double angle = 2 * pi * k / buttonSegments;
            pole.push_back({cx + r * std::cos(angle), top + 0.004 + 0.008 * std::sin(pi / 2 * 0.96),
                            knobZ - r * std::sin(angle)});
        }
        mesh.addConvexFace("body", pole, {0, 1, 0}, [](Vec3) { return Vec2{0, 0}; });
    }
}

// ---------------------------------------------------------------- pictures

struct HeightField {
    int width, height;
    std::vector<double> h;
    HeightField(int w, int hh) : width(w), height(hh), h(static_cast<size_t>(w) * hh, 0.0) {}
    double& at(int x, int y) { return h[static_cast<size_t>(y) * width + x]; }
    double get(int x, int y) const {
        x = ((x % width) + width) % width;
        y = ((y % height) + height) % height;
        return h[static_cast<size_t>(y) * width + x];
    }
};

// Tangent-space normals from heights given in pixels: x along +u (right), y along +v (up).
RgbImage normalMap(const HeightField& field, double strength) {
    RgbImage image(field.width, field.height);
    for (int y = 0; y < field.height; ++y)
        for (int x = 0; x < field.width; ++x) {
            const double du = (field.get(x + 1, y) - field.get(x - 1, y)) * 0.5;
            const double dv = (field.get(x, y - 1) - field.get(x, y + 1)) * 0.5; // rows run down
            const Vec3 n = normalize({-du * strength, -dv * strength, 1.0});
            image.set(x, y, n.x * 0.5 + 0.5, n.y * 0.5 + 0.5, n.z * 0.5 + 0.5);
        }
    return image;
}

// Signed distance to a rounded rectangle centred at (cx, cy).
double roundedBox(double x, double y, double cx, double cy, double hw, double hh, double r) {
    const double qx = std::fabs(x - cx) - hw + r, qy = std::fabs(y - cy) - hh + r;
    const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

bool writeGrille(const std::string& folder) {
    const int w = grilleWidth, h = grilleHeight;
    const double pitch = 16.0, rowStep = pitch * std::sqrt(3.0) / 2, holeRadius = 5.4;
    const double badgeX = w / 2.0, badgeY = h - 20.0, badgeW = 34, badgeH = 8;
    HeightField height(w, h);
    RgbImage color(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            // Nearest hole centre of the hex grid, holes kept clear of the border and badge.
            double nearest = 1e9;
            const int row = static_cast<int>(std::floor(py / rowStep));
            for (int rr = row - 1; rr <= row + 1; ++rr) {
                const double cy = (rr + 0.5) * rowStep;
                const double shift = (rr & 1) ? pitch / 2 : 0.0;
                const int col = static_cast<int>(std::floor((px - shift) / pitch));
                for (int cc = col - 1; cc <= col + 1; ++cc) {
                    const double cx = (cc + 0.5) * pitch + shift;
                    const bool clear = cx > 14 && cx < w - 14 && cy > 14 && cy < h - 14 &&
                                       roundedBox(cx, cy, badgeX, badgeY, badgeW, badgeH, 4) > 9;
                    if (clear)
                        nearest = std::min(nearest, std::hypot(px - cx, py - cy));
                }
            }
            const double hole = smoothstep(holeRadius + 1.0, holeRadius - 1.0, nearest);
            const double badgeDistance = roundedBox(px, py, badgeX, badgeY, badgeW, badgeH, 4);
            const double badge = smoothstep(1.0, -1.5, badgeDistance);
            // An engraved ring on the badge.
            const double ringDistance =
                std::fabs(std::hypot(px - (badgeX - 22), py - badgeY) - 4.0);
            const double ring = badge * smoothstep(1.4, 0.4, ringDistance);

            height.at(x, y) = -2.2 * hole + 1.2 * badge - 0.5 * ring;

            // Grey: the metal's cool tint is the material's (Kd), so the renderer can carry this
            // map in the normal map's alpha.
            const double grain = hash(x, y, 7) * 0.02 - 0.01;
            double value = 0.165 + grain;
            value += (0.03 - value) * hole;
            const double brushed = 0.75 + 0.05 * (valueNoise(x * 0.05, y * 1.3, 64, 3) - 0.5);
            value += (brushed - value) * badge;
            const double engraved = 1.0 - 0.55 * ring;
            color.set(x, y, value * engraved, value * engraved, value * engraved);
        }
    return writeTga(folder + "/grille_color.tga", color) &&
           writePng(folder + "/grille_normal.png", normalMap(height, 0.6));
}

bool writeAluminium(const std::string& folder) {
    const int size = 256;
    HeightField streaks(size, size);
    RgbImage color(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Brushing runs along u: slow variation along it, fast across it.
            const double line = valueNoise(x / 64.0, y * 0.9, 4, 11) * 0.6 +
                                valueNoise(x / 16.0, y * 0.35, 16, 12) * 0.4;
            const double fine = hash(x, y, 13);
            streaks.at(x, y) = line * 0.8 + fine * 0.15;
            const double value = 0.715 + 0.08 * (line - 0.5) + 0.03 * (fine - 0.5);
            color.set(x, y, value, value, value); // grey, tinted by the material (Kd)
        }
    return writePng(folder + "/aluminium_color.png", color) &&
           writeTga(folder + "/aluminium_normal.tga", normalMap(streaks, 0.35));
}

bool writeBodyColor(const std::string& folder) {
    const int size = 256;
    RgbImage color(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double speckle = (hash(x, y, 21) - 0.5) * 0.025;
            const double cloud = (valueNoise(x / 32.0, y / 32.0, 8, 22) - 0.5) * 0.03;
            color.set(x, y, 0.16 + speckle + cloud, 0.42 + speckle + cloud, 0.47 + speckle + cloud);
        }
    return writeTga(folder + "/body_color.tga", color);
}

const char* const materialLibrary = R"(# Generated by brastel_datagen: a portable speaker
newmtl grille
Ka 0.25 0.25 0.25
Kd 0.844 0.894 1.0
Ks 0.20 0.20 0.22
Ns 90
illum 2
map_Kd grille_color.tga
map_bump grille_normal.png

newmtl aluminium
Ka 0.35 0.35 0.35
Kd 0.286 0.291 0.30
Ks 0.90 0.90 0.92
Ns 380
illum 2
map_Kd aluminium_color.png
map_bump aluminium_normal.tga

newmtl body
Ka 0.35 0.35 0.35
Kd 1.0 1.0 1.0
Ks 0.10 0.10 0.10
Ns 40
illum 2
map_Kd body_color.tga
)";

} // namespace

std::string productModelObj() {
    MeshBuilder mesh;
    addGrille(mesh);
    addRim(mesh);
    addBody(mesh);
    addControls(mesh);
    return mesh.objText("brastel.mtl");
}

bool writeProductModel(const std::string& modelFolder) {
    const bool written =
        writeDataFile(modelFolder + "/" + fileName(runtree::productModelPath), productModelObj()) &&
        writeDataFile(modelFolder + "/brastel.mtl", materialLibrary) && writeGrille(modelFolder) &&
        writeAluminium(modelFolder) && writeBodyColor(modelFolder);
    if (!written)
        std::cerr << "Cannot write the product model into " << modelFolder << std::endl;
    return written;
}
