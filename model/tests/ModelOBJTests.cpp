#include "ModelOBJ.h"

#include <gtest/gtest.h>
#include <tiny_obj_loader.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

// Imports OBJ text with the given libraries served from memory by name.
bool importText(ModelOBJ& model, const std::string& obj,
                const std::map<std::string, std::string>& libraries = {}) {
    return model.ImportText(obj, [&](const std::string& path, std::string& text) {
        auto found = libraries.find(path);
        if (found == libraries.end())
            return false;
        text = found->second;
        return true;
    });
}

const ModelVertex& cornerVertex(const ModelOBJ& m, int triangle, int corner) {
    return m.vertices.at(m.indices.at(size_t(triangle * 3 + corner)));
}

float cornerX(const ModelOBJ& m, int triangle, int corner) {
    return cornerVertex(m, triangle, corner).position[0];
}

std::string writeFile(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

bool allFinite(const float* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i]))
            return false;
    return true;
}

} // namespace

TEST(ModelOBJImport, FansPolygonsAndResolvesRelativeAndForwardNumbers) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v 1 0 0\nv 2 0 0\nv 3 0 0\n"
                              "f -3 -2 -1\n"
                              "v 4 0 0\nv 5 0 0\n"
                              "f 1 2 3 4 5\n"
                              "f 1 2 6\n" // 6 is defined later: zeros when the face is read
                              "v 6 6 6\n"));
    ASSERT_EQ(m.numTriangles, 5);
    EXPECT_EQ(m.numPositions, 6);
    const float expected[4][3] = {{1, 2, 3}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}};
    for (int t = 0; t < 4; ++t)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(cornerX(m, t, c), expected[t][c]) << "triangle " << t << " corner " << c;
    const ModelVertex& forward = cornerVertex(m, 4, 2);
    EXPECT_EQ(forward.position[0], 0.0f);
    EXPECT_EQ(forward.position[1], 0.0f);
    EXPECT_EQ(m.positions[15], 6.0f); // the raw array still gets the later value

    // A quad with full corners: (1,2,3) and (1,3,4), both with the current material.
    ModelOBJ q2;
    ASSERT_TRUE(importText(q2,
                           "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                           "usemtl b\nf 1/1/1 2/2/1 3/3/1 4/4/1\n",
                           {{"lib.mtl", "newmtl a\nnewmtl b\n"}}));
    ASSERT_EQ(q2.numTriangles, 2);
    EXPECT_EQ(q2.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(q2.triangleMaterial, (std::vector<int>{1, 1}));
    EXPECT_EQ(cornerVertex(q2, 1, 2).texCoord[1], 1.0f);
    EXPECT_EQ(cornerVertex(q2, 1, 2).normal[2], 1.0f);
}

TEST(ModelOBJImport, CornerSyntaxComesFromTheFirstCorner) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                              "vt 0.5 0.25\nvn 0 0 -1\n"
                              "f 1//1 2//1 3//1\n"
                              "f 1/1 2/1 3/1 4\n" // "4" is not a "%d/%d" corner: it ends the face
                              "f 2 3/1/1 4//1\n"));
    ASSERT_EQ(m.numTriangles, 3);
    EXPECT_EQ(cornerVertex(m, 0, 1).normal[2], -1.0f);
    EXPECT_EQ(cornerVertex(m, 0, 1).texCoord[0], 0.0f);
    EXPECT_EQ(cornerVertex(m, 1, 2).texCoord[1], 0.25f);
    EXPECT_EQ(cornerVertex(m, 1, 2).normal[2], 0.0f);
    EXPECT_EQ(cornerX(m, 2, 2), 1.0f); // lone-position syntax takes the leading number only
    EXPECT_EQ(cornerVertex(m, 2, 1).texCoord[0], 0.0f);
}

TEST(ModelOBJImport, SharesVerticesOnlyWhenAllAttributesMatch) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                              "vt 0 0\nvt 1 0\nvt 0 1\nvt 9 9\nvn 0 0 1\n"
                              "f 1/1/1 2/2/1 3/3/1\n"
                              "f 2/2/1 4/2/1 3/3/1\n"    // shares corners 2 and 3
                              "f 1/4/1 2/2/1 3/3/1\n")); // position 1 with another vt
    ASSERT_EQ(m.numTriangles, 3);
    EXPECT_EQ(m.vertices.size(), 5u);
    EXPECT_EQ(m.indices[3], m.indices[1]);
    EXPECT_EQ(m.indices[5], m.indices[2]);
    EXPECT_NE(m.indices[6], m.indices[0]);
    EXPECT_EQ(m.vertices[m.indices[6]].texCoord[0], 9.0f);

    // Bitwise comparison: -0 and 0 are different vertices.
    ModelOBJ z;
    ASSERT_TRUE(importText(z, "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt -0 0\n"
                              "f 1/1 2/1 3/1\nf 1/2 2/1 3/1\n"));
    EXPECT_EQ(z.vertices.size(), 4u);
}

TEST(ModelOBJImport, SharesVerticesAlsoWhenOnePositionHasManyTexCoords) {
    // One position with many texture coordinates takes the long-chain path of the table.
    std::ostringstream obj;
    obj << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 0\n";
    const int n = 100;
    for (int i = 0; i < n; ++i)
        obj << "vt " << i << " 0\n";
    for (int round = 0; round < 2; ++round)
        for (int i = 1; i <= n; ++i)
            obj << "f 1/" << i << " 2/1 3/1\n";
    obj << "f 4/7 2/1 3/1\n"; // equal values, another position number: its own vertex
    ModelOBJ m;
    ASSERT_TRUE(importText(m, obj.str()));
    ASSERT_EQ(m.numTriangles, 2 * n + 1);
    EXPECT_EQ(m.vertices.size(), size_t(n + 2 + 1));
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(m.indices[size_t(i) * 3], m.indices[size_t(n + i) * 3]) << i;
        EXPECT_EQ(cornerVertex(m, i, 0).texCoord[0], float(i)) << i;
    }
    EXPECT_EQ(m.indices[m.indices.size() - 3], m.vertices.size() - 1);
}

TEST(ModelOBJImport, PlainMeshGetsDefaultMaterialAndGeneratedNormals) {
    ModelOBJ m;
    // Two triangles sharing an edge, folded: shared vertices average the face normals.
    ASSERT_TRUE(importText(m, "mtllib missing.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                              "usemtl nothing\nf 1 2 3\nf 1 4 2\n"));
    EXPECT_TRUE(m.hasPositions);
    EXPECT_FALSE(m.hasTexCoords);
    EXPECT_TRUE(m.hasNormals);
    EXPECT_FALSE(m.hasTangents);
    EXPECT_EQ(m.numMaterials, 0);
    ASSERT_EQ(m.numBatches, 1);
    const ModelMaterial& d = *m.batches[0].material;
    EXPECT_EQ(d.name, "default");
    EXPECT_EQ(d.ambient[0], 0.2f);
    EXPECT_EQ(d.diffuse[2], 0.8f);
    EXPECT_EQ(d.specular[0], 0.0f);
    EXPECT_EQ(d.specular[3], 1.0f);
    EXPECT_EQ(d.opacity, 1.0f);
    EXPECT_EQ(m.batches[0].triangleCount, 2);
    const ModelVertex& only3 = m.vertices[2]; // only in the first face: +z
    EXPECT_NEAR(only3.normal[2], 1.0f, 1e-6f);
    const ModelVertex& shared = m.vertices[0]; // both faces: (0,0,1) and (0,1,0) averaged
    EXPECT_NEAR(shared.normal[1], std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(shared.normal[2], std::sqrt(0.5f), 1e-6f);

    // A degenerate triangle alone gives its vertices no direction: a finite fallback.
    ModelOBJ flat;
    ASSERT_TRUE(importText(flat, "v 1 1 1\nv 2 2 2\nv 3 3 3\nf 1 2 3\n"));
    for (const ModelVertex& v : flat.vertices)
        EXPECT_TRUE(allFinite(v.normal, 3));
}

TEST(ModelOBJImport, ReadsMaterialLibraryStatements) {
    const std::string mtl = "Kd 0.1 0.1 0.1\nd 0.3\n" // before any newmtl: ignored
                            "newmtl first\n"
                            "Ka 0.5 0.25 0.125\nKd 1 0 0\nKs 0.5 0.5 0.5\nNs 500\nTr 0.25\n"
                            "map_Kd  color.tga extra\nmap_bump bump.tga\n"
                            "newmtl second\nKs 1 1 1\nillum 1\nd 0.25\nKe 9 9 9\n"
                            "newmtl first\nillum 2\n";
    ModelOBJ m;
    ASSERT_TRUE(importText(m,
                           "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                           "f 1 2 3\nusemtl second\nf 1 2 3\nusemtl first\nf 1 2 3\n"
                           "usemtl unknown\nf 1 2 3\n",
                           {{"lib.mtl", mtl}}));
    ASSERT_EQ(m.numMaterials, 3);
    const ModelMaterial& a = m.materials[0];
    EXPECT_EQ(a.name, "first");
    EXPECT_EQ(a.ambient[1], 0.25f);
    EXPECT_EQ(a.ambient[3], 1.0f);
    EXPECT_EQ(a.diffuse[0], 1.0f);
    EXPECT_EQ(a.diffuse[1], 0.0f);
    EXPECT_EQ(a.specular[0], 0.5f);
    EXPECT_FLOAT_EQ(a.shininess, 0.5f);
    EXPECT_FLOAT_EQ(a.opacity, 0.75f);
    EXPECT_EQ(a.colorMapFile, "color.tga");
    EXPECT_EQ(a.bumpMapFile, "bump.tga");
    const ModelMaterial& b = m.materials[1];
    EXPECT_EQ(b.specular[0], 0.0f);
    EXPECT_EQ(b.specular[3], 1.0f);
    EXPECT_EQ(b.opacity, 0.25f);
    EXPECT_EQ(b.diffuse[0], 0.8f); // defaults, nothing from the statements before newmtl
    EXPECT_EQ(m.materials[2].specular[0], 0.0f);
    // The repeated name maps to its later record; faces before usemtl and unknown names use 0.
    EXPECT_EQ(m.triangleMaterial, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_TRUE(m.hasTangents); // a material has a bump map
}

TEST(ModelOBJImport, SeveralLibrariesAddUpAndEachIsReadOnce) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m,
                           "mtllib a.mtl\nmtllib b.mtl\nmtllib a.mtl\nmtllib\n"
                           "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
                           "usemtl fromB\nf 1 2 3\nusemtl shared\nf 1 2 3\n",
                           {{"a.mtl", "newmtl fromA\nnewmtl shared\nd 0.1\n"},
                            {"b.mtl", "newmtl fromB\nnewmtl shared\nd 0.2\n"}}));
    ASSERT_EQ(m.numMaterials, 4);
    EXPECT_EQ(m.triangleMaterial, (std::vector<int>{2, 3})); // the later "shared" wins
    EXPECT_EQ(m.batches[1].material->opacity, 0.2f);
}

TEST(ModelOBJImport, BatchesFollowRunsOpaqueFirstInFileOrder) {
    const std::string mtl = "newmtl solid\nd 1\nnewmtl glass\nd 0.5\nnewmtl stone\nTr 0\n";
    ModelOBJ m;
    ASSERT_TRUE(importText(m,
                           "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                           "usemtl solid\nf 1 2 3\nf 1 2 3\n"
                           "usemtl glass\nf 1 2 3\n"
                           "usemtl stone\nf 1 2 3\nf 1 2 3\nf 1 2 3\n"
                           "usemtl glass\nf 1 2 3\n",
                           {{"lib.mtl", mtl}}));
    ASSERT_EQ(m.numBatches, 4);
    const std::pair<int, int> expected[] = {{0, 2}, {9, 3}, {6, 1}, {18, 1}};
    const char* names[] = {"solid", "stone", "glass", "glass"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.batches[size_t(i)].firstIndex, expected[i].first) << i;
        EXPECT_EQ(m.batches[size_t(i)].triangleCount, expected[i].second) << i;
        EXPECT_EQ(m.batches[size_t(i)].material->name, names[i]) << i;
    }

    // A NaN opacity must not break the ordering.
    ModelOBJ n;
    ASSERT_TRUE(importText(n,
                           "mtllib l\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl x\nf 1 2 3\n"
                           "usemtl y\nf 1 2 3\nusemtl x\nf 1 2 3\n",
                           {{"l", "newmtl x\nd nan\nnewmtl y\nd 0.1\n"}}));
    ASSERT_EQ(n.numBatches, 3);
    EXPECT_EQ(n.batches[0].material->name, "y");
}

TEST(ModelOBJImport, BoundingBoxAndUnitize) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v -5 1 2\nv -3 4 2\nv -4 1 10\nf 1 2 3\n"));
    EXPECT_EQ(m.center[0], -4.0f);
    EXPECT_EQ(m.center[1], 2.5f);
    EXPECT_EQ(m.center[2], 6.0f);
    EXPECT_EQ(m.width, 2.0f);
    EXPECT_EQ(m.height, 3.0f);
    EXPECT_EQ(m.depth, 8.0f);
    EXPECT_EQ(m.maxExtent, 8.0f);
    m.unitize(1.0f);
    EXPECT_FLOAT_EQ(m.maxExtent, 1.0f);
    EXPECT_FLOAT_EQ(m.width, 0.25f);
    for (float c : m.center)
        EXPECT_EQ(c, 0.0f);
    EXPECT_FLOAT_EQ(m.vertices[0].position[0], -0.125f);
    EXPECT_FLOAT_EQ(m.vertices[2].position[2], 0.5f);

    // All corners on one point: centred, never scaled into NaN.
    ModelOBJ point;
    ASSERT_TRUE(importText(point, "v 3 3 3\nf 1 1 1\n"));
    point.unitize(1.0f);
    EXPECT_EQ(point.vertices[0].position[0], 0.0f);
    EXPECT_EQ(point.maxExtent, 0.0f);

    // No triangles: an empty box, not infinities.
    ModelOBJ empty;
    ASSERT_TRUE(importText(empty, "v 1 2 3\n"));
    empty.unitize(1.0f);
    EXPECT_EQ(empty.maxExtent, 0.0f);
}

TEST(ModelOBJImport, TangentsFollowTextureDirections) {
    const std::string lib = "newmtl bumpy\nmap_bump b.tga\n";
    ModelOBJ m;
    // u along +x, v along +y on a z = 0 plane; a second triangle with all-equal texcoords.
    ASSERT_TRUE(importText(m,
                           "mtllib l\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 0 0\nv 5 0 1\nv 6 0 0\n"
                           "vt 0 0\nvt 1 0\nvt 0 1\nvt 0.5 0.5\n"
                           "f 1/1 2/2 3/3\nf 4/4 5/4 6/4\n",
                           {{"l", lib}}));
    ASSERT_TRUE(m.hasTangents);
    const ModelVertex& v = cornerVertex(m, 0, 0);
    EXPECT_NEAR(v.tangent[0], 1.0f, 1e-6f);
    EXPECT_NEAR(v.tangent[1], 0.0f, 1e-6f);
    EXPECT_NEAR(v.bitangent[1], 1.0f, 1e-6f); // N x T = z x x = y
    EXPECT_EQ(v.tangent[3], -1.0f);           // B' agrees with the accumulated bitangent
    // Degenerate texcoords contribute T = (1,0,0), B = (0,1,0); the face normal is +y.
    const ModelVertex& d = cornerVertex(m, 1, 0);
    EXPECT_NEAR(d.normal[1], 1.0f, 1e-6f);
    EXPECT_NEAR(d.tangent[0], 1.0f, 1e-6f);
    // B' = N x T is +-z, orthogonal to the contributed (0,1,0): dot 0 counts as agreeing.
    EXPECT_EQ(d.tangent[3], -1.0f);

    // Tangent along the normal and a zero normal: finite fallbacks, never NaN.
    ModelOBJ f;
    ASSERT_TRUE(importText(f,
                           "mtllib l\nv 0 0 0\nv 0 0 0\nv 0 0 0\nvn 1 0 0\nvn 0 0 0\n"
                           "f 1//1 2//1 3//1\nf 1//2 2//2 3//2\n",
                           {{"l", lib}}));
    for (const ModelVertex& x : f.vertices) {
        EXPECT_TRUE(allFinite(x.tangent, 4));
        EXPECT_TRUE(allFinite(x.bitangent, 3));
    }
    EXPECT_NEAR(f.vertices[0].tangent[0], 0.0f, 1e-6f); // kept off the (1,0,0) normal
}

TEST(ModelOBJImport, DropsFacesNamingElementsThatDoNotExist) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v 1 0 0\nv 2 0 0\nv 3 0 0\nvt 0 0\nvn 0 0 1\n"
                              "f 0 1 2\n"
                              "f 1 2 4\n"
                              "f -4 1 2\n"
                              "f 1/2 2/1 3/1\n"
                              "f 1//1 2//2 3//1\n"
                              "f 1 2 99999999999999999999\n"
                              "f -99999999999 1 2\n"
                              "f 1 2\n"
                              "f\n"
                              "f 1 2 3\n"));
    ASSERT_EQ(m.numTriangles, 1);
    EXPECT_EQ(m.indices.size(), 3u);
    EXPECT_EQ(m.triangleMaterial.size(), 1u);
    EXPECT_EQ(m.vertices.size(), 3u); // nothing left over from the dropped faces
    EXPECT_EQ(cornerX(m, 0, 2), 3.0f);

    // Two statements on one line: the second has no slot from the counting pass.
    ModelOBJ two;
    ASSERT_TRUE(importText(two, "v 1 2 3 v 4 5 6\nvt 1 1 vt 2 2\nvn 0 0 1 vn 1 0 0\n"
                                "f 1/1/1 1/1/1 1/1/1 f 1 1 1\n"));
    EXPECT_EQ(two.numPositions, 1);
    EXPECT_EQ(two.positions[0], 1.0f);
    EXPECT_EQ(two.numTriangles, 2);
}

TEST(ModelOBJImport, LongTokensAndLinesDoNotShiftTheReading) {
    const std::string longName(300, 'm');
    const std::string longComment = "# " + std::string(1000, 'x') + " v 9 9 9\n";
    const std::string mtl =
        "newmtl " + longName + "\nd 0.5\n" + longComment + "newmtl short\nd 0.75\n";
    ModelOBJ m;
    ASSERT_TRUE(importText(m,
                           longComment + "mtllib " + longName + ".mtl\n" + longComment +
                               "v 1 0 0\nv 0 1 0\n" + std::string(400, 'g') +
                               " v 7 7 7\nv 0 0 1\nusemtl " + longName + "\nf " +
                               std::string(300, '1') + " 1 2 3\nf 1 2 3\n",
                           {{longName + ".mtl", mtl}}));
    EXPECT_EQ(m.numPositions, 3);
    EXPECT_EQ(m.positions[6], 0.0f);
    EXPECT_EQ(m.positions[8], 1.0f);
    ASSERT_EQ(m.numMaterials, 2);
    EXPECT_EQ(m.materials[0].name, longName);
    EXPECT_EQ(m.materials[1].opacity, 0.75f);
    ASSERT_EQ(m.numTriangles, 1); // the face with the overlong number is dropped
    EXPECT_EQ(m.triangleMaterial[0], 0);
    EXPECT_EQ(m.batches[0].material->opacity, 0.5f);
}

TEST(ModelOBJImport, CarriageReturnLineEndsReadLikeLineFeeds) {
    const std::string obj = "# cube corner\nmtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                            "vt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\nusemtl red\n"
                            "f 1/1/1 2/2/1 3/3/1\n";
    const std::string mtl = "newmtl blue\nnewmtl red\nKd 1 0 0\nmap_Kd red.tga\n";
    auto crlf = [](std::string s) {
        std::string out;
        for (char c : s)
            out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    };
    ModelOBJ lf, dos;
    ASSERT_TRUE(importText(lf, obj, {{"lib.mtl", mtl}}));
    ASSERT_TRUE(importText(dos, crlf(obj), {{"lib.mtl", crlf(mtl)}}));
    EXPECT_EQ(dos.numTriangles, 1);
    EXPECT_EQ(dos.triangleMaterial, (std::vector<int>{1}));
    EXPECT_EQ(dos.materials[1].colorMapFile, "red.tga");
    ASSERT_EQ(dos.vertices.size(), lf.vertices.size());
    EXPECT_EQ(std::memcmp(dos.vertices.data(), lf.vertices.data(),
                          lf.vertices.size() * sizeof(ModelVertex)),
              0);
}

TEST(ModelOBJImport, NumbersReadExactlyAsStrtof) {
    std::mt19937 rng(7);
    std::ostringstream obj;
    std::vector<std::string> texts;
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    for (int i = 0; i < 30000; ++i) {
        std::string s = pick(2) ? "-" : "";
        int intDigits = pick(8), fracDigits = pick(12);
        for (int d = 0; d < intDigits; ++d)
            s += char('0' + pick(10));
        if (fracDigits || !intDigits) {
            s += '.';
            for (int d = 0; d < std::max(fracDigits, 1); ++d)
                s += char('0' + pick(10));
        }
        if (pick(4) == 0)
            s += "e" + std::to_string(pick(60) - 30);
        texts.push_back(s);
    }
    // Awkward forms go through the same path as strtof.
    for (const char* s :
         {"0x1.8p1", "inf", "-nan", "1e40", "1e-50", "16777217", "1.00000017881393432617187499",
          "+.5", "7.", "0000000000000000000000001.5", "3.4028235677973366e38"})
        texts.push_back(s);
    for (const std::string& t : texts)
        obj << "v " << t << " 0 0\n";
    ModelOBJ m;
    ASSERT_TRUE(importText(m, obj.str()));
    ASSERT_EQ(size_t(m.numPositions), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        float want = std::strtof(texts[i].c_str(), nullptr);
        float got = m.positions[i * 3];
        if (std::isnan(want))
            EXPECT_TRUE(std::isnan(got)) << texts[i];
        else
            EXPECT_EQ(std::memcmp(&want, &got, sizeof want), 0) << texts[i] << " " << got;
    }
}

namespace {

// Triangle corner positions as the peer importer reads the file.
std::vector<float> peerCornerPositions(const std::string& path, size_t& materialCount) {
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    std::vector<float> corners;
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(),
                          std::filesystem::path(path).parent_path().c_str(), true))
        return corners;
    for (const auto& shape : shapes)
        for (const auto& index : shape.mesh.indices)
            for (int a = 0; a < 3; ++a)
                corners.push_back(attrib.vertices[size_t(index.vertex_index) * 3 + size_t(a)]);
    materialCount = materials.size();
    return corners;
}

} // namespace

TEST(ModelOBJImport, AgreesWithTinyObjLoaderOnWellFormedFiles) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
    std::ostringstream obj;
    obj << "mtllib agree.mtl\n";
    const int n = 200;
    for (int i = 0; i < n; ++i)
        obj << "v " << coord(rng) << ' ' << coord(rng) << ' ' << coord(rng) << "\nvt " << coord(rng)
            << ' ' << coord(rng) << "\nvn 0 0 1\n";
    for (int f = 0; f < 300; ++f) {
        if (f % 50 == 0)
            obj << "usemtl m" << (f / 50) % 3 << "\n";
        obj << 'f';
        for (int c = 0; c < 3; ++c) {
            int p = int(rng() % n) + 1;
            if (c == 1)
                obj << ' ' << p - n - 1 << '/' << p << '/' << 1; // relative position number
            else
                obj << ' ' << p << '/' << p << '/' << 1;
        }
        obj << '\n';
    }
    // Convex planar polygons: the peer may cut them differently, but into as many triangles.
    for (int k = 3; k <= 8; ++k) {
        obj << 'f';
        for (int c = 0; c < k; ++c) {
            const float angle = 6.2831853f * float(c) / float(k);
            obj << "\nv " << std::cos(angle) << ' ' << std::sin(angle) << " 0";
        }
        obj << "\nf";
        for (int c = k; c >= 1; --c)
            obj << ' ' << -c;
        obj << '\n';
    }
    writeFile("agree.mtl", "newmtl m0\nKd 1 0 0\nnewmtl m1\nd 0.5\nnewmtl m2\n");
    const std::string objPath = writeFile("agree.obj", obj.str());

    ModelOBJ m;
    ASSERT_TRUE(m.Import(objPath));
    size_t peerMaterials = 0;
    const std::vector<float> theirs = peerCornerPositions(objPath, peerMaterials);
    ASSERT_EQ(size_t(m.numTriangles) * 9, theirs.size());
    EXPECT_EQ(m.numTriangles, 300 + (1 + 2 + 3 + 4 + 5 + 6));
    EXPECT_EQ(peerMaterials, size_t(m.numMaterials));
    for (size_t i = 0; i < 300 * 9; ++i) {
        const float ours = m.vertices[m.indices[i / 3]].position[i % 3];
        EXPECT_NEAR(ours, theirs[i], 1e-6f * std::fabs(theirs[i])) << "corner value " << i;
    }
}

TEST(ModelOBJImport, FileImportFailsOnlyWhenUnreadableAndFindsTheLibrary) {
    ModelOBJ m;
    m.numTriangles = 42;
    EXPECT_FALSE(m.Import("/nonexistent/dir/model.obj"));
    EXPECT_FALSE(m.Import(std::filesystem::temp_directory_path().string())); // a folder
    EXPECT_EQ(m.numTriangles, 42);

    const auto dir = std::filesystem::temp_directory_path() / "model-import-dir";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "m.mtl") << "newmtl only\nKd 0 1 0\n";
    std::ofstream(dir / "m.obj")
        << "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl only\nf 1 2 3\n";
    ASSERT_TRUE(m.Import((dir / "m.obj").string()));
    EXPECT_EQ(m.directory, dir.string() + "/");
    EXPECT_EQ(m.numMaterials, 1);
    EXPECT_EQ(m.numTriangles, 1);
    EXPECT_EQ(m.batches[0].material->diffuse[1], 1.0f);

    // Re-importing starts from an empty object; a backslash path names its own folder.
    ModelOBJ w;
    EXPECT_FALSE(w.Import("C:\\models\\m.obj"));
    ASSERT_TRUE(w.ImportText("v 0 0 0\n", nullptr));
    EXPECT_TRUE(w.directory.empty());
    ASSERT_TRUE(m.ImportText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", nullptr));
    EXPECT_EQ(m.numMaterials, 0);
    EXPECT_EQ(m.materials.size(), 1u);
}
