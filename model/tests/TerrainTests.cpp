#include "Camera.h"
#include "ModelGLTestSupport.h"
#include "Pictures.h"
#include "RenderableTerrainModelOBJ.h"
#include "SceneConventions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace modeltest;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

constexpr int kSize = 128;
constexpr int kTexels = scene::heightTexels;

// A flat n x n grid over [0, 1]^2 in x and z, texture coordinates along x and z, facing +y.
std::string terrainGrid(int n, bool withTexCoords = true) {
    std::string obj = "vn 0 1 0\n";
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const std::string u = std::to_string(double(i) / (n - 1));
            const std::string v = std::to_string(double(j) / (n - 1));
            obj += "v " + u + " 0 " + v + "\n";
            if (withTexCoords)
                obj += "vt " + u + " " + v + "\n";
        }
    auto corner = [&](int i, int j) {
        const std::string k = std::to_string(j * n + i + 1);
        return withTexCoords ? " " + k + "/" + k + "/1" : " " + k + "//1";
    };
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i)
            obj += "f" + corner(i, j) + corner(i, j + 1) + corner(i + 1, j + 1) + corner(i + 1, j) +
                   "\n";
    return obj;
}

Vector3 grey(float value) {
    return Vector3(value, value, value);
}

// A 256 x 256 float texture, 2D or a one-layer 2D array (height layer 0), whose texel (row i,
// column j) holds value(u, v) and alpha(u, v) (1 without it). The light textures get the
// mipmaps the lighting keeps current.
GLuint floatTexture(GLenum target, const std::function<Vector3(float u, float v)>& value,
                    const std::function<float(float u, float v)>& alpha = nullptr) {
    std::vector<float> texels(kTexels * kTexels * 4, 1.0f);
    for (int i = 0; i < kTexels; ++i)
        for (int j = 0; j < kTexels; ++j) {
            const Vector3 v = value((j + 0.5f) / kTexels, (i + 0.5f) / kTexels);
            float* t = &texels[(i * kTexels + j) * 4];
            t[0] = v.x;
            t[1] = v.y;
            t[2] = v.z;
            if (alpha)
                t[3] = alpha((j + 0.5f) / kTexels, (i + 0.5f) / kTexels);
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(target, name);
    if (target == GL_TEXTURE_2D)
        glTexImage2D(target, 0, GL_RGBA32F, kTexels, kTexels, 0, GL_RGBA, GL_FLOAT, texels.data());
    else
        glTexImage3D(target, 0, GL_RGBA32F, kTexels, kTexels, 1, 0, GL_RGBA, GL_FLOAT,
                     texels.data());
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    if (target == GL_TEXTURE_2D)
        glGenerateMipmap(target);
    else
        glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glBindTexture(target, 0);
    return name;
}

GLuint light(const std::function<Vector3(float u, float v)>& value,
             const std::function<float(float u, float v)>& alpha = nullptr) {
    return floatTexture(GL_TEXTURE_2D, value, alpha);
}
GLuint uniformLight(float value) {
    return light([=](float, float) { return grey(value); });
}
GLuint heights(const std::function<float(float u, float v)>& height) {
    return floatTexture(GL_TEXTURE_2D_ARRAY, [&](float u, float v) { return grey(height(u, v)); });
}

// A sky of one grey radiance in every direction, for the haze.
GLuint uniformSky(float value) {
    const float texel[3] = {value, value, value};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_CUBE_MAP, name);
    for (int face = 0; face < 6; ++face)
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA32F, 1, 1, 0, GL_RGB,
                     GL_FLOAT, texel);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return name;
}

// From high above the terrain's centre, screen right along +x.
void lookDown() {
    camera.lookAt(Vector3(2.5f, 9, 2.5f), Vector3(2.5f, 0, 2.5f), Vector3(0, 0, -1));
    camera.setPerspective(45.0f, 1.0f, 0.1f, 100.0f);
}

// The highest row (from the bottom) with anything drawn in column x; -1 when none.
int topRow(const OffscreenTarget& target, const std::vector<unsigned char>& pixels, int x) {
    for (int y = target.height - 1; y >= 0; --y) {
        const unsigned char* p = target.at(pixels, x, y);
        if (p[0] + p[1] + p[2] > 0)
            return y;
    }
    return -1;
}

class Terrain : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(context.ok());
        ASSERT_TRUE(target.complete);
    }
    GLTestContext context;
    WorkingDirectory workingDirectory{projectModelFolder()};
    ScratchFolder files;
    OffscreenTarget target{kSize, kSize};
};

} // namespace

TEST_F(Terrain, KeyLightTextureShadesTheSurfaceWhereItFalls) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(33))));
    // Key light only on the half x > 2.5 (u > 0.5); the sky's light everywhere.
    terrain.keyLightTexture = light([](float u, float) { return grey(u < 0.5f ? 0.0f : 3.0f); });
    terrain.envLightTexture = uniformLight(0.6f);
    terrain.heightDataTexture = heights([](float, float) { return 0.3f; });

    lookDown();
    terrain.Render(camera);
    std::vector<unsigned char> pixels = target.read();
    const int c = kSize / 2;
    const double shaded = target.brightness(pixels, c - 30, c - 20, c - 6, c + 20);
    const double lit = target.brightness(pixels, c + 6, c - 20, c + 30, c + 20);
    EXPECT_GT(shaded, 0.0); // the sky still lights it
    EXPECT_GT(lit, shaded + 80);
    // The terrain square ends at its edges: nothing is drawn in the corners of the view.
    EXPECT_EQ(target.brightness(pixels, 0, 0, 4, 4), 0.0);

    GLint program = -1, vertexArray = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(program, 0);
    EXPECT_EQ(vertexArray, 0);

    // The texture names are read at each draw: the key light now falls on both halves alike.
    terrain.keyLightTexture = uniformLight(3.0f);
    target.clear();
    terrain.Render(camera);
    pixels = target.read();
    const double left = target.brightness(pixels, c - 30, c - 20, c - 6, c + 20);
    EXPECT_GT(left, shaded + 80);
    EXPECT_NEAR(left, target.brightness(pixels, c + 6, c - 20, c + 30, c + 20), left * 0.1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Terrain, HeightLayerRaisesTheSurfaceByTheSharedHeightScale) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(33))));
    terrain.keyLightTexture = uniformLight(2.0f);
    terrain.envLightTexture = uniformLight(1.0f);

    // Looking along +z from in front of the square: its far edge makes the silhouette.
    const Vector3 eye(2.5f, 1.0f, -4.0f);
    camera.lookAt(eye, Vector3(2.5f, 0.0f, 2.5f), Vector3(0, 1, 0));
    camera.setPerspective(45.0f, 1.0f, 0.1f, 100.0f);
    auto expectedRow = [&](float worldY) {
        const Vector3 p(2.5f, worldY, scene::terrainSize);
        const Matrix4& v = camera.viewMatrix;
        const Matrix4& pr = camera.projectionMatrix;
        const float eyeY = v[1] * p.x + v[5] * p.y + v[9] * p.z + v[13];
        const float eyeZ = v[2] * p.x + v[6] * p.y + v[10] * p.z + v[14];
        const float ndcY = pr[5] * eyeY / -eyeZ;
        return (ndcY + 1.0f) * 0.5f * kSize;
    };
    for (float height : {0.25f, 0.75f}) {
        SCOPED_TRACE(height);
        terrain.heightDataTexture = heights([=](float, float) { return height; });
        target.clear();
        terrain.Render(camera);
        const std::vector<unsigned char> pixels = target.read();
        EXPECT_NEAR(topRow(target, pixels, kSize / 2), expectedRow(height * scene::heightScale),
                    1.5);
    }
}

// Seen across the field, the ground fades into the sky's own colour toward the far border, so
// the field's end never stands as a line against the sky behind it.
TEST_F(Terrain, TheFarEdgeMeltsIntoTheSkyBehindIt) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(65))));
    terrain.keyLightTexture = uniformLight(2.0f);
    terrain.envLightTexture = uniformLight(1.0f);
    terrain.heightDataTexture = heights([](float, float) { return 0.3f; });
    terrain.skyTexture = uniformSky(0.05f); // far darker than the lit ground
    const auto colourSum = [&](const std::vector<unsigned char>& pixels, int x, int y) {
        const unsigned char* p = target.at(pixels, x, y);
        return p[0] + p[1] + p[2];
    };

    // The sky's colour on the screen: the ground seen from so far away that only the air shows.
    camera.lookAt(Vector3(2.5f, 300.0f, -300.0f), Vector3(2.5f, 0.0f, 2.5f), Vector3(0, 1, 0));
    camera.setPerspective(1.0f, 1.0f, 1.0f, 1000.0f);
    terrain.Render(camera);
    const int sky = colourSum(target.read(), kSize / 2, kSize / 2);
    ASSERT_GT(sky, 0);

    // Across the field from in front of it: the far border is the silhouette.
    camera.lookAt(Vector3(2.5f, 1.0f, -4.0f), Vector3(2.5f, 0.0f, 2.5f), Vector3(0, 1, 0));
    camera.setPerspective(45.0f, 1.0f, 0.1f, 100.0f);
    target.clear();
    terrain.Render(camera);
    const std::vector<unsigned char> pixels = target.read();
    for (int x : {kSize / 4, kSize / 2, 3 * kSize / 4}) {
        SCOPED_TRACE(x);
        const int top = topRow(target, pixels, x);
        ASSERT_GT(top, 10);
        int bottom = 0;
        while (bottom < top && colourSum(pixels, x, bottom) == 0)
            ++bottom;
        EXPECT_GT(std::abs(colourSum(pixels, x, (top + bottom) / 2) - sky), 60)
            << "the ground within the field is its own colour";
        EXPECT_LE(std::abs(colourSum(pixels, x, top) - sky), 9) << "the last row is the sky's";
    }
}

// From inside the field, low over it, most tiles lie behind or beside the camera: they are not
// drawn, and the picture is the one drawn with every tile. The ground stands as high as it can
// (the height field at 1): tiles just below the view still reach up into it.
TEST_F(Terrain, TilesOutOfViewAreLeftOutAndThePictureStaysTheSame) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(65))));
    terrain.keyLightTexture = light([](float u, float v) { return grey(1.0f + u + 2.0f * v); });
    terrain.envLightTexture = uniformLight(1.0f);
    terrain.heightDataTexture = heights([](float, float) { return 1.0f; });
    terrain.skyTexture = uniformSky(0.2f);
    const size_t all = 64 * 64 * 2;

    const auto draw = [&](bool cull) {
        terrain.cullTilesOutOfView = cull;
        target.clear();
        terrain.Render(camera);
        return target.read();
    };
    const float ground = scene::heightScale;
    const struct {
        Vector3 eye, at;
        double mostDrawn; // share of the triangles
    } views[] = {
        {{1.0f, ground + 0.1f, 1.0f}, {4.0f, ground - 0.3f, 2.0f}, 0.5},   // across the field
        {{2.5f, ground + 0.05f, 4.5f}, {2.5f, ground + 0.05f, 0.0f}, 0.9}, // level, ground below
        {{2.5f, ground + 0.5f, 2.5f}, {2.5f, 9.0f, 2.6f}, 0.0},            // up at the sky
    };
    for (const auto& view : views) {
        SCOPED_TRACE(view.at.x);
        camera.lookAt(view.eye, view.at, Vector3(0, 1, 0));
        camera.setPerspective(45.0f, 1.0f, 0.01f, 100.0f);
        const std::vector<unsigned char> culled = draw(true);
        const size_t drawn = terrain.drawnTriangles;
        const std::vector<unsigned char> whole = draw(false);
        EXPECT_EQ(terrain.drawnTriangles, all);
        EXPECT_LE(drawn, view.mostDrawn * all);
        EXPECT_TRUE(culled == whole);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Seen from above its highest reach, the ground stays below the horizon: no terrain pixel lies
// in the rows from rowsInReach up, and the farthest ground comes close to them.
TEST_F(Terrain, RowsInReachBoundTheGroundBelowTheHorizon) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(65))));
    terrain.keyLightTexture = uniformLight(2.0f);
    terrain.envLightTexture = uniformLight(1.0f);
    terrain.heightDataTexture = heights([](float, float) { return 1.0f; });
    const float ground = scene::heightScale;
    const struct {
        float eyeY, pitch; // the view's slope: down where negative
    } views[] = {{ground + 0.05f, 0.0f}, {ground + 0.05f, -0.3f}, {ground + 1.0f, -0.2f}};
    for (const auto& view : views) {
        SCOPED_TRACE(view.pitch);
        camera.lookAt(Vector3(2.5f, view.eyeY, 0.2f), Vector3(2.5f, view.eyeY + view.pitch, 1.2f),
                      Vector3(0, 1, 0));
        camera.setPerspective(45.0f, 1.0f, 0.01f, 100.0f);
        const int rows = terrain.rowsInReach(camera.viewMatrix, camera.projectionMatrix, kSize);
        target.clear();
        terrain.Render(camera);
        const std::vector<unsigned char> pixels = target.read();
        int top = -1;
        for (int x = 0; x < kSize; ++x)
            top = std::max(top, topRow(target, pixels, x));
        ASSERT_GT(top, 0);
        EXPECT_LT(top, rows);
        if (view.eyeY < ground + 0.1f) {
            EXPECT_GE(top, rows - 6) << "the far ground lies just below the horizon";
        }
    }
    // From below the ground's highest reach, it may rise anywhere in the picture.
    camera.lookAt(Vector3(2.5f, ground - 0.1f, 0.2f), Vector3(2.5f, ground, 1.2f),
                  Vector3(0, 1, 0));
    EXPECT_EQ(terrain.rowsInReach(camera.viewMatrix, camera.projectionMatrix, kSize), kSize);
}

// The rows rowsCoveredByGround counts hold ground in every pixel, over hills, with the view
// rolled, looking down, with the far plane cutting into the field and from near its border; and
// they reach up to the far ground where it spans the picture. A mesh that leaves part of its
// square open, or an eye beyond the square, gets none.
TEST_F(Terrain, RowsCoveredByGroundHoldGroundInEveryPixel) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(65))));
    terrain.keyLightTexture = uniformLight(2.0f);
    terrain.envLightTexture = uniformLight(1.0f);
    terrain.skyTexture = uniformSky(0.5f); // the haze at the far border is not black either
    terrain.heightDataTexture = heights(
        [](float u, float v) { return 0.5f + 0.5f * std::sin(u * 19.0f) * std::cos(v * 13.0f); });
    const float top = scene::heightScale;
    const struct {
        Vector3 eye, at, up;
        float far;
        int fewestRows;
    } views[] = {
        {{2.5f, top + 0.1f, 0.3f}, {2.5f, top, 1.3f}, {0, 1, 0}, 100.0f, kSize / 4},
        {{1.0f, top + 0.3f, 1.0f}, {2.0f, top - 0.2f, 2.0f}, {0.3f, 1, 0}, 100.0f, kSize / 4},
        {{2.5f, 3.0f, 2.5f}, {2.6f, 0.0f, 2.5f}, {0, 0, 1}, 100.0f, kSize - 1},
        {{2.5f, top + 0.1f, 0.3f}, {2.5f, top, 1.3f}, {0, 1, 0}, 2.0f, 1},
        {{4.8f, top + 0.1f, 2.5f}, {5.8f, top - 0.3f, 2.5f}, {0, 1, 0}, 100.0f, 0},
    };
    for (const auto& view : views) {
        SCOPED_TRACE(view.eye.x + view.far);
        camera.lookAt(view.eye, view.at, view.up);
        camera.setPerspective(45.0f, 1.0f, 0.01f, view.far);
        const int rows =
            terrain.rowsCoveredByGround(camera.viewMatrix, camera.projectionMatrix, kSize);
        EXPECT_GE(rows, view.fewestRows);
        target.clear();
        terrain.Render(camera);
        const std::vector<unsigned char> pixels = target.read();
        int open = 0;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < kSize; ++x) {
                const unsigned char* p = target.at(pixels, x, y);
                open += p[0] + p[1] + p[2] == 0;
            }
        EXPECT_EQ(open, 0) << rows << " rows";
    }

    camera.lookAt(Vector3(-0.5f, top + 0.1f, 2.5f), Vector3(0.5f, top, 2.5f), Vector3(0, 1, 0));
    EXPECT_EQ(terrain.rowsCoveredByGround(camera.viewMatrix, camera.projectionMatrix, kSize), 0);

    // The same grid with one quad left out.
    std::string holed = terrainGrid(65);
    const size_t face = holed.find("\nf ", holed.size() / 2);
    holed.erase(face, holed.find('\n', face + 1) - face);
    RenderableTerrainModelOBJ open("../resources/");
    ASSERT_TRUE(open.Initialize(files.write("holed.obj", holed)));
    camera.lookAt(views[0].eye, views[0].at, views[0].up);
    EXPECT_EQ(open.rowsCoveredByGround(camera.viewMatrix, camera.projectionMatrix, kSize), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Terrain, WithoutProgramOrTextureCoordinatesNothingIsDrawn) {
    const GLuint lit = uniformLight(2.0f);
    const GLuint field = heights([](float, float) { return 0.5f; });
    lookDown();

    RenderableTerrainModelOBJ bare("../resources/");
    ASSERT_TRUE(bare.Initialize(files.write("bare.obj", terrainGrid(9, false))));
    EXPECT_FALSE(attributeEnabled(bare.vertexArray, ATTRIB_TEXCOORD));
    bare.keyLightTexture = bare.envLightTexture = lit;
    bare.heightDataTexture = field;
    bare.Render(camera);
    EXPECT_EQ(target.brightness(target.read(), 0, 0, kSize, kSize), 0.0);

    const std::string mesh = files.write("terrain.obj", terrainGrid(9));
    fs::create_directories(files.path / "bin");
    WorkingDirectory noShaders(files.path / "bin"); // no "../shader" here
    RenderableTerrainModelOBJ unbuilt("../resources/");
    CaptureStdout();
    EXPECT_FALSE(unbuilt.Initialize(mesh));
    EXPECT_NE(GetCapturedStdout().find("Could not compile the Model-Test shader progam.\n"),
              std::string::npos);
    unbuilt.keyLightTexture = unbuilt.envLightTexture = lit;
    unbuilt.heightDataTexture = field;
    unbuilt.Render(camera);
    EXPECT_EQ(target.brightness(target.read(), 0, 0, kSize, kSize), 0.0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

namespace {

double hash(int x, int y) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double valueNoise(double x, double y) {
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const double fx = x - ix, fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = hash(ix, iy) + (hash(ix + 1, iy) - hash(ix, iy)) * sx;
    const double b = hash(ix, iy + 1) + (hash(ix + 1, iy + 1) - hash(ix, iy + 1)) * sx;
    return a + (b - a) * sy;
}

// Stand-in mountains: ridged fractal noise, h in [0, 1].
float mountains(float u, float v) {
    double h = 0, amplitude = 0.55, frequency = 3.0;
    for (int octave = 0; octave < 6; ++octave) {
        h += amplitude * (1.0 - std::fabs(2.0 * valueNoise(u * frequency, v * frequency) - 1.0));
        amplitude *= 0.5;
        frequency *= 2.0;
    }
    return static_cast<float>(std::clamp((h - 0.45) * 1.4, 0.0, 1.0));
}

// Stand-ins for the lighting passes: the key light (a disc of unit radiance, half-angle 60
// degrees, 12 degrees off the zenith) as pi sin^2(60) times the cosine to its centre, and a
// bluish sky twice as dim, less where the surface turns away from the zenith.
struct StandInLight {
    std::function<float(float, float)> height;
    Vector3 normal(float u, float v) const {
        const float d = 1.0f / kTexels, texel = scene::terrainSize / kTexels;
        const float dx = (height(u + d, v) - height(u - d, v)) * scene::heightScale / (2 * texel);
        const float dz = (height(u, v + d) - height(u, v - d)) * scene::heightScale / (2 * texel);
        return Vector3(-dx, 1, -dz).normalized();
    }
    Vector3 key(float u, float v) const {
        const Vector3 centre(std::sin(0.21f) * 0.6f, std::cos(0.21f), std::sin(0.21f) * 0.8f);
        return grey(2.36f * std::max(0.0f, normal(u, v).dot(centre)));
    }
    Vector3 sky(float u, float v) const {
        return Vector3(0.42f, 0.55f, 0.75f) * (0.55f + 0.45f * normal(u, v).y);
    }
    float steepness(float u, float v) const { return 1.0f - normal(u, v).y; }
};

} // namespace

TEST_F(Terrain, StandInLightGivesMeadowsLowRockOnSlopesAndSnowHigh) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(129))));
    // Low and flat at the left, a steep rise (45 degrees) in the middle, high and flat at the
    // right.
    const StandInLight steps{[](float u, float) {
        return u < 0.45f ? 0.1f : u > 0.55f ? 0.95f : 0.1f + (u - 0.45f) * 8.5f;
    }};
    terrain.keyLightTexture = light([&](float u, float v) { return steps.key(u, v); });
    terrain.envLightTexture = light([&](float u, float v) { return steps.sky(u, v); },
                                    [&](float u, float v) { return steps.steepness(u, v); });
    terrain.skyTexture = uniformSky(0.15f);
    terrain.heightDataTexture = heights(steps.height);
    lookDown();
    terrain.Render(camera);
    const std::vector<unsigned char> pixels = target.read();
    const int c = kSize / 2;
    const unsigned char* meadow = target.at(pixels, c - 30, c);
    const unsigned char* slope = target.at(pixels, c, c);
    const unsigned char* snow = target.at(pixels, c + 30, c);
    EXPECT_GT(meadow[1], meadow[0]);
    EXPECT_GT(meadow[1], meadow[2]);
    EXPECT_GT(snow[0] + snow[1] + snow[2], 3 * 170);
    EXPECT_GT(snow[0] + snow[1] + snow[2], slope[0] + slope[1] + slope[2] + 150);
    EXPECT_LT(std::abs(slope[0] - slope[2]), 40); // rock is grey-brown, not green

    // The scene's own view over stand-in mountains, kept as a picture when asked for.
    if (picturesWanted()) {
        const StandInLight land{mountains};
        terrain.keyLightTexture = light([&](float u, float v) { return land.key(u, v); });
        terrain.envLightTexture = light([&](float u, float v) { return land.sky(u, v); },
                                        [&](float u, float v) { return land.steepness(u, v); });
        terrain.heightDataTexture = heights(land.height);
        OffscreenTarget view(640, 480);
        camera.lookAt(Vector3(7.0f, 2.38f, 2.5f), Vector3(2.5f, 0.5f, 2.5f), Vector3(0, 1, 0));
        camera.setPerspective(45.0f, 640.0f / 480.0f, 0.01f, 1000.0f);
        terrain.Render(camera);
        keepPicture("terrain-stand-in", 640, 480, 4, view.read());
    }
}
