// Reading an OBJ file in one pass: statements, faces and their corners.
#include "ModelOBJ.h"

#include "FileBytes.h"
#include "MtlReader.h"
#include "ObjCursor.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include <sys/mman.h>

namespace {

// Keeps every count, 3 x triangle count and vertex index inside int / uint32 whatever the file.
constexpr size_t kMaxTextSize = size_t(1) << 30;

// How far a mapped file is read before the pages behind are let go.
constexpr size_t kReleaseStep = size_t(4) << 20;

// Scans up to Count integers joined by Slashes slashes, as sscanf does; returns how many.
// Numbers cannot reach past the token: whitespace ends every one of them.
template <int Slashes, int Count> int scanNumbers(const char*& p, const char* end, int* out) {
    int read = 0;
    for (;;) {
        if (!parseInt(p, end, out[read]))
            return read;
        if (++read == Count)
            return read;
        for (int s = 0; s < Slashes; ++s, ++p) {
            if (p == end || *p != '/')
                return read;
        }
    }
}

// Face number to 0-based index: n > 0 counts from the file's first element, -k back from the
// last one read so far. A positive number may name an element not read yet (`forward`); whether
// it exists is known only at the end of the file. False for 0 and for reaching back too far.
bool resolveIndex(int number, size_t readSoFar, uint32_t& index, bool& forward) {
    if (number > 0) {
        index = uint32_t(number - 1);
        forward = forward || index >= readSoFar;
        return true;
    }
    if (number < 0 && size_t(-int64_t(number)) <= readSoFar) {
        index = uint32_t(readSoFar - size_t(-int64_t(number)));
        return true;
    }
    return false;
}

// Arrays are reserved from estimates and filled front to back. What is reserved but never used is
// never touched, so it costs address space, not memory; and transparent huge pages, where the
// system has them, save most of the page faults of filling the rest.
template <typename T> void reserveLarge(std::vector<T>& values, size_t count) {
    values.reserve(count);
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    const uintptr_t begin = (uintptr_t(values.data()) + kHugePage - 1) / kHugePage * kHugePage;
    const uintptr_t end = uintptr_t(values.data() + values.capacity()) / kHugePage * kHugePage;
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// The folder part of a path: up to its last '\', or else its last '/'.
std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos)
        slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

bool ModelOBJ::Import(const std::string& path) {
    FileBytes file;
    if (file.mapFile(path) != FileBytes::Ok || file.size() > kMaxTextSize)
        return false;
    directory = folderOf(path);
    return importFrom(file.text(), ReadTextFile, &file);
}

bool ModelOBJ::ImportText(std::string_view objText, const FileReader& readFile) {
    return importFrom(objText, readFile, nullptr);
}

bool ModelOBJ::importFrom(std::string_view text, const FileReader& readFile, FileBytes* file) {
    if (text.size() > kMaxTextSize)
        return false;
    const std::string folder = directory;
    reset();
    directory = folder;

    readStatements(text, readFile, file);
    finishPendingFaces();
    numMaterials = int(materials.size());
    if (numMaterials == 0) {
        materials.emplace_back();
        materials.back().name = "default";
        materialIndexByName["default"] = 0;
    }
    resolveMaterials();
    numPositions = int(positions.size() / 3);
    numTexCoords = int(texCoords.size() / 2);
    numNormals = int(normals.size() / 3);
    numTriangles = int(triangleMaterial.size());
    hasPositions = numPositions > 0;
    hasTexCoords = numTexCoords > 0;
    hasNormals = numNormals > 0;
    reset(false);

    buildBatches();
    computeBoundingBox();
    if (!hasNormals)
        generateNormals();
    bool bumpMapped = false;
    for (int i = 0; i < numMaterials; ++i)
        bumpMapped = bumpMapped || !materials[size_t(i)].bumpMapFile.empty();
    if (bumpMapped)
        generateTangents();
    return true;
}

void ModelOBJ::reset(bool everything) {
    std::vector<Corner>().swap(faceCorners);
    std::vector<Corner>().swap(pendingCorners);
    std::vector<PendingFace>().swap(pendingFaces);
    usedMaterialNames.clear();
    usedMaterialSlot.clear();
    librariesRead.clear();
    libraryBytes = 0;
    std::vector<int32_t>().swap(firstVertexOfPosition);
    std::vector<int32_t>().swap(nextVertexOfPosition);
    std::unordered_map<VertexKey, uint32_t, VertexKeyHash>().swap(hashedVertices);
    if (!everything)
        return;
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
}

void ModelOBJ::readStatements(std::string_view text, const FileReader& readFile, FileBytes* file) {
    ObjCursor cursor(text);
    std::string_view token;
    int materialSlot = 0;
    size_t releaseAt = kReleaseStep;
    // Elements rarely take fewer than 64 characters per v, vt and vn statement together.
    const size_t expectedElements = text.size() / 64;
    reserveLarge(positions, expectedElements * 3);
    reserveLarge(texCoords, expectedElements * 2);
    reserveLarge(normals, expectedElements * 3);
    firstVertexOfPosition.reserve(expectedElements);
    // v, vt and vn read one statement per line: the rest of the line is skipped.
    auto readElement = [&](std::vector<float>& values, int count) {
        float read[3] = {0.0f, 0.0f, 0.0f};
        cursor.scanFloats(read, count);
        cursor.skipLine();
        for (int i = 0; i < count; ++i)
            values.push_back(read[i]);
    };
    while (cursor.nextToken(token)) {
        if (file && size_t(cursor.p - text.data()) >= releaseAt) {
            file->releaseBefore(size_t(token.data() - text.data()));
            releaseAt += kReleaseStep;
        }
        switch (token[0]) {
        case 'v':
            // Other tokens starting with v are passed over; the next token is read as usual.
            if (token.size() == 1) {
                readElement(positions, 3);
                firstVertexOfPosition.push_back(-1);
            } else if (token[1] == 'n') {
                readElement(normals, 3);
            } else if (token[1] == 't') {
                readElement(texCoords, 2);
            }
            break;
        case 'm':
            readLibrary(firstWord(cursor.restOfLine()), readFile);
            break;
        case 'u': {
            auto [entry, added] = usedMaterialSlot.try_emplace(
                std::string(firstWord(cursor.restOfLine())), int(usedMaterialNames.size()) + 1);
            if (added)
                usedMaterialNames.push_back(entry->first);
            materialSlot = entry->second;
            break;
        }
        case 'f':
            readFace(cursor, materialSlot);
            break;
        default:
            cursor.skipLine();
            break;
        }
    }
}

void ModelOBJ::readLibrary(std::string_view name, const FileReader& readFile) {
    // Each library is read once, and all of them together stay under the size limit, so
    // repeated statements cannot multiply the material list.
    const std::string path = directory + std::string(name);
    std::string library;
    if (!name.empty() && readFile && librariesRead.insert(path).second && readFile(path, library) &&
        library.size() <= kMaxTextSize - libraryBytes) {
        libraryBytes += library.size();
        ReadMaterialLibrary(library, materials, materialIndexByName);
    }
}

// Reads the corners of one face statement. The first corner decides the syntax of all: "p//n",
// "p/t/n", "p/t" or "p"; a token that does not scan with it ends the face and is left unread, to
// be read as the next statement. The polygon becomes a fan of triangles around its first corner.
void ModelOBJ::readFace(ObjCursor& cursor, int materialSlot) {
    if (triangleMaterial.capacity() == 0) {
        // Faces mostly follow the elements they use, and a closed mesh has about twice as many
        // triangles as positions; the text still to come bounds the estimate.
        const size_t expected = std::clamp<size_t>(
            positions.size() / 3, 16, std::max<size_t>(size_t(cursor.end - cursor.p) / 32, 16));
        reserveLarge(vertices, expected);
        nextVertexOfPosition.reserve(expected);
        reserveLarge(indices, expected * 6);
        reserveLarge(triangleMaterial, expected * 2);
    }
    cursor.skipSpace();
    const char* const end = cursor.end;
    int numbers[3];
    const char* q = cursor.p;
    const int count = scanNumbers<1, 3>(q, end, numbers);
    // A "//" anywhere in the first corner means "p//n". Digits and single slashes were read, so
    // it can only begin where that reading stopped, or just before.
    bool doubleSlash = false;
    for (const char* s = q > cursor.p ? q - 1 : q; s + 1 < end && !isSpace(*s) && !doubleSlash; ++s)
        doubleSlash = s[0] == '/' && s[1] == '/';
    if (doubleSlash) {
        q = cursor.p;
        if (scanNumbers<2, 2>(q, end, numbers) == 2)
            readCorners<2, 2>(cursor, q, numbers, materialSlot);
    } else if (count == 1) {
        readCorners<1, 1>(cursor, q, numbers, materialSlot);
    } else if (count == 2) {
        readCorners<1, 2>(cursor, q, numbers, materialSlot);
    } else if (count == 3) {
        readCorners<1, 3>(cursor, q, numbers, materialSlot);
    }
}

// The corners of a face whose first corner has been scanned up to `q`.
template <int Slashes, int Count>
void ModelOBJ::readCorners(ObjCursor& cursor, const char* q, int numbers[3], int materialSlot) {
    constexpr bool withTexCoord = Slashes == 1 && Count >= 2;
    constexpr bool withNormal = Slashes == 2 || Count == 3;
    const char* const end = cursor.end;
    const ElementsRead known{positions.size() / 3, texCoords.size() / 2, normals.size() / 3};
    bool valid = true;
    bool forward = false;
    faceCorners.clear();
    for (;;) {
        Corner& corner = faceCorners.emplace_back();
        valid = valid && resolveIndex(numbers[0], known.positions, corner.position, forward);
        if (withTexCoord)
            valid = valid && resolveIndex(numbers[1], known.texCoords, corner.texCoord, forward);
        if (withNormal)
            valid =
                valid && resolveIndex(numbers[Count - 1], known.normals, corner.normal, forward);
        // The rest of the token is not part of the corner.
        while (q != end && !isSpace(*q))
            ++q;
        cursor.p = q;
        cursor.skipSpace();
        q = cursor.p;
        if (q == end || scanNumbers<Slashes, Count>(q, end, numbers) != Count)
            break;
    }

    // A face naming an element that does not exist is dropped whole.
    if (!valid || faceCorners.size() < 3)
        return;
    const size_t triangles = faceCorners.size() - 2;
    if (forward) {
        pendingFaces.push_back({triangleMaterial.size(), pendingCorners.size(), faceCorners.size(),
                                withTexCoord, withNormal, known});
        pendingCorners.insert(pendingCorners.end(), faceCorners.begin(), faceCorners.end());
        indices.resize(indices.size() + triangles * 3);
        triangleMaterial.resize(triangleMaterial.size() + triangles, materialSlot);
        return;
    }
    const uint32_t first = addCorner(faceCorners[0], withTexCoord, withNormal, known);
    uint32_t previous = addCorner(faceCorners[1], withTexCoord, withNormal, known);
    for (size_t i = 2; i < faceCorners.size(); ++i) {
        const uint32_t next = addCorner(faceCorners[i], withTexCoord, withNormal, known);
        indices.insert(indices.end(), {first, previous, next});
        triangleMaterial.push_back(materialSlot);
        previous = next;
    }
}

// Faces with forward references: the element values are those of the moment the face was read
// (0 for one not read yet), and the face is dropped if the file never defines the element.
void ModelOBJ::finishPendingFaces() {
    if (pendingFaces.empty())
        return;
    const ElementsRead total{positions.size() / 3, texCoords.size() / 2, normals.size() / 3};
    constexpr int kDropped = -1;
    for (const PendingFace& face : pendingFaces) {
        const Corner* corners = &pendingCorners[face.firstCorner];
        bool exists = true;
        for (size_t c = 0; c < face.cornerCount; ++c) {
            exists = exists && corners[c].position < total.positions &&
                     (!face.withTexCoord || corners[c].texCoord < total.texCoords) &&
                     (!face.withNormal || corners[c].normal < total.normals);
        }
        uint32_t* out = &indices[face.firstTriangle * 3];
        if (!exists) {
            for (size_t t = 0; t + 2 < face.cornerCount; ++t)
                triangleMaterial[face.firstTriangle + t] = kDropped;
            continue;
        }
        auto add = [&](size_t c) {
            return addCorner(corners[c], face.withTexCoord, face.withNormal, face.known);
        };
        const uint32_t first = add(0);
        uint32_t previous = add(1);
        for (size_t c = 2; c < face.cornerCount; ++c, out += 3) {
            const uint32_t next = add(c);
            out[0] = first;
            out[1] = previous;
            out[2] = next;
            previous = next;
        }
    }
    size_t kept = 0;
    for (size_t t = 0; t < triangleMaterial.size(); ++t) {
        if (triangleMaterial[t] == kDropped)
            continue;
        triangleMaterial[kept] = triangleMaterial[t];
        std::memmove(&indices[kept * 3], &indices[t * 3], 3 * sizeof(uint32_t));
        ++kept;
    }
    triangleMaterial.resize(kept);
    indices.resize(kept * 3);
}

// Every library has been read: usemtl names become material indices (0 for unknown names and
// for faces before the first usemtl).
void ModelOBJ::resolveMaterials() {
    std::vector<int> materialOfSlot(usedMaterialNames.size() + 1, 0);
    for (size_t i = 0; i < usedMaterialNames.size(); ++i) {
        auto found = materialIndexByName.find(usedMaterialNames[i]);
        materialOfSlot[i + 1] = found == materialIndexByName.end() ? 0 : found->second;
    }
    for (int& material : triangleMaterial)
        material = materialOfSlot[size_t(material)];
}

uint32_t ModelOBJ::addCorner(const Corner& corner, bool withTexCoord, bool withNormal,
                             const ElementsRead& known) {
    static const float kZeros[3] = {0.0f, 0.0f, 0.0f};
    const CornerValues values{
        corner.position < known.positions ? &positions[size_t(corner.position) * 3] : kZeros,
        withTexCoord && corner.texCoord < known.texCoords ? &texCoords[size_t(corner.texCoord) * 2]
                                                          : kZeros,
        withNormal && corner.normal < known.normals ? &normals[size_t(corner.normal) * 3] : kZeros};
    return addVertex(values, corner.position);
}
