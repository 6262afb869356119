#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 normalize(Vec3 v);

struct Vec2 {
    double u = 0, v = 0;
};

// Collects triangles by material and writes them as OBJ text. Every vertex carries its own
// position, texture coordinate and normal (one index for all three).
class MeshBuilder {
  public:
    using Surface = std::function<Vec3(double u, double v)>;
    using Mapping = std::function<Vec2(double u, double v)>;

    int addVertex(Vec3 position, Vec2 uv, Vec3 normal);
    void addTriangle(const std::string& material, int a, int b, int c);

    // A smooth surface sampled at us x vs. Normals come from the partial derivatives, Pu x Pv
    // (or the opposite with flip), and each triangle is wound counter-clockwise seen from the
    // side its normals face.
    void addPatch(const std::string& material, const std::vector<double>& us,
                  const std::vector<double>& vs, const Surface& surface, const Mapping& mapping,
                  bool flip = false);
    // A flat convex polygon facing `normal`, its corners in order around it: a strip that
    // zigzags across it from the first corner, each step taking the shorter diagonal. A fan from
    // its centre would make every triangle a sliver meeting there, and a rasteriser shades each
    // block of pixels once for every triangle that touches it.
    void addConvexFace(const std::string& material, const std::vector<Vec3>& ring, Vec3 normal,
                       const std::function<Vec2(Vec3)>& mapping);

    // Without a library name there is no mtllib statement; an empty material name writes no
    // usemtl statement.
    std::string objText(const std::string& libraryName) const;

  private:
    struct Group {
        std::string material;
        std::vector<std::array<int, 3>> triangles;
    };
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;
    std::vector<Vec3> normals;
    std::vector<Group> groups; // in first-use order, so each material is one batch
};

// n + 1 evenly spaced values from a to b.
std::vector<double> steps(double a, double b, int n);
