#include "Spline.h"

#include "FileBytes.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>

namespace {

// One "%f": optional white space, then the longest number strtof accepts.
bool ReadFloat(const char*& cursor, float& value) {
    char* end = nullptr;
    value = std::strtof(cursor, &end);
    if (end == cursor)
        return false;
    cursor = end;
    return true;
}

} // namespace

std::vector<Vector3> ReadPathPoints(const std::string& text) {
    std::vector<Vector3> points;
    // text.c_str() ends in a NUL, so strtof stops at the end of the text; an embedded NUL ends
    // reading there, as it would for the file reader.
    const char* cursor = text.c_str();
    // The point count is a 32-bit signed number.
    while (points.size() < static_cast<size_t>(INT_MAX)) {
        float x, y, z;
        if (!ReadFloat(cursor, x) || !ReadFloat(cursor, y) || !ReadFloat(cursor, z))
            break;
        points.push_back(Vector3(x, y, z) * 2.0f);
    }
    return points;
}

Spline::Spline(const std::string& fileName, float tension, float bias, float continuity) {
    std::string text;
    if (!ReadTextFile(fileName, text)) {
        std::cerr << "Spline::Spline(): error open \"" << fileName << "\" file" << std::endl;
        return;
    }
    build(ReadPathPoints(text), tension, bias, continuity);
}

Spline::Spline(const std::vector<Vector3>& points, float tension, float bias, float continuity) {
    build(points, tension, bias, continuity);
}

void Spline::build(const std::vector<Vector3>& points, float t, float b, float c) {
    const size_t n = points.size();
    segments.assign(n, Segment());
    pathLength = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const Vector3& previous = points[(i + n - 1) % n];
        const Vector3& current = points[i];
        const Vector3& next = points[(i + 1) % n];
        const Vector3 v1 = (current - previous) * (1.0f + b);
        const Vector3 v2 = (next - current) * (1.0f - b);
        const Vector3 arrival = (v1 + (v2 - v1) * (0.5f * (1.0f + c))) * (1.0f - t);
        const Vector3 departure = (v1 + (v2 - v1) * (0.5f * (1.0f - c))) * (1.0f - t);

        // Hermite form for now: start point, end point, start tangent, end tangent.
        segments[i].c0 = current;
        segments[i].c1 = next;
        segments[i].c2 = arrival;
        segments[(i + n - 1) % n].c3 = departure;
        pathLength += (next - current).length();
    }
    for (Segment& s : segments) {
        const Vector3 p = s.c0, q = s.c1, startTangent = s.c2, endTangent = s.c3;
        s.c1 = startTangent;
        s.c2 = (q - p) * 3.0f - startTangent * 2.0f - endTangent;
        s.c3 = (p - q) * 2.0f + startTangent + endTangent;
    }
}

Vector3 Spline::evaluate(float u) const {
    if (segments.empty())
        return Vector3();
    const int n = numControlPoints();
    float s = static_cast<float>(n) * u;
    if (!std::isfinite(s))
        return segments[0].c0;
    // Beyond 2^24 a float is a whole number; folding it into one loop keeps the integer
    // conversion defined without changing the result.
    if (std::fabs(s) >= 16777216.0f)
        s = std::fmod(s, static_cast<float>(n));
    // Rounding down rather than toward zero keeps negative times on the loop: same result for
    // u >= 0, and segment index and fraction stay in range for u < 0.
    const float whole = std::floor(s);
    const int i = static_cast<int>(whole);
    const float f = s - whole;
    const int k = ((i % n) + n) % n;
    const Segment& seg = segments[k];
    return seg.c3 * (f * f * f) + (seg.c2 * (f * f) + (seg.c0 + seg.c1 * f));
}

Vector3 Spline::getPoint(float time, float speed) const {
    // A path without two distinct points has no length to run along; it stays at its start.
    if (pathLength == 0.0f)
        return segments.empty() ? Vector3() : segments[0].c0;
    return evaluate(time * speed / pathLength);
}

void Spline::print(std::ostream& out) const {
    out << "Spline" << std::endl;
    out << "\t\tLength: " << pathLength << std::endl;
    out << "\t\tNum_control_points: " << numControlPoints() << std::endl;
    out << "\t\tParameters: " << std::endl;
    // The first n vectors of the coefficient table, in storage order.
    const size_t n = segments.size();
    for (size_t v = 0; v < n; ++v) {
        const Segment& seg = segments[v / 4];
        const Vector3* slots[4] = {&seg.c0, &seg.c1, &seg.c2, &seg.c3};
        out << *slots[v % 4] << std::endl;
    }
}
