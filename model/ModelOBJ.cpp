#include "ModelOBJ.h"

#include "Vector3.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

// Keeps every count, 3 x triangle count and vertex index inside int / uint32 whatever the file.
constexpr size_t kMaxTextSize = size_t(1) << 30;

inline bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads integers the way "%d" does: optional sign, at least one digit. Values beyond int
// saturate, which no index check accepts.
bool parseInt(const char*& p, const char* end, int& out) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '+' || *s == '-')) {
        negative = *s == '-';
        ++s;
    }
    if (s == end || !isDigit(*s))
        return false;
    const char* first = s;
    uint64_t value = 0;
    for (; s < end && isDigit(*s) && s - first < 10; ++s)
        value = value * 10 + uint64_t(*s - '0');
    if (s < end && isDigit(*s)) {
        value = uint64_t(INT_MAX) + 1; // more than ten digits: beyond int either way
        while (s < end && isDigit(*s))
            ++s;
    }
    int64_t signedValue = negative ? -int64_t(value) : int64_t(value);
    out = int(std::clamp<int64_t>(signedValue, INT_MIN, INT_MAX));
    p = s;
    return true;
}

// strtof on a span that need not be NUL-terminated; the number cannot reach past the token.
bool parseFloatSlow(const char*& p, const char* end, float& out) {
    const char* tokenEnd = p;
    while (tokenEnd < end && !isSpace(*tokenEnd))
        ++tokenEnd;
    size_t length = size_t(tokenEnd - p);
    char small[64];
    std::string large;
    char* buffer = small;
    if (length < sizeof small) {
        std::memcpy(small, p, length);
        small[length] = '\0';
    } else {
        large.assign(p, length);
        buffer = large.data();
    }
    char* stop = nullptr;
    float value = std::strtof(buffer, &stop);
    if (stop == buffer)
        return false;
    out = value;
    p += stop - buffer;
    return true;
}

const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Reads a float with strtof's result. Plain decimals with up to 15 significant digits and a
// small exponent take an exact fast path: the digits and the power of ten are exact doubles, so
// one double operation rounds correctly; the float conversion then rounds once more, which only
// differs from direct rounding when the double lands exactly half-way between two floats.
// Everything else (hex, inf, nan, long mantissas, far exponents) goes to strtof.
bool parseFloat(const char*& p, const char* end, float& out) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '+' || *s == '-')) {
        negative = *s == '-';
        ++s;
    }
    uint64_t mantissa = 0;
    int digits = 0; // significant digits taken into mantissa
    int exponent = 0;
    bool anyDigit = false;
    const char* intStart = s;
    for (; s < end && isDigit(*s); ++s) {
        anyDigit = true;
        if (mantissa == 0 && *s == '0')
            continue;
        mantissa = mantissa * 10 + uint64_t(*s - '0');
        if (++digits > 15)
            return parseFloatSlow(p, end, out);
    }
    if (s < end && (*s == 'x' || *s == 'X') && s - intStart == 1 && *intStart == '0')
        return parseFloatSlow(p, end, out);
    if (s < end && *s == '.') {
        ++s;
        for (; s < end && isDigit(*s); ++s) {
            anyDigit = true;
            --exponent;
            if (mantissa == 0 && *s == '0')
                continue;
            mantissa = mantissa * 10 + uint64_t(*s - '0');
            if (++digits > 15)
                return parseFloatSlow(p, end, out);
        }
    }
    if (!anyDigit)
        return parseFloatSlow(p, end, out);
    if (s < end && (*s == 'e' || *s == 'E')) {
        const char* e = s + 1;
        bool negativeExponent = false;
        if (e < end && (*e == '+' || *e == '-')) {
            negativeExponent = *e == '-';
            ++e;
        }
        if (e < end && isDigit(*e)) {
            int value = 0;
            for (; e < end && isDigit(*e); ++e) {
                if (value < 100000)
                    value = value * 10 + (*e - '0');
            }
            exponent += negativeExponent ? -value : value;
            s = e;
        }
    }
    float value = 0.0f;
    if (mantissa != 0) {
        if (exponent < -22 || exponent > 22)
            return parseFloatSlow(p, end, out);
        double d = exponent < 0 ? double(mantissa) / kPow10[-exponent]
                                : double(mantissa) * kPow10[exponent];
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        if (d < double(FLT_MIN) || d > double(FLT_MAX) ||
            (bits & ((uint64_t(1) << 29) - 1)) == (uint64_t(1) << 28))
            return parseFloatSlow(p, end, out);
        value = float(d);
    }
    out = negative ? -value : value;
    p = s;
    return true;
}

// A bounded cursor over the whole text; nothing is ever read outside [p, end).
struct Cursor {
    const char* p;
    const char* end;

    explicit Cursor(std::string_view text) : p(text.data()), end(text.data() + text.size()) {}

    void skipSpace() {
        while (p < end && isSpace(*p))
            ++p;
    }
    bool nextToken(std::string_view& token) {
        skipSpace();
        const char* start = p;
        while (p < end && !isSpace(*p))
            ++p;
        token = std::string_view(start, size_t(p - start));
        return p != start;
    }
    // A lone '\r' also ends a line, so old Mac files do not collapse into one line.
    std::string_view restOfLine() {
        const char* start = p;
        while (p < end && *p != '\n' && *p != '\r')
            ++p;
        std::string_view line(start, size_t(p - start));
        if (p < end)
            ++p;
        return line;
    }
    void skipLine() {
        if (p == end)
            return;
        const char* found = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* cr =
            static_cast<const char*>(std::memchr(p, '\r', size_t((found ? found : end) - p)));
        if (cr)
            found = cr;
        p = found ? found + 1 : end;
    }
    bool scanFloat(float& value) {
        skipSpace();
        return parseFloat(p, end, value);
    }
    // Like "%f %f ...": stops at the first number that does not scan, leaving the rest as it was.
    void scanFloats(float* values, int count) {
        for (int i = 0; i < count; ++i) {
            if (!scanFloat(values[i]))
                return;
        }
    }
    bool scanInt(int& value) {
        skipSpace();
        return parseInt(p, end, value);
    }
};

std::string_view firstWord(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && isSpace(line[start]))
        ++start;
    size_t stop = start;
    while (stop < line.size() && !isSpace(line[stop]))
        ++stop;
    return line.substr(start, stop - start);
}

bool readWholeFile(const std::string& path, std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::string data;
    size_t used = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long size = std::ftell(file);
        if (size > 0 && size_t(size) > kMaxTextSize) {
            std::fclose(file);
            return false;
        }
        if (size > 0)
            data.resize(size_t(size) + 1);
        std::fseek(file, 0, SEEK_SET);
    }
    if (data.empty())
        data.resize(1 << 16);
    for (;;) {
        used += std::fread(&data[used], 1, data.size() - used, file);
        if (used < data.size() || data.size() > kMaxTextSize)
            break;
        data.resize(data.size() * 2);
    }
    bool ok = !std::ferror(file);
    std::fclose(file);
    if (!ok)
        return false;
    data.resize(used);
    text.swap(data);
    return true;
}

// Corner syntaxes as the first corner of a face decides them.
enum class CornerSyntax { Position, PositionTexCoord, PositionTexCoordNormal, PositionNormal };

struct Corner {
    int position = 0;
    int texCoord = 0;
    int normal = 0;
};

// Scans up to `count` integers joined by `slashes` slashes, as sscanf does; returns how many.
// Numbers cannot reach past the token: whitespace ends every one of them.
int scanNumbers(const char*& p, const char* end, int slashes, int count, int* out) {
    int read = 0;
    for (;;) {
        if (!parseInt(p, end, out[read]))
            return read;
        if (++read == count)
            return read;
        for (int s = 0; s < slashes; ++s, ++p) {
            if (p == end || *p != '/')
                return read;
        }
    }
}

// On success `p` is past the numbers read; the rest of the token is the caller's to skip.
bool scanCorner(const char*& p, const char* end, CornerSyntax syntax, Corner& corner) {
    int n[3] = {0, 0, 0};
    switch (syntax) {
    case CornerSyntax::Position:
        if (scanNumbers(p, end, 1, 1, n) != 1)
            return false;
        corner = {n[0], 0, 0};
        return true;
    case CornerSyntax::PositionTexCoord:
        if (scanNumbers(p, end, 1, 2, n) != 2)
            return false;
        corner = {n[0], n[1], 0};
        return true;
    case CornerSyntax::PositionTexCoordNormal:
        if (scanNumbers(p, end, 1, 3, n) != 3)
            return false;
        corner = {n[0], n[1], n[2]};
        return true;
    case CornerSyntax::PositionNormal:
        if (scanNumbers(p, end, 2, 2, n) != 2)
            return false;
        corner = {n[0], 0, n[1]};
        return true;
    }
    return false;
}

// Reads the corners of one face statement. A token that does not scan as a corner is left
// unread, to be read as the next statement.
void readFace(Cursor& cursor, CornerSyntax& syntax, std::vector<Corner>& corners) {
    corners.clear();
    cursor.skipSpace();
    if (cursor.p == cursor.end)
        return;
    bool doubleSlash = false;
    for (const char* q = cursor.p; q + 1 < cursor.end && !isSpace(*q) && !doubleSlash; ++q)
        doubleSlash = q[0] == '/' && q[1] == '/';
    if (doubleSlash) {
        syntax = CornerSyntax::PositionNormal;
    } else {
        int n[3];
        const char* probe = cursor.p;
        int read = scanNumbers(probe, cursor.end, 1, 3, n);
        syntax = read == 3   ? CornerSyntax::PositionTexCoordNormal
                 : read == 2 ? CornerSyntax::PositionTexCoord
                             : CornerSyntax::Position;
    }
    Corner corner;
    for (;;) {
        const char* stop = cursor.p;
        if (!scanCorner(stop, cursor.end, syntax, corner))
            return;
        corners.push_back(corner);
        while (stop < cursor.end && !isSpace(*stop))
            ++stop;
        cursor.p = stop;
        cursor.skipSpace();
        if (cursor.p == cursor.end)
            return;
    }
}

// The counting pass only needs an upper bound of the triangles. A face line made of numbers and
// slashes alone, not followed by a line that starts with a number, is read by readFace exactly
// up to its end, so it can be skipped by counting its tokens. Returns false for any other line.
bool skipPlainFace(Cursor& cursor, size_t& triangles) {
    enum : uint8_t { Other, Blank, Number, LineEnd };
    static const auto kinds = [] {
        std::array<uint8_t, 256> k{};
        for (char c : std::string_view(" \t\v\f"))
            k[uint8_t(c)] = Blank;
        for (char c : std::string_view("0123456789/+-"))
            k[uint8_t(c)] = Number;
        k[uint8_t('\n')] = k[uint8_t('\r')] = LineEnd;
        return k;
    }();
    const char* q = cursor.p;
    size_t tokens = 0;
    uint8_t previous = Blank;
    for (; q < cursor.end; ++q) {
        const uint8_t kind = kinds[uint8_t(*q)];
        if (kind == Other)
            return false;
        if (kind == LineEnd)
            break;
        tokens += kind == Number && previous == Blank;
        previous = kind;
    }
    const char* next = q;
    while (next < cursor.end && isSpace(*next))
        ++next;
    if (next < cursor.end && (isDigit(*next) || *next == '-' || *next == '+'))
        return false;
    triangles += tokens > 2 ? tokens - 2 : 0;
    cursor.p = q;
    return true;
}

// Face number to 0-based index: n > 0 counts from the start of the file's elements, -k back
// from the last one read so far. False for 0 and for numbers naming no element.
bool resolveIndex(int number, size_t readSoFar, size_t count, uint32_t& index) {
    if (number > 0) {
        if (size_t(number) > count)
            return false;
        index = uint32_t(number - 1);
        return true;
    }
    if (number < 0) {
        size_t back = size_t(-int64_t(number));
        if (back > readSoFar)
            return false;
        index = uint32_t(readSoFar - back);
        return true;
    }
    return false;
}

inline Vector3 load3(const float* v) {
    return {v[0], v[1], v[2]};
}
inline void store3(float* out, const Vector3& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}
inline void add3(float* out, const Vector3& v) {
    out[0] += v.x;
    out[1] += v.y;
    out[2] += v.z;
}

// Multiply by 1 / length. A length whose square leaves float range is taken after scaling by
// the largest component; a zero or NaN vector yields `fallback`.
Vector3 normalizeOr(Vector3 v, const Vector3& fallback) {
    float squared = v.dot(v);
    if (!(squared >= FLT_MIN && squared <= FLT_MAX)) {
        const float largest = std::max(std::fabs(v.x), std::max(std::fabs(v.y), std::fabs(v.z)));
        if (largest > 0.0f && largest <= FLT_MAX)
            v = v * (1.0f / largest);
    }
    float inverse = 1.0f / std::sqrt(v.dot(v));
    Vector3 unit = v * inverse;
    if (!std::isfinite(unit.x) || !std::isfinite(unit.y) || !std::isfinite(unit.z))
        return fallback;
    return unit;
}

} // namespace

bool ModelOBJ::Import(const std::string& path) {
    std::string text;
    if (!readWholeFile(path, text) || text.size() > kMaxTextSize)
        return false;
    std::string folder;
    size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos)
        slash = path.find_last_of('/');
    if (slash != std::string::npos)
        folder = path.substr(0, slash + 1);
    directory = folder;
    FileReader readFile = [](const std::string& libraryPath, std::string& libraryText) {
        return readWholeFile(libraryPath, libraryText);
    };
    return ImportText(text, readFile);
}

bool ModelOBJ::ImportText(std::string_view objText, const FileReader& readFile) {
    if (objText.size() > kMaxTextSize)
        return false;
    std::string folder = directory;
    reset();
    directory = folder;

    countPass(objText, readFile);
    fillPass(objText);
    buildBatches();
    computeBoundingBox();
    if (!hasNormals)
        generateNormals();
    bool bumpMapped = false;
    for (int i = 0; i < numMaterials; ++i)
        bumpMapped = bumpMapped || !materials[size_t(i)].bumpMapFile.empty();
    if (bumpMapped)
        generateTangents();

    std::vector<int32_t>().swap(firstVertexOfPosition);
    std::vector<int32_t>().swap(nextVertexOfPosition);
    std::unordered_map<VertexKey, uint32_t, VertexKeyHash>().swap(hashedVertices);
    return true;
}

void ModelOBJ::reset() {
    hasPositions = hasTexCoords = hasNormals = hasTangents = false;
    numPositions = numTexCoords = numNormals = numTriangles = numMaterials = numBatches = 0;
    center[0] = center[1] = center[2] = 0.0f;
    width = height = depth = maxExtent = 0.0f;
    directory.clear();
    positions.clear();
    texCoords.clear();
    normals.clear();
    vertices.clear();
    indices.clear();
    triangleMaterial.clear();
    materials.clear();
    batches.clear();
    materialIndexByName.clear();
    firstVertexOfPosition.clear();
    nextVertexOfPosition.clear();
    hashedVertices.clear();
}

void ModelOBJ::countPass(std::string_view text, const FileReader& readFile) {
    Cursor cursor(text);
    std::string_view token;
    std::vector<Corner> corners;
    CornerSyntax syntax;
    size_t positionCount = 0, texCoordCount = 0, normalCount = 0, triangleCount = 0;
    std::set<std::string> librariesRead;
    size_t libraryBytes = 0;
    while (cursor.nextToken(token)) {
        switch (token[0]) {
        case 'v':
            if (token.size() == 1) {
                ++positionCount;
                cursor.skipLine();
            } else if (token[1] == 'n') {
                ++normalCount;
                cursor.skipLine();
            } else if (token[1] == 't') {
                ++texCoordCount;
                cursor.skipLine();
            }
            break;
        case 'm': {
            // Each library is read once, and all of them together stay under the size limit,
            // so repeated statements cannot multiply the material list.
            std::string path = directory + std::string(firstWord(cursor.restOfLine()));
            std::string library;
            if (path.size() > directory.size() && readFile && librariesRead.insert(path).second &&
                readFile(path, library) && library.size() <= kMaxTextSize - libraryBytes) {
                libraryBytes += library.size();
                parseLibrary(library);
            }
            break;
        }
        case 'f':
            if (skipPlainFace(cursor, triangleCount))
                break;
            readFace(cursor, syntax, corners);
            if (corners.size() >= 3)
                triangleCount += corners.size() - 2;
            break;
        default:
            cursor.skipLine();
            break;
        }
    }

    numPositions = int(positionCount);
    numTexCoords = int(texCoordCount);
    numNormals = int(normalCount);
    hasPositions = numPositions > 0;
    hasTexCoords = numTexCoords > 0;
    hasNormals = numNormals > 0;
    positions.assign(positionCount * 3, 0.0f);
    texCoords.assign(texCoordCount * 2, 0.0f);
    normals.assign(normalCount * 3, 0.0f);
    indices.reserve(triangleCount * 3);
    triangleMaterial.reserve(triangleCount);
    vertices.reserve(std::min(positionCount, triangleCount * 3));
    nextVertexOfPosition.reserve(vertices.capacity());
    firstVertexOfPosition.assign(positionCount, -1);

    numMaterials = int(materials.size());
    if (numMaterials == 0) {
        materials.emplace_back();
        materials.back().name = "default";
        materialIndexByName["default"] = 0;
    }
}

void ModelOBJ::fillPass(std::string_view text) {
    Cursor cursor(text);
    std::string_view token;
    std::vector<Corner> corners, resolved;
    std::vector<uint32_t> faceVertices;
    CornerSyntax syntax;
    const size_t positionCount = size_t(numPositions);
    const size_t texCoordCount = size_t(numTexCoords);
    const size_t normalCount = size_t(numNormals);
    size_t positionsRead = 0, texCoordsRead = 0, normalsRead = 0;
    int currentMaterial = 0;
    float ignored[3];

    while (cursor.nextToken(token)) {
        switch (token[0]) {
        case 'v':
            // A statement the counting pass did not see (two on one line) has no slot: read it
            // and let it go.
            if (token.size() == 1) {
                float* slot =
                    positionsRead < positionCount ? &positions[positionsRead * 3] : ignored;
                cursor.scanFloats(slot, 3);
                positionsRead = std::min(positionsRead + 1, positionCount);
            } else if (token[1] == 'n') {
                float* slot = normalsRead < normalCount ? &normals[normalsRead * 3] : ignored;
                cursor.scanFloats(slot, 3);
                normalsRead = std::min(normalsRead + 1, normalCount);
            } else if (token[1] == 't') {
                float* slot =
                    texCoordsRead < texCoordCount ? &texCoords[texCoordsRead * 2] : ignored;
                cursor.scanFloats(slot, 2);
                texCoordsRead = std::min(texCoordsRead + 1, texCoordCount);
            }
            break;
        case 'u': {
            auto found = materialIndexByName.find(firstWord(cursor.restOfLine()));
            currentMaterial = found == materialIndexByName.end() ? 0 : found->second;
            break;
        }
        case 'f': {
            readFace(cursor, syntax, corners);
            if (corners.size() < 3)
                break;
            const bool withTexCoord = syntax == CornerSyntax::PositionTexCoord ||
                                      syntax == CornerSyntax::PositionTexCoordNormal;
            const bool withNormal = syntax == CornerSyntax::PositionNormal ||
                                    syntax == CornerSyntax::PositionTexCoordNormal;
            // A face naming an element that does not exist is dropped whole.
            resolved.clear();
            bool valid = true;
            for (const Corner& corner : corners) {
                Corner r;
                uint32_t p = 0, t = 0, n = 0;
                valid = resolveIndex(corner.position, positionsRead, positionCount, p) &&
                        (!withTexCoord ||
                         resolveIndex(corner.texCoord, texCoordsRead, texCoordCount, t)) &&
                        (!withNormal || resolveIndex(corner.normal, normalsRead, normalCount, n));
                if (!valid)
                    break;
                r.position = int(p);
                r.texCoord = int(t);
                r.normal = int(n);
                resolved.push_back(r);
            }
            if (!valid)
                break;
            faceVertices.clear();
            for (const Corner& corner : resolved) {
                ModelVertex vertex{};
                std::memcpy(vertex.position, &positions[size_t(corner.position) * 3],
                            sizeof vertex.position);
                if (withTexCoord)
                    std::memcpy(vertex.texCoord, &texCoords[size_t(corner.texCoord) * 2],
                                sizeof vertex.texCoord);
                if (withNormal)
                    std::memcpy(vertex.normal, &normals[size_t(corner.normal) * 3],
                                sizeof vertex.normal);
                faceVertices.push_back(addVertex(vertex, uint32_t(corner.position)));
            }
            for (size_t i = 2; i < faceVertices.size(); ++i) {
                indices.push_back(faceVertices[0]);
                indices.push_back(faceVertices[i - 1]);
                indices.push_back(faceVertices[i]);
                triangleMaterial.push_back(currentMaterial);
            }
            break;
        }
        default:
            cursor.skipLine();
            break;
        }
    }
    numTriangles = int(triangleMaterial.size());
}

namespace {

constexpr int32_t kHashedPosition = -2;
constexpr int kLongChain = 16;

// Tangent and bitangent are still zero in every record while the mesh is built, so the first
// 32 bytes decide the bitwise equality of all 60.
constexpr size_t kCompared = offsetof(ModelVertex, tangent);

} // namespace

bool ModelOBJ::VertexKey::operator==(const VertexKey& other) const {
    return std::memcmp(words, other.words, sizeof words) == 0;
}

size_t ModelOBJ::VertexKeyHash::operator()(const VertexKey& key) const {
    uint64_t h = 0x9E3779B97F4A7C15u;
    for (uint32_t word : key.words) {
        h = (h ^ word) * 0xBF58476D1CE4E5B9u;
        h ^= h >> 31;
    }
    return size_t(h);
}

ModelOBJ::VertexKey ModelOBJ::vertexKey(const ModelVertex& vertex, uint32_t positionIndex) {
    VertexKey key;
    key.words[0] = positionIndex;
    std::memcpy(&key.words[1], &vertex, kCompared);
    return key;
}

uint32_t ModelOBJ::addVertex(const ModelVertex& vertex, uint32_t positionIndex) {
    int32_t& first = firstVertexOfPosition[positionIndex];
    if (first == kHashedPosition)
        return addHashedVertex(vertex, positionIndex);
    int32_t last = -1;
    int length = 0;
    for (int32_t i = first; i >= 0; i = nextVertexOfPosition[size_t(i)]) {
        if (std::memcmp(&vertices[size_t(i)], &vertex, kCompared) == 0)
            return uint32_t(i);
        last = i;
        ++length;
    }
    if (length >= kLongChain) {
        // Chain members are all different, so the map finds the same vertex the walk would.
        for (int32_t i = first; i >= 0; i = nextVertexOfPosition[size_t(i)])
            hashedVertices.try_emplace(vertexKey(vertices[size_t(i)], positionIndex), uint32_t(i));
        first = kHashedPosition;
        return addHashedVertex(vertex, positionIndex);
    }
    int32_t index = int32_t(vertices.size());
    vertices.push_back(vertex);
    nextVertexOfPosition.push_back(-1);
    if (last < 0)
        first = index;
    else
        nextVertexOfPosition[size_t(last)] = index;
    return uint32_t(index);
}

uint32_t ModelOBJ::addHashedVertex(const ModelVertex& vertex, uint32_t positionIndex) {
    auto [entry, added] =
        hashedVertices.try_emplace(vertexKey(vertex, positionIndex), uint32_t(vertices.size()));
    if (added) {
        vertices.push_back(vertex);
        nextVertexOfPosition.push_back(-1);
    }
    return entry->second;
}

void ModelOBJ::parseLibrary(std::string_view text) {
    Cursor counter(text);
    std::string_view token;
    size_t newCount = 0;
    while (counter.nextToken(token)) {
        if (token[0] == 'n')
            ++newCount;
        counter.skipLine();
    }
    materials.reserve(materials.size() + newCount);

    // Statements before the first newmtl go to a scratch record, so the reading stays aligned.
    ModelMaterial scratch;
    size_t current = SIZE_MAX;
    Cursor cursor(text);
    while (cursor.nextToken(token)) {
        ModelMaterial& material = current == SIZE_MAX ? scratch : materials[current];
        switch (token[0]) {
        case 'n': {
            std::string name(firstWord(cursor.restOfLine()));
            current = materials.size();
            materials.emplace_back();
            materials.back().name = name;
            materialIndexByName[name] = int(current);
            break;
        }
        case 'K': {
            float* color = nullptr;
            if (token.size() >= 2 && token[1] == 'a')
                color = material.ambient;
            else if (token.size() >= 2 && token[1] == 'd')
                color = material.diffuse;
            else if (token.size() >= 2 && token[1] == 's')
                color = material.specular;
            if (!color) {
                cursor.skipLine();
                break;
            }
            cursor.scanFloats(color, 3);
            color[3] = 1.0f;
            break;
        }
        case 'N':
            cursor.scanFloat(material.shininess);
            material.shininess /= 1000.0f;
            break;
        case 'T':
            if (token.size() >= 2 && token[1] == 'r') {
                cursor.scanFloat(material.opacity);
                material.opacity = 1.0f - material.opacity;
            } else {
                cursor.skipLine();
            }
            break;
        case 'd':
            cursor.scanFloat(material.opacity);
            break;
        case 'i': {
            int illumination = 0;
            cursor.scanInt(illumination);
            if (illumination == 1) {
                material.specular[0] = material.specular[1] = material.specular[2] = 0.0f;
                material.specular[3] = 1.0f;
            }
            break;
        }
        case 'm':
            if (token.find("map_Kd") != std::string_view::npos)
                material.colorMapFile = std::string(firstWord(cursor.restOfLine()));
            else if (token.find("map_bump") != std::string_view::npos)
                material.bumpMapFile = std::string(firstWord(cursor.restOfLine()));
            else
                cursor.skipLine();
            break;
        default:
            cursor.skipLine();
            break;
        }
    }
}

void ModelOBJ::buildBatches() {
    batches.clear();
    for (size_t t = 0; t < triangleMaterial.size();) {
        size_t runEnd = t + 1;
        while (runEnd < triangleMaterial.size() && triangleMaterial[runEnd] == triangleMaterial[t])
            ++runEnd;
        MaterialBatch batch;
        batch.firstIndex = int(t * 3);
        batch.triangleCount = int(runEnd - t);
        batch.material = &materials[size_t(triangleMaterial[t])];
        batches.push_back(batch);
        t = runEnd;
    }
    numBatches = int(batches.size());
    // Opaque first; equal opacities keep file order. NaN sorts last, so the order stays strict.
    auto key = [](const MaterialBatch& b) {
        return std::isnan(b.material->opacity) ? -INFINITY : b.material->opacity;
    };
    std::stable_sort(
        batches.begin(), batches.end(),
        [&](const MaterialBatch& a, const MaterialBatch& b) { return key(a) > key(b); });
}

void ModelOBJ::computeBoundingBox() {
    if (vertices.empty()) {
        center[0] = center[1] = center[2] = 0.0f;
        width = height = depth = maxExtent = 0.0f;
        return;
    }
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (const ModelVertex& v : vertices) {
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], v.position[a]);
            hi[a] = std::max(hi[a], v.position[a]);
        }
    }
    // Halving first cannot overflow near FLT_MAX and gives the same value otherwise.
    for (int a = 0; a < 3; ++a)
        center[a] = lo[a] * 0.5f + hi[a] * 0.5f;
    width = hi[0] - lo[0];
    height = hi[1] - lo[1];
    depth = hi[2] - lo[2];
    maxExtent = std::max(width, std::max(height, depth));
}

void ModelOBJ::unitize(float targetSize) {
    computeBoundingBox();
    // A flat point or a box beyond float range has no scale to fit; it is only centred.
    float scale = maxExtent > 0.0f && std::isfinite(maxExtent) ? targetSize / maxExtent : 1.0f;
    for (ModelVertex& v : vertices) {
        for (int a = 0; a < 3; ++a)
            v.position[a] = (v.position[a] - center[a]) * scale;
    }
    computeBoundingBox();
}

void ModelOBJ::generateNormals() {
    for (ModelVertex& v : vertices)
        v.normal[0] = v.normal[1] = v.normal[2] = 0.0f;
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        ModelVertex& a = vertices[indices[i]];
        ModelVertex& b = vertices[indices[i + 1]];
        ModelVertex& c = vertices[indices[i + 2]];
        Vector3 p0 = load3(a.position);
        Vector3 faceNormal = (load3(b.position) - p0).cross(load3(c.position) - p0);
        add3(a.normal, faceNormal);
        add3(b.normal, faceNormal);
        add3(c.normal, faceNormal);
    }
    for (ModelVertex& v : vertices)
        store3(v.normal, normalizeOr(load3(v.normal), Vector3(0.0f, 0.0f, 1.0f)));
    hasNormals = true;
}

void ModelOBJ::generateTangents() {
    for (ModelVertex& v : vertices) {
        std::memset(v.tangent, 0, sizeof v.tangent);
        std::memset(v.bitangent, 0, sizeof v.bitangent);
    }
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        ModelVertex* corner[3] = {&vertices[indices[i]], &vertices[indices[i + 1]],
                                  &vertices[indices[i + 2]]};
        Vector3 p0 = load3(corner[0]->position);
        Vector3 e1 = load3(corner[1]->position) - p0;
        Vector3 e2 = load3(corner[2]->position) - p0;
        float du1 = corner[1]->texCoord[0] - corner[0]->texCoord[0];
        float dv1 = corner[1]->texCoord[1] - corner[0]->texCoord[1];
        float du2 = corner[2]->texCoord[0] - corner[0]->texCoord[0];
        float dv2 = corner[2]->texCoord[1] - corner[0]->texCoord[1];
        float det = du1 * dv2 - dv1 * du2;
        Vector3 t(1.0f, 0.0f, 0.0f);
        Vector3 b(0.0f, 1.0f, 0.0f);
        if (std::fabs(det) >= 1e-6f) {
            float r = 1.0f / det;
            t = (e1 * dv2 - e2 * dv1) * r;
            b = (e2 * du1 - e1 * du2) * r;
        }
        for (ModelVertex* v : corner) {
            add3(v->tangent, t);
            add3(v->bitangent, b);
        }
    }
    for (ModelVertex& v : vertices) {
        Vector3 n = load3(v.normal);
        Vector3 t = load3(v.tangent);
        t = t - n * n.dot(t);
        // Any unit vector off the normal will do where the triangles give no direction.
        Vector3 axis =
            std::fabs(n.x) < 0.9f ? Vector3(1.0f, 0.0f, 0.0f) : Vector3(0.0f, 1.0f, 0.0f);
        Vector3 fallback = normalizeOr(axis - n * n.dot(axis), axis);
        t = normalizeOr(t, fallback);
        Vector3 bitangent = n.cross(t);
        float w = bitangent.dot(load3(v.bitangent)) >= 0.0f ? -1.0f : 1.0f;
        store3(v.tangent, t);
        v.tangent[3] = w;
        store3(v.bitangent, bitangent);
    }
    hasTangents = true;
}
