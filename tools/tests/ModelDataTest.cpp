#include "ImageLoaders.h"
#include "MeshBuilder.h"
#include "ModelOBJ.h"
#include "ProductModel.h"
#include "TerrainMesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct Point {
    double x, y, z;
};
Point at(const float* p) {
    return {p[0], p[1], p[2]};
}
Point minus(Point a, Point b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Point cross(Point a, Point b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

struct Rows {
    int first, last;
};

// Rows (top first) holding the brightest pixels of a decoded picture.
Rows brightRows(const DibPicture& picture) {
    int first = picture.height, last = -1;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.bits[y * picture.pitch + 4 * x + 1] > 150) {
                first = std::min(first, y);
                last = std::max(last, y);
            }
    return {first, last};
}

} // namespace

TEST(ProductModelData, IsAClosedSmoothTexturedModelUsingBothPictureRoutes) {
    const std::string folder = testing::TempDir() + "datagen_model_" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(writeProductModel(folder));
    EXPECT_EQ(productModelObj(), productModelObj());

    ModelOBJ model;
    ASSERT_TRUE(model.Import(folder + "/brastel.obj"));
    EXPECT_TRUE(model.hasTexCoords);
    EXPECT_TRUE(model.hasTangents);
    EXPECT_GE(model.numMaterials, 2);
    EXPECT_EQ(model.numBatches, model.numMaterials); // one batch per material

    // Every material has a colour map, every map decodes, TGA and another format both occur.
    std::set<bool> colourMapIsTga;
    int bumpMaps = 0;
    for (const ModelMaterial& material : model.materials) {
        ASSERT_FALSE(material.colorMapFile.empty()) << material.name;
        DibPicture picture;
        EXPECT_TRUE(loadPicture(folder + "/" + material.colorMapFile, picture));
        colourMapIsTga.insert(material.colorMapFile.find(".tga") != std::string::npos);
        if (!material.bumpMapFile.empty()) {
            ++bumpMaps;
            EXPECT_TRUE(loadPicture(folder + "/" + material.bumpMapFile, picture));
        }
    }
    EXPECT_EQ(colourMapIsTga.size(), 2u);
    EXPECT_GE(bumpMaps, 1);

    // The grille's colour (TGA) and normal map (PNG) agree on which way is up: the badge sits
    // in the bottom rows of the colour map, and the normal map is flat there, free of holes.
    DibPicture colour, normals;
    ASSERT_TRUE(loadPicture(folder + "/grille_color.tga", colour));
    ASSERT_TRUE(loadPicture(folder + "/grille_normal.png", normals));
    const Rows badge = brightRows(colour);
    EXPECT_GT(badge.first, colour.height * 3 / 4);
    int tilted = 0;
    for (int y = badge.first + 4; y <= badge.last - 4; ++y)
        for (int x = normals.width / 2 - 10; x < normals.width / 2 + 20; ++x)
            tilted += std::abs(normals.bits[y * normals.pitch + 4 * x + 1] - 128) > 6;
    EXPECT_EQ(tilted, 0);

    // Triangles are wound counter-clockwise seen from the side their normals face, and the
    // surface encloses a positive volume (outward faces).
    double volume = 0;
    int disagreeing = 0;
    for (int t = 0; t < model.numTriangles; ++t) {
        const ModelVertex* v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = &model.vertices[model.indices[3 * t + k]];
        const Point p0 = at(v[0]->position), p1 = at(v[1]->position), p2 = at(v[2]->position);
        const Point face = cross(minus(p1, p0), minus(p2, p0));
        volume += dot(p0, cross(p1, p2)) / 6;
        const Point n = {v[0]->normal[0] + v[1]->normal[0] + v[2]->normal[0],
                         v[0]->normal[1] + v[1]->normal[1] + v[2]->normal[1],
                         v[0]->normal[2] + v[1]->normal[2] + v[2]->normal[2]};
        if (dot(face, face) > 1e-14 && dot(face, n) <= 0)
            ++disagreeing;
    }
    EXPECT_EQ(disagreeing, 0);
    const double box = model.width * model.height * model.depth;
    EXPECT_GT(volume, 0.6 * box);
    EXPECT_LT(volume, box);
    std::filesystem::remove_all(folder);
}

// A flat face is covered exactly once, from its own corners only, by triangles facing its
// normal, and no corner gathers the triangles the way a fan's centre gathers all of them.
TEST(MeshBuilderFaces, ConvexFaceCoversItOnceFromItsCornersWithoutAHub) {
    // A rounded rectangle like the grille's, walked counter-clockwise seen from +z from the
    // middle of its right edge.
    std::vector<Vec3> ring = {{0.42, 0, 0.2}};
    const double centres[4][2] = {{0.3, 0.1}, {-0.3, 0.1}, {-0.3, -0.1}, {0.3, -0.1}};
    for (int corner = 0; corner < 4; ++corner)
        for (int k = 0; k <= 6; ++k) {
            const double angle = M_PI / 2 * (corner + k / 6.0);
            ring.push_back({centres[corner][0] + 0.12 * std::cos(angle),
                            centres[corner][1] + 0.12 * std::sin(angle), 0.2});
        }
    double area = 0; // the shoelace formula
    for (size_t i = 0; i < ring.size(); ++i) {
        const Vec3 a = ring[i], b = ring[(i + 1) % ring.size()];
        area += (a.x * b.y - b.x * a.y) / 2;
    }

    for (const double facing : {1.0, -1.0}) {
        MeshBuilder mesh;
        mesh.addConvexFace("face", ring, {0, 0, facing}, [](Vec3 p) { return Vec2{p.x, p.y}; });
        std::istringstream obj(mesh.objText(""));
        std::vector<Vec3> positions;
        std::vector<int> meeting(ring.size(), 0);
        double covered = 0;
        int triangles = 0, againstNormal = 0;
        for (std::string line; std::getline(obj, line);) {
            std::istringstream words(line);
            std::string kind;
            words >> kind;
            if (kind == "v") {
                Vec3 p;
                words >> p.x >> p.y >> p.z;
                positions.push_back(p);
            } else if (kind == "f") {
                Vec3 corner[3];
                for (Vec3& c : corner) {
                    std::string word;
                    words >> word;
                    const size_t index = std::stoul(word) - 1;
                    ASSERT_LT(index, positions.size());
                    c = positions[index];
                    ++meeting[index];
                }
                const double signedArea = cross(corner[1] - corner[0], corner[2] - corner[0]).z / 2;
                againstNormal += signedArea * facing <= 0;
                covered += std::fabs(signedArea);
                ++triangles;
            }
        }
        EXPECT_EQ(positions.size(), ring.size()) << "a vertex besides the corners";
        EXPECT_EQ(triangles, static_cast<int>(ring.size()) - 2);
        EXPECT_EQ(againstNormal, 0);
        EXPECT_NEAR(covered, area, 1e-6); // no gap, no overlap (the text keeps six decimals)
        EXPECT_LE(*std::max_element(meeting.begin(), meeting.end()), triangles / 2);
    }
}

// The knob's knurl is finer than a pixel: its side keeps a round outline, and only the normals
// carry the ridges, alternating from one vertex to the next around the knob.
TEST(ProductModelData, KnurlIsInTheNormalsNotInTheOutline) {
    ModelOBJ model;
    ASSERT_TRUE(model.ImportText(productModelObj(),
                                 [](const std::string&, std::string&) { return false; }));
    float highest = -1e9f;
    for (const ModelVertex& v : model.vertices)
        highest = std::max(highest, v.position[1]);
    // The knob is the highest part, on the right of the top; its knurled side stands below the
    // rounded rim of its top face.
    std::vector<const ModelVertex*> side;
    double x0 = 1e9, x1 = -1e9, z0 = 1e9, z1 = -1e9;
    for (const ModelVertex& v : model.vertices)
        if (v.position[0] > 0.1f && v.position[1] > highest - 0.05f &&
            v.position[1] < highest - 0.006f && std::abs(v.normal[1]) < 0.2f) {
            side.push_back(&v);
            x0 = std::min<double>(x0, v.position[0]), x1 = std::max<double>(x1, v.position[0]);
            z0 = std::min<double>(z0, v.position[2]), z1 = std::max<double>(z1, v.position[2]);
        }
    ASSERT_GE(side.size(), 36u);
    const double cx = (x0 + x1) / 2, cz = (z0 + z1) / 2; // the knob's axis

    std::vector<std::pair<double, double>> tiltByAngle; // angle around the knob, tangential tilt
    double nearest = 1e9, farthest = 0;
    for (const ModelVertex* v : side) {
        const double dx = v->position[0] - cx, dz = v->position[2] - cz;
        const double r = std::hypot(dx, dz);
        nearest = std::min(nearest, r);
        farthest = std::max(farthest, r);
        tiltByAngle.push_back({std::atan2(dz, dx), (v->normal[2] * dx - v->normal[0] * dz) / r});
    }
    EXPECT_LT(farthest - nearest, 2e-5 * farthest);
    std::sort(tiltByAngle.begin(), tiltByAngle.end());
    int alternations = 0;
    for (size_t i = 0; i + 1 < tiltByAngle.size(); ++i) {
        if (tiltByAngle[i + 1].first - tiltByAngle[i].first < 1e-4)
            continue; // the seam's two copies of one vertex
        EXPECT_GT(std::abs(tiltByAngle[i].second), 0.3) << "vertex at " << tiltByAngle[i].first;
        alternations += tiltByAngle[i].second * tiltByAngle[i + 1].second < 0;
    }
    EXPECT_GE(alternations, static_cast<int>(side.size()) - 3);
}

TEST(TerrainMeshData, IsAnUpwardGridWithTextureCoordinatesAlongXAndZ) {
    ModelOBJ mesh;
    ASSERT_TRUE(
        mesh.ImportText(terrainMeshObj(), [](const std::string&, std::string&) { return false; }));
    mesh.unitize(1.0f);
    ASSERT_EQ(mesh.vertices.size(), size_t(terrainGridSize) * terrainGridSize);
    EXPECT_EQ(mesh.numTriangles, 2 * (terrainGridSize - 1) * (terrainGridSize - 1));
    float lowest = 1, highest = 0;
    for (const ModelVertex& v : mesh.vertices) {
        EXPECT_NEAR(v.texCoord[0], v.position[0] + 0.5f, 1e-5f);
        EXPECT_NEAR(v.texCoord[1], v.position[2] + 0.5f, 1e-5f);
        lowest = std::min({lowest, v.texCoord[0], v.texCoord[1]});
        highest = std::max({highest, v.texCoord[0], v.texCoord[1]});
    }
    EXPECT_EQ(lowest, 0.0f);
    EXPECT_EQ(highest, 1.0f);
    for (int t = 0; t < mesh.numTriangles; ++t) {
        const Point p0 = at(mesh.vertices[mesh.indices[3 * t]].position);
        const Point p1 = at(mesh.vertices[mesh.indices[3 * t + 1]].position);
        const Point p2 = at(mesh.vertices[mesh.indices[3 * t + 2]].position);
        ASSERT_GT(cross(minus(p1, p0), minus(p2, p0)).y, 0.0) << "triangle " << t;
    }
}
