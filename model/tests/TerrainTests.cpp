#include "Camera.h"
#include "ModelGLTestSupport.h"
#include "RenderableTerrainModelOBJ.h"
#include "SceneConventions.h"

#include <cmath>
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

// A 256 x 256 float texture whose texel (row i, column j) holds value(u, v) in r, g and b.
GLuint floatTexture(const std::function<float(float u, float v)>& value) {
    std::vector<float> texels(kTexels * kTexels * 4);
    for (int i = 0; i < kTexels; ++i)
        for (int j = 0; j < kTexels; ++j) {
            const float v = value((j + 0.5f) / kTexels, (i + 0.5f) / kTexels);
            float* t = &texels[(i * kTexels + j) * 4];
            t[0] = t[1] = t[2] = v;
            t[3] = 1.0f;
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, kTexels, kTexels, 0, GL_RGBA, GL_FLOAT,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glGenerateMipmap(GL_TEXTURE_2D); // the lighting keeps both light targets' mipmaps current
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

// Height layers as the pyramid array holds them: layer 0 is the height field, h in [0, 1].
GLuint heightArray(float height) {
    std::vector<float> texels(kTexels * kTexels * 4 * 2, 0.0f);
    for (size_t k = 0; k < texels.size() / 2; k += 4)
        texels[k] = height;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D_ARRAY, name);
    glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA32F, kTexels, kTexels, 2, 0, GL_RGBA, GL_FLOAT,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    return name;
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
    void TearDown() override {
        glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
    }
    GLuint keep(GLuint name) {
        textures.push_back(name);
        return name;
    }
    GLTestContext context;
    WorkingDirectory workingDirectory{projectModelFolder()};
    ScratchFolder files;
    OffscreenTarget target{kSize, kSize};
    std::vector<GLuint> textures;
};

} // namespace

TEST_F(Terrain, KeyLightTextureShadesTheSurfaceWhereItFalls) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(33))));
    // Key light only on the half x > 2.5 (u > 0.5); the sky's light everywhere.
    const GLuint halfLit =
        keep(floatTexture([](float u, float) { return u < 0.5f ? 0.0f : 3.0f; }));
    terrain.keyLightTexture = halfLit;
    terrain.envLightTexture = keep(floatTexture([](float, float) { return 0.6f; }));
    terrain.heightDataTexture = keep(heightArray(0.3f));

    // From above the centre, screen right along +x.
    camera.lookAt(Vector3(2.5f, 9, 2.5f), Vector3(2.5f, 0, 2.5f), Vector3(0, 0, -1));
    camera.setPerspective(45.0f, 1.0f, 0.1f, 100.0f);
    terrain.Render(camera);
    std::vector<unsigned char> pixels = target.read();
    target.savePpm(pixels, "/tmp/terrain.ppm");
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

    // The texture names are read at each draw.
    terrain.keyLightTexture = keep(floatTexture([](float, float) { return 3.0f; }));
    target.clear();
    terrain.Render(camera);
    pixels = target.read();
    EXPECT_NEAR(target.brightness(pixels, c - 30, c - 20, c - 6, c + 20), lit, lit * 0.1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Terrain, HeightLayerRaisesTheSurfaceByTheSharedHeightScale) {
    RenderableTerrainModelOBJ terrain("../resources/");
    ASSERT_TRUE(terrain.Initialize(files.write("terrain.obj", terrainGrid(33))));
    terrain.keyLightTexture = keep(floatTexture([](float, float) { return 2.0f; }));
    terrain.envLightTexture = keep(floatTexture([](float, float) { return 1.0f; }));

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
        terrain.heightDataTexture = keep(heightArray(height));
        target.clear();
        terrain.Render(camera);
        const std::vector<unsigned char> pixels = target.read();
        EXPECT_NEAR(topRow(target, pixels, kSize / 2), expectedRow(height * scene::heightScale),
                    1.5);
    }
}

TEST_F(Terrain, WithoutProgramOrTextureCoordinatesNothingIsDrawn) {
    const GLuint lit = keep(floatTexture([](float, float) { return 2.0f; }));
    const GLuint heights = keep(heightArray(0.5f));
    camera.lookAt(Vector3(2.5f, 9, 2.5f), Vector3(2.5f, 0, 2.5f), Vector3(0, 0, -1));
    camera.setPerspective(45.0f, 1.0f, 0.1f, 100.0f);

    RenderableTerrainModelOBJ bare("../resources/");
    ASSERT_TRUE(bare.Initialize(files.write("bare.obj", terrainGrid(9, false))));
    GLint texCoordEnabled = 1;
    glBindVertexArray(bare.vertexArray);
    glGetVertexAttribiv(ATTRIB_TEXCOORD, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &texCoordEnabled);
    glBindVertexArray(0);
    EXPECT_EQ(texCoordEnabled, GL_FALSE);
    bare.keyLightTexture = bare.envLightTexture = lit;
    bare.heightDataTexture = heights;
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
    unbuilt.heightDataTexture = heights;
    unbuilt.Render(camera);
    EXPECT_EQ(target.brightness(target.read(), 0, 0, kSize, kSize), 0.0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
