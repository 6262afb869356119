#pragma once

#include "Vector3.h"

#include <ostream>
#include <string>
#include <vector>

// The control points of a path text: "%f %f %f" triples up to the first place where three numbers
// cannot be read, each scaled by 2 (files hold half the world coordinates).
std::vector<Vector3> ReadPathPoints(const std::string& text);

// A closed Kochanek-Bartels path through control points; with tension, bias and continuity all 0
// it is a closed Catmull-Rom spline. Immutable once built.
class Spline {
  public:
    // One cubic per control point, c0 + c1 f + c2 f^2 + c3 f^3 for f in [0, 1).
    struct Segment {
        Vector3 c0, c1, c2, c3;
    };

    Spline() = default;
    // Reads the path file; a file that cannot be opened leaves an empty path.
    Spline(const std::string& fileName, float tension, float bias, float continuity);
    Spline(const std::vector<Vector3>& points, float tension, float bias, float continuity);

    // The point at loop parameter u; one unit of u is one full loop.
    Vector3 evaluate(float u) const;
    // The point reached after time at speed: the path is run once every length / speed.
    Vector3 getPoint(float time, float speed) const;
    void print(std::ostream& out) const;

    int numControlPoints() const { return static_cast<int>(segments.size()); }
    float length() const { return pathLength; }

  private:
    void build(const std::vector<Vector3>& points, float tension, float bias, float continuity);

    std::vector<Segment> segments;
    float pathLength = 0.0f;
};
