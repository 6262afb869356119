#include "Camera.h"
#include "ModelGLTestSupport.h"
#include "ModelObjFactory.h"

#include <cmath>
#include <string>
#include <vector>

using namespace modeltest;

namespace {

constexpr int kSize = 128;

struct QuadMaterial {
    std::string name;
    std::string library; // the material's statements after newmtl
};

// One unit quad per material, side by side along x, facing +z, texture coordinates 0..1.
std::string quadRow(const std::vector<QuadMaterial>& materials, bool withTexCoords = true) {
    std::string obj = "mtllib row.mtl\nvn 0 0 1\n";
    if (withTexCoords)
        obj += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    for (size_t i = 0; i < materials.size(); ++i) {
        const int x = static_cast<int>(i);
        obj += "v " + std::to_string(x) + " 0 0\nv " + std::to_string(x + 1) + " 0 0\nv " +
               std::to_string(x + 1) + " 1 0\nv " + std::to_string(x) + " 1 0\n";
    }
    for (size_t i = 0; i < materials.size(); ++i) {
        const int v = static_cast<int>(4 * i);
        obj += "usemtl " + materials[i].name + "\nf";
        for (int k = 1; k <= 4; ++k)
            obj += withTexCoords ? " " + std::to_string(v + k) + "/" + std::to_string(k) + "/1"
                                 : " " + std::to_string(v + k) + "//1";
        obj += "\n";
    }
    return obj;
}

std::string library(const std::vector<QuadMaterial>& materials) {
    std::string text;
    for (const QuadMaterial& m : materials)
        text += "newmtl " + m.name + "\n" + m.library + "\n";
    return text;
}

// Screen x of the centre of quad i of n, for the row unitized and seen from (0, 0, 1.3).
int quadCentre(int i, int n) {
    const double x = -0.5 + (i + 0.5) / n;
    return static_cast<int>((x / (1.3 * std::tan(22.5 * M_PI / 180)) + 1) * 0.5 * kSize);
}

void lookFrom(const Vector3& eye) {
    camera.lookAt(eye, Vector3(0, 0, 0), Vector3(0, 1, 0));
    camera.setPerspective(45.0f, 1.0f, 0.1f, 100.0f);
}

GLint attributeEnabled(GLuint vertexArray, GLuint location) {
    GLint enabled = 0;
    glBindVertexArray(vertexArray);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glBindVertexArray(0);
    return enabled;
}

class RenderableModel : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(context.ok());
        ASSERT_TRUE(target.complete);
        RenderableModelOBJ::rotationAngle = 0.0f;
    }
    GLTestContext context;
    WorkingDirectory workingDirectory{projectModelFolder()};
    ScratchFolder files;
    OffscreenTarget target{kSize, kSize};
};

} // namespace

TEST_F(RenderableModel, FactoryHoldsOneModelPerNameAndDestroysWhatItHolds) {
    const std::vector<QuadMaterial> plain = {{"plain", "Kd 0.8 0.8 0.8"}};
    files.write("row.mtl", library(plain));
    const std::string path = files.write("row.obj", quadRow(plain));
    GLuint secondProgram = 0, secondBuffer = 0;
    {
        ModelObjFactory factory;
        EXPECT_EQ(factory.getModel(path), nullptr);
        EXPECT_TRUE(factory.models.empty());

        RenderableModelOBJ* first = factory.createModel(path, "../resources/");
        ASSERT_TRUE(first && first->Initialize(path));
        const GLuint firstProgram = first->program->program;
        const GLuint firstBuffer = first->vertexBuffer;
        RenderableModelOBJ* second = factory.createModel(path, "../resources/");
        EXPECT_EQ(factory.models.size(), 1u);
        EXPECT_EQ(factory.getModel(path), second);
        EXPECT_FALSE(glIsProgram(firstProgram)); // the first model is gone with its GL objects
        EXPECT_FALSE(glIsBuffer(firstBuffer));

        ASSERT_TRUE(second->Initialize(path));
        secondProgram = second->program->program;
        secondBuffer = second->vertexBuffer;
        EXPECT_TRUE(glIsProgram(secondProgram));

        // A model whose file is missing loads nothing and draws nothing.
        RenderableModelOBJ* missing = factory.createModel(files.file("absent.obj"), "");
        EXPECT_FALSE(missing->Initialize(files.file("absent.obj")));
        missing->Render(std::vector<float>(3, 0.0f).data());
        EXPECT_EQ(target.brightness(target.read(), 0, 0, kSize, kSize), 0.0);
    }
    EXPECT_FALSE(glIsProgram(secondProgram));
    EXPECT_FALSE(glIsBuffer(secondBuffer));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableModel, EachBatchDrawsWithItsOwnMapsAndStartsFromNeutralOnes) {
    files.write("red.tga", tgaOfColour(4, 4, 255, 0, 0));
    files.write("green.bmp", bmpOfColour(4, 4, 0, 255, 0));
    files.write("flat.tga", tgaOfColour(4, 4, 128, 128, 255));
    const std::vector<QuadMaterial> materials = {
        {"red", "Kd 1 1 1\nmap_Kd red.tga"},
        {"green", "Kd 1 1 1\nmap_Kd green.bmp"},
        {"plain", "Kd 0.8 0.8 0.8"},
        {"redFlat", "Kd 1 1 1\nmap_Kd red.tga\nmap_bump flat.tga"},
    };
    files.write("row.mtl", library(materials));
    const std::string path = files.write("row.obj", quadRow(materials));
    RenderableModelOBJ model("../resources/");
    ASSERT_TRUE(model.Initialize(path));
    ASSERT_EQ(model.numBatches, 4);

    lookFrom(Vector3(0, 0, 1.3f));
    lightSourcePosition = Vector3(0, 0, 6);
    const float origin[3] = {0, 0, 0};
    model.Render(origin);
    const float angleAfterOneFrame = RenderableModelOBJ::rotationAngle;
    const std::vector<unsigned char> pixels = target.read();

    auto colourOf = [&](int quad) {
        const int x = quadCentre(quad, 4);
        const unsigned char* p = target.at(pixels, x, kSize / 2);
        return std::vector<int>{p[0], p[1], p[2]};
    };
    const std::vector<int> red = colourOf(0), green = colourOf(1), plain = colourOf(2),
                           redFlat = colourOf(3);
    EXPECT_GT(red[0], 100);
    EXPECT_LT(red[1] + red[2], red[0] / 2);
    EXPECT_GT(green[1], 100);
    EXPECT_LT(green[0] + green[2], green[1] / 2);
    // The plain batch comes after the green one but is drawn white, not green.
    EXPECT_GT(plain[0], 100);
    EXPECT_NEAR(plain[0], plain[1], 12); // the light is a little warm
    EXPECT_NEAR(plain[1], plain[2], 12);
    // Without a bump map the red quad is lit as if its normal map were flat: no colour map
    // stands in for the normal map.
    EXPECT_NEAR(red[0], redFlat[0], 3);

    // Draw state after each frame; the turn grows by 0.01 degrees per batch drawn.
    model.Render(origin);
    EXPECT_NEAR(angleAfterOneFrame, 0.04f, 1e-6f);
    EXPECT_NEAR(RenderableModelOBJ::rotationAngle - angleAfterOneFrame, 0.04f, 1e-6f);
    GLint program = -1, vertexArray = -1, cullFace = 0;
    GLboolean depthWrites = GL_FALSE;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(cullFace, GL_BACK);
    EXPECT_EQ(depthWrites, GL_TRUE);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableModel, WithoutTextureCoordinatesOrTangentsTheMaterialColourShows) {
    files.write("red.tga", tgaOfColour(4, 4, 255, 0, 0));
    const std::vector<QuadMaterial> blue = {{"blue", "Kd 0.2 0.4 0.9\nmap_Kd red.tga"}};
    files.write("row.mtl", library(blue));
    const std::string path = files.write("row.obj", quadRow(blue, false));
    RenderableModelOBJ model("../resources/");
    ASSERT_TRUE(model.Initialize(path));
    EXPECT_FALSE(attributeEnabled(model.vertexArray, ATTRIB_TEXCOORD));
    EXPECT_FALSE(attributeEnabled(model.vertexArray, ATTRIB_TANGENT));
    EXPECT_TRUE(attributeEnabled(model.vertexArray, ATTRIB_NORMAL));

    // Whatever a pass before left on the texture units must not colour the model.
    const GLuint leftOver = model.textureByName.at("red.tga");
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, leftOver);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, leftOver);

    lookFrom(Vector3(0, 0, 1.5f));
    lightSourcePosition = Vector3(0, 0, 6);
    const float origin[3] = {0, 0, 0};
    model.Render(origin);
    const std::vector<unsigned char> pixels = target.read();
    const unsigned char* p = target.at(pixels, kSize / 2, kSize / 2);
    // Lit, finite, and the material's blue (a NaN or a zero normal comes out black).
    EXPECT_GT(p[2], 100);
    EXPECT_GT(p[2], p[1]);
    EXPECT_GT(p[1], p[0]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableModel, LightStaysInTheWorldWhileTheModelTurns) {
    // A smooth sphere, seen from +x; the light is in front and to the camera's left.
    std::string obj = "mtllib row.mtl\nusemtl grey\n";
    const int rings = 16, segments = 32;
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j <= segments; ++j) {
            const double theta = M_PI * i / rings, phi = 2 * M_PI * j / segments;
            const double x = std::sin(theta) * std::cos(phi), y = std::cos(theta),
                         z = -std::sin(theta) * std::sin(phi);
            obj += "v " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) +
                   "\nvn " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) +
                   "\n";
        }
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const int a = i * (segments + 1) + j + 1, b = a + segments + 1;
            obj += "f " + std::to_string(a) + "//" + std::to_string(a) + " " + std::to_string(b) +
                   "//" + std::to_string(b) + " " + std::to_string(b + 1) + "//" +
                   std::to_string(b + 1) + " " + std::to_string(a + 1) + "//" +
                   std::to_string(a + 1) + "\n";
        }
    files.write("row.mtl", "newmtl grey\nKd 0.8 0.8 0.8\nKs 0.3 0.3 0.3\nNs 100\n");
    const std::string path = files.write("sphere.obj", obj);
    RenderableModelOBJ model("../resources/");
    ASSERT_TRUE(model.Initialize(path));

    lookFrom(Vector3(2.2f, 0, 0)); // screen right is the world's -z
    lightSourcePosition = Vector3(0, 0, 4);
    const float origin[3] = {0, 0, 0};
    for (float angle : {0.0f, 90.0f, 180.0f}) {
        RenderableModelOBJ::rotationAngle = angle;
        target.clear();
        model.Render(origin);
        const std::vector<unsigned char> pixels = target.read();
        const int c = kSize / 2;
        const double left = target.brightness(pixels, c - 28, c - 8, c - 6, c + 8);
        const double right = target.brightness(pixels, c + 6, c - 8, c + 28, c + 8);
        EXPECT_GT(left, right * 1.5) << "turned by " << angle << " degrees";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableModel, NormalMapsBendTheShadingAlongTheirTangentFrame) {
    files.write("white.tga", tgaOfColour(4, 4, 200, 200, 200));
    // Normals tilted by about 37 degrees towards +u, -u, +v and -v.
    files.write("plusU.tga", tgaOfColour(4, 4, 204, 128, 230));
    files.write("minusU.tga", tgaOfColour(4, 4, 51, 128, 230));
    files.write("plusV.tga", tgaOfColour(4, 4, 128, 204, 230));
    files.write("minusV.tga", tgaOfColour(4, 4, 128, 51, 230));
    std::vector<QuadMaterial> tilts;
    for (const char* name : {"plusU", "minusU", "plusV", "minusV"})
        tilts.push_back(
            {name, std::string("Kd 1 1 1\nmap_Kd white.tga\nmap_bump ") + name + ".tga"});
    files.write("row.mtl", library(tilts));
    const std::string path = files.write("row.obj", quadRow(tilts));
    RenderableModelOBJ model("../resources/");
    ASSERT_TRUE(model.Initialize(path));
    EXPECT_TRUE(attributeEnabled(model.vertexArray, ATTRIB_TANGENT));

    lookFrom(Vector3(0, 0, 1.3f));
    lightSourcePosition = Vector3(3, 3, 3); // up and to the right: +u is +x, +v is +y
    const float origin[3] = {0, 0, 0};
    model.Render(origin);
    const std::vector<unsigned char> pixels = target.read();
    auto brightnessOf = [&](int quad) {
        const int x = quadCentre(quad, 4);
        return target.brightness(pixels, x - 3, kSize / 2 - 3, x + 3, kSize / 2 + 3);
    };
    EXPECT_GT(brightnessOf(0), brightnessOf(1) + 60);
    EXPECT_GT(brightnessOf(2), brightnessOf(3) + 60);
}
