#include "ModelOBJ.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <tiny_obj_loader.h>

#include <algorithm>
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

const ModelVertex& corner(const ModelOBJ& m, int triangle, int c) {
    return m.vertices.at(m.indices.at(size_t(triangle * 3 + c)));
}

bool allFinite(const float* v, int n) {
    return std::all_of(v, v + n, [](float x) { return std::isfinite(x); });
}

// "name firstIndex triangleCount;" per batch, in draw order.
std::string batchOrder(const ModelOBJ& m) {
    std::string out;
    for (const MaterialBatch& b : m.batches)
        out += b.material->name + " " + std::to_string(b.firstIndex) + " " +
               std::to_string(b.triangleCount) + ";";
    return out;
}

} // namespace

TEST(ModelOBJImport, ReadsFacesFanningPolygonsAndResolvingNumbers) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v 1 0 0\nv 2 0 0\nv 3 0 0\nf -3 -2 -1\nv 4 0 0\nv 5 0 0\n"
                              "f 1 2 3 4 5\n"
                              "f 1 2 6\n" // 6 is defined later: zeros when the face is read
                              "v 6 6 6\n"));
    ASSERT_EQ(m.numTriangles, 5);
    const float expected[5][3] = {{1, 2, 3}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}, {1, 2, 0}};
    for (int t = 0; t < 5; ++t)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(corner(m, t, c).position[0], expected[t][c]) << t << "," << c;
    EXPECT_EQ(m.positions[15], 6.0f); // the raw array still gets the later value

    // A quad with full corners: (1,2,3) and (1,3,4).
    ModelOBJ q;
    ASSERT_TRUE(importText(q, "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
                              "vt 0 1\nvn 0 0 1\nf 1/1/1 2/2/1 3/3/1 4/4/1\n"));
    EXPECT_EQ(q.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(corner(q, 1, 2).texCoord[1], 1.0f);
    EXPECT_EQ(corner(q, 1, 2).normal[2], 1.0f);

    // The first corner decides the corner syntax of the whole face.
    ModelOBJ s;
    ASSERT_TRUE(importText(s, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                              "vt 0.5 0.25\nvn 0 0 -1\n"
                              "f 1//1 2//1 3//1\n"
                              "f 1/1 2/1 3/1 4\n" // "4" is not a "%d/%d" corner: it ends the face
                              "f 2 3/1/1 4//1\n"));
    ASSERT_EQ(s.numTriangles, 3);
    EXPECT_EQ(corner(s, 0, 1).normal[2], -1.0f);
    EXPECT_EQ(corner(s, 0, 1).texCoord[0], 0.0f);
    EXPECT_EQ(corner(s, 1, 2).texCoord[1], 0.25f);
    EXPECT_EQ(corner(s, 1, 2).normal[2], 0.0f);
    EXPECT_EQ(corner(s, 2, 2).position[0], 1.0f); // lone-position syntax takes the leading number
    EXPECT_EQ(corner(s, 2, 1).texCoord[0], 0.0f);
}

TEST(ModelOBJImport, SharesVerticesOnlyWhenAllAttributesMatch) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                              "vt 0 0\nvt 1 0\nvt 0 1\nvt 9 9\nvn 0 0 1\n"
                              "f 1/1/1 2/2/1 3/3/1\n"
                              "f 2/2/1 4/2/1 3/3/1\n"    // shares corners 2 and 3
                              "f 1/4/1 2/2/1 3/3/1\n")); // position 1 with another vt
    EXPECT_EQ(m.vertices.size(), 5u);
    EXPECT_EQ(m.indices[3], m.indices[1]);
    EXPECT_EQ(m.indices[5], m.indices[2]);
    EXPECT_EQ(m.vertices[m.indices[6]].texCoord[0], 9.0f);

    // Bitwise comparison: -0 and 0 are different vertices.
    ModelOBJ z;
    ASSERT_TRUE(importText(z, "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt -0 0\n"
                              "f 1/1 2/1 3/1\nf 1/2 2/1 3/1\n"));
    EXPECT_EQ(z.vertices.size(), 4u);

    // One position with many texture coordinates takes the long-chain path of the table.
    std::ostringstream obj;
    obj << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 0\n";
    for (int i = 0; i < 100; ++i)
        obj << "vt " << i << " 0\n";
    for (int i = 0; i < 200; ++i)
        obj << "f 1/" << i % 100 + 1 << " 2/1 3/1\n";
    obj << "f 4/7 2/1 3/1\n"; // equal values, another position number: its own vertex
    ModelOBJ c;
    ASSERT_TRUE(importText(c, obj.str()));
    ASSERT_EQ(c.numTriangles, 201);
    EXPECT_EQ(c.vertices.size(), 103u);
    for (int i = 0; i < 100; ++i) // the second round finds the vertices of the first
        EXPECT_EQ(corner(c, 100 + i, 0).texCoord[0], float(i)) << i;
    EXPECT_EQ(c.indices[600], 102u);
}

TEST(ModelOBJImport, ReadsMaterialLibraries) {
    // No library and an unknown name: everything draws with the built-in material.
    ModelOBJ d;
    ASSERT_TRUE(importText(d, "mtllib missing.mtl\nv 0 0 0\nusemtl nothing\nf 1 1 1\nf 1 1 1\n"));
    EXPECT_EQ(d.numMaterials, 0);
    ASSERT_EQ(batchOrder(d), "default 0 2;");
    EXPECT_EQ(d.batches[0].material->diffuse[2], 0.8f);

    const std::string mtl = "Kd 0.1 0.1 0.1\nd 0.3\n" // before any newmtl: ignored
                            "newmtl first\n"
                            "Ka 0.5 0.25 0.125\nKd 1 0 0\nKs 0.5 0.5 0.5\nNs 500\nTr 0.25\n"
                            "map_Kd  color.tga extra\nmap_bump bump.tga\n"
                            "newmtl second\nKs 1 1 1\nillum 1\nd 0.25\nKe 9 9 9\n"
                            "newmtl first\nillum 2\n";
    // Libraries add up, one named twice is read once, and a later record of a name wins.
    ModelOBJ m;
    ASSERT_TRUE(importText(m,
                           "mtllib lib.mtl\nmtllib more.mtl\nmtllib lib.mtl\nmtllib\nv 0 0 0\n"
                           "f 1 1 1\nusemtl second\nf 1 1 1\nusemtl first\nf 1 1 1\n"
                           "usemtl unknown\nf 1 1 1\n",
                           {{"lib.mtl", mtl}, {"more.mtl", "newmtl second\nd 0.2\n"}}));
    ASSERT_EQ(m.numMaterials, 4);
    const ModelMaterial& a = m.materials[0];
    EXPECT_EQ(
        (std::vector<float>{a.ambient[1], a.diffuse[0], a.specular[0], a.shininess, a.opacity}),
        (std::vector<float>{0.25f, 1, 0.5f, 0.5f, 0.75f}));
    EXPECT_EQ(a.colorMapFile + " " + a.bumpMapFile, "color.tga bump.tga");
    // illum 1 drops the specular colour; nothing comes from the statements before newmtl.
    const ModelMaterial& b = m.materials[1];
    EXPECT_EQ((std::vector<float>{b.specular[0], b.opacity, b.diffuse[0]}),
              (std::vector<float>{0, 0.25f, 0.8f}));
    // Faces before usemtl and unknown names use material 0.
    EXPECT_EQ(m.triangleMaterial, (std::vector<int>{0, 3, 2, 0}));
    // Names are looked up once every library is read, wherever its statement stands.
    ASSERT_TRUE(
        importText(m, "v 0 0 0\nusemtl second\nf 1 1 1\nmtllib lib.mtl\n", {{"lib.mtl", mtl}}));
    EXPECT_EQ(m.triangleMaterial, (std::vector<int>{1}));
}

TEST(ModelOBJImport, BatchesFollowRunsOpaqueFirstInFileOrder) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m,
                           "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                           "usemtl solid\nf 1 2 3\nf 1 2 3\nusemtl glass\nf 1 2 3\n"
                           "usemtl stone\nf 1 2 3\nf 1 2 3\nf 1 2 3\nusemtl glass\nf 1 2 3\n",
                           {{"lib.mtl", "newmtl solid\nd 1\nnewmtl glass\nd 0.5\n"
                                        "newmtl stone\nTr 0\n"}}));
    EXPECT_EQ(batchOrder(m), "solid 0 2;stone 9 3;glass 6 1;glass 18 1;");

    // A NaN opacity must not break the ordering.
    ModelOBJ n;
    ASSERT_TRUE(importText(n,
                           "mtllib l\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl x\nf 1 2 3\n"
                           "usemtl y\nf 1 2 3\nusemtl x\nf 1 2 3\n",
                           {{"l", "newmtl x\nd nan\nnewmtl y\nd 0.1\n"}}));
    EXPECT_EQ(batchOrder(n).substr(0, 4), "y 3 ");
}

TEST(ModelOBJImport, BoundingBoxAndUnitize) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v -5 1 2\nv -3 4 2\nv -4 1 10\nf 1 2 3\n"));
    EXPECT_EQ(std::vector<float>(m.center, m.center + 3), (std::vector<float>{-4, 2.5f, 6}));
    EXPECT_EQ((std::vector<float>{m.width, m.height, m.depth, m.maxExtent}),
              (std::vector<float>{2, 3, 8, 8}));
    m.unitize(1.0f);
    EXPECT_FLOAT_EQ(m.maxExtent, 1.0f);
    EXPECT_EQ(std::vector<float>(m.center, m.center + 3), (std::vector<float>{0, 0, 0}));
    EXPECT_FLOAT_EQ(m.vertices[0].position[0], -0.125f);
    EXPECT_FLOAT_EQ(m.vertices[2].position[2], 0.5f);

    // A vertex at infinity stays out of the box: the rest of the model keeps its shape.
    ModelOBJ inf;
    ASSERT_TRUE(importText(inf, "v -5 1 2\nv -3 4 2\nv -4 1 10\nv inf 0 -inf\nf 1 2 3\nf 1 2 4\n"));
    EXPECT_EQ(inf.maxExtent, 8.0f);
    inf.unitize(1.0f);
    for (int v = 0; v < 3; ++v)
        for (int a = 0; a < 3; ++a)
            EXPECT_EQ(inf.vertices[size_t(v)].position[a], m.vertices[size_t(v)].position[a]);

    // All corners on one point, or no triangles: centred, never scaled into NaN or infinities.
    for (const char* text : {"v 3 3 3\nf 1 1 1\n", "v 1 2 3\n"}) {
        ASSERT_TRUE(importText(m, text));
        m.unitize(1.0f);
        EXPECT_EQ(m.maxExtent, 0.0f) << text;
        EXPECT_TRUE(m.vertices.empty() || m.vertices[0].position[0] == 0.0f) << text;
    }
}

TEST(ModelOBJImport, GeneratesNormalsAndTangentsWithFiniteFallbacks) {
    // Two triangles sharing an edge, folded: shared vertices average the face normals.
    ModelOBJ n;
    ASSERT_TRUE(importText(n, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 4 2\n"));
    EXPECT_NEAR(n.vertices[2].normal[2], 1.0f, 1e-6f);            // only in the first face: +z
    EXPECT_NEAR(n.vertices[0].normal[1], std::sqrt(0.5f), 1e-6f); // +z and +y averaged
    EXPECT_NEAR(n.vertices[0].normal[2], std::sqrt(0.5f), 1e-6f);
    // A degenerate triangle alone gives its vertices no direction: a finite fallback.
    ASSERT_TRUE(importText(n, "v 1 1 1\nv 2 2 2\nv 3 3 3\nf 1 2 3\n"));
    for (const ModelVertex& v : n.vertices)
        EXPECT_TRUE(allFinite(v.normal, 3));

    const std::string lib = "newmtl bumpy\nmap_bump b.tga\n";
    // u along +x, v along +y on a z = 0 plane; a second triangle with all-equal texcoords.
    ASSERT_TRUE(importText(n,
                           "mtllib l\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 0 0\nv 5 0 1\nv 6 0 0\n"
                           "vt 0 0\nvt 1 0\nvt 0 1\nvt 0.5 0.5\n"
                           "f 1/1 2/2 3/3\nf 4/4 5/4 6/4\n",
                           {{"l", lib}}));
    ASSERT_TRUE(n.hasTangents);
    const ModelVertex& v = corner(n, 0, 0);
    EXPECT_NEAR(v.tangent[0], 1.0f, 1e-6f);
    EXPECT_NEAR(v.bitangent[1], 1.0f, 1e-6f); // N x T = z x x = y
    EXPECT_EQ(v.tangent[3], -1.0f);           // B' agrees with the accumulated bitangent
    // Degenerate texcoords contribute T = (1,0,0), B = (0,1,0); the face normal is +y.
    const ModelVertex& d = corner(n, 1, 0);
    EXPECT_NEAR(d.tangent[0], 1.0f, 1e-6f);
    // B' = N x T is +-z, orthogonal to the contributed (0,1,0): dot 0 counts as agreeing.
    EXPECT_EQ(d.tangent[3], -1.0f);

    // Tangent along the normal and a zero normal: finite fallbacks, never NaN.
    ASSERT_TRUE(importText(n,
                           "mtllib l\nv 0 0 0\nv 0 0 0\nv 0 0 0\nvn 1 0 0\nvn 0 0 0\n"
                           "f 1//1 2//1 3//1\nf 1//2 2//2 3//2\n",
                           {{"l", lib}}));
    for (const ModelVertex& x : n.vertices)
        EXPECT_TRUE(allFinite(x.tangent, 4) && allFinite(x.bitangent, 3));
    EXPECT_NEAR(n.vertices[0].tangent[0], 0.0f, 1e-6f); // kept off the (1,0,0) normal
}

TEST(ModelOBJImport, DropsFacesNamingElementsThatDoNotExist) {
    ModelOBJ m;
    ASSERT_TRUE(importText(m, "v 1 0 0\nv 2 0 0\nv 3 0 0\nvt 0 0\nvn 0 0 1\n"
                              "f 0 1 2\nf 1 2 4\nf -4 1 2\nf 1/2 2/1 3/1\nf 1//1 2//2 3//1\n"
                              "f 1 2 99999999999999999999\nf -99999999999 1 2\n"
                              "f 1 2\nf\nf 1 2 3\n"));
    ASSERT_EQ(m.numTriangles, 1);
    EXPECT_EQ(m.indices.size(), 3u);
    EXPECT_EQ(m.triangleMaterial.size(), 1u);
    EXPECT_EQ(m.vertices.size(), 3u); // nothing left over from the dropped faces
    EXPECT_EQ(corner(m, 0, 2).position[0], 3.0f);

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
    EXPECT_EQ(m.positions, (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    ASSERT_EQ(m.numMaterials, 2);
    EXPECT_EQ(m.materials[0].name, longName);
    EXPECT_EQ(m.materials[1].opacity, 0.75f);
    ASSERT_EQ(batchOrder(m), longName + " 0 1;"); // the face with the overlong number is dropped
    EXPECT_EQ(m.batches[0].material->opacity, 0.5f);
}

TEST(ModelOBJImport, CarriageReturnLineEndsReadLikeLineFeeds) {
    std::string obj = "# corner\nmtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\n"
                      "vt 0 1\nvn 0 0 1\nusemtl red\nf 1/1/1 2/2/1 3/3/1\n";
    std::string mtl = "newmtl blue\nnewmtl red\nKd 1 0 0\nmap_Kd red.tga\n";
    ModelOBJ lf, dos;
    ASSERT_TRUE(importText(lf, obj, {{"lib.mtl", mtl}}));
    for (std::string* s : {&obj, &mtl})
        for (size_t at = s->find('\n'); at != std::string::npos; at = s->find('\n', at + 2))
            s->insert(at, 1, '\r');
    ASSERT_TRUE(importText(dos, obj, {{"lib.mtl", mtl}}));
    EXPECT_EQ(dos.triangleMaterial, (std::vector<int>{1}));
    EXPECT_EQ(dos.materials[1].colorMapFile, "red.tga");
    ASSERT_EQ(dos.vertices.size(), lf.vertices.size());
    EXPECT_EQ(std::memcmp(dos.vertices.data(), lf.vertices.data(),
                          lf.vertices.size() * sizeof(ModelVertex)),
              0);
}

TEST(ModelOBJImport, AgreesWithTinyObjLoaderOnWellFormedFiles) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
    std::ostringstream obj;
    for (int i = 0; i < 200; ++i)
        obj << "v " << coord(rng) << ' ' << coord(rng) << ' ' << coord(rng) << "\nvt 0 1\n";
    for (int f = 0; f < 300; ++f) {
        const int p[3] = {int(rng() % 200) + 1, int(rng() % 200) + 1, int(rng() % 200) + 1};
        // The middle corner by relative number.
        obj << "f " << p[0] << "/1 " << p[1] - 201 << '/' << p[1] << ' ' << p[2] << "/1\n";
    }
    // Convex planar polygons: the peer may cut them differently, but into as many triangles.
    for (int k = 3; k <= 8; ++k) {
        for (int c = 0; c < k; ++c)
            obj << "v " << std::cos(6.2831853f * float(c) / float(k)) << ' '
                << std::sin(6.2831853f * float(c) / float(k)) << " 0\n";
        obj << 'f';
        for (int c = k; c >= 1; --c)
            obj << ' ' << -c;
        obj << '\n';
    }
    ModelOBJ m;
    ASSERT_TRUE(importText(m, obj.str()));
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    std::istringstream in(obj.str());
    ASSERT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in));
    std::vector<float> theirs; // triangle corner positions in file order
    for (const auto& shape : shapes)
        for (const auto& index : shape.mesh.indices)
            for (int a = 0; a < 3; ++a)
                theirs.push_back(attrib.vertices[size_t(index.vertex_index) * 3 + size_t(a)]);
    ASSERT_EQ(size_t(m.numTriangles) * 9, theirs.size());
    EXPECT_EQ(m.numTriangles, 300 + (1 + 2 + 3 + 4 + 5 + 6));
    for (size_t i = 0; i < 300 * 9; ++i)
        EXPECT_NEAR(m.vertices[m.indices[i / 3]].position[i % 3], theirs[i],
                    1e-6f * std::fabs(theirs[i]))
            << "corner value " << i;
}

TEST(ModelOBJImport, FileImportFailsOnlyWhenUnreadableAndFindsTheLibrary) {
    ModelOBJ m;
    m.numTriangles = 42;
    EXPECT_FALSE(m.Import("/nonexistent/dir/model.obj"));
    EXPECT_FALSE(m.Import(std::filesystem::temp_directory_path().string())); // a folder
    EXPECT_EQ(m.numTriangles, 42);

    const ScratchFolder folder;
    const auto& dir = folder.path;
    std::ofstream(dir / "m.mtl") << "newmtl only\nKd 0 1 0\n";
    std::ofstream(dir / "m.obj") << "mtllib m.mtl\nv 0 0 0\nusemtl only\nf 1 1 1\n";
    ASSERT_TRUE(m.Import((dir / "m.obj").string()));
    EXPECT_EQ(m.directory, dir.string() + "/");
    ASSERT_EQ(batchOrder(m), "only 0 1;");
    EXPECT_EQ(m.batches[0].material->diffuse[1], 1.0f);

    // Re-importing starts from an empty object.
    ASSERT_TRUE(m.ImportText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", nullptr));
    EXPECT_EQ(m.numMaterials, 0);
    EXPECT_EQ(m.materials.size(), 1u);
}
